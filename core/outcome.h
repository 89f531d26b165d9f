#pragma once

#include <QString>
#include <optional>
#include <utility>

// A value or the text of what went wrong; the caller decides how to tell the user.
template <typename T> class Outcome {
public:
    Outcome(T value) : m_value(std::move(value)) {}
    static Outcome failure(QString error) {
        Outcome o;
        o.m_error = std::move(error);
        return o;
    }
    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const T& operator*() const { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const QString& error() const { return m_error; }

private:
    Outcome() = default;
    std::optional<T> m_value;
    QString m_error;
};

struct Done {};
using Status = Outcome<Done>;
inline Status succeeded() {
    return Done{};
}
