#pragma once

#include <QString>
#include <optional>
#include <utility>

// Why something failed, so the caller can tell the user the cause and decide
// whether going on makes sense. The text says the rest.
enum class Cause {
    Other,
    Network,      // the bank's server cannot be reached or answers with an error
    BadAnswer,    // the bank's answer is not a rate file we can read
    NotServed,    // the address is not there (404, 410): the bank does not serve that file
    WebPage,      // a web page came where a rate file was expected, directly or after a redirect
    Stopped,      // the user stopped it
    DbMissing,    // no rate database where it should be
    DbUnreadable, // the file is there but cannot be opened or read
    DbBusy,       // another program holds it locked
    DbDamaged,    // corrupt, or not a rate database at all
    DbReadOnly,   // it can be read but not written
    NoStoredDay,  // the database was read, and holds no day whose rates apply to the date
    OutOfRange,   // an amount or a result beyond what the arithmetic holds: refused, never shown wrong
};

// A value or the text of what went wrong; the caller decides how to tell the user.
template <typename T> class Outcome {
public:
    Outcome(T value) : m_value(std::move(value)) {}
    static Outcome failure(QString error, Cause cause = Cause::Other) {
        Outcome o;
        o.m_error = std::move(error);
        o.m_cause = cause;
        return o;
    }
    // The same failure, carried into another kind of result.
    template <typename U> static Outcome failure(const Outcome<U>& other) {
        return failure(other.error(), other.cause());
    }
    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const { return *m_value; }
    T& value() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }
    const QString& error() const { return m_error; }
    Cause cause() const { return m_cause; }

private:
    Outcome() = default;
    std::optional<T> m_value;
    QString m_error;
    Cause m_cause = Cause::Other;
};

struct Done {};
using Status = Outcome<Done>;
inline Status succeeded() {
    return Done{};
}
