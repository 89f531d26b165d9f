#pragma once

#include "core/usermessage.h"

#include <QString>

class QWidget;

// Every message box of the window goes through here, so a test can read what
// would have been shown instead of waiting for someone to press OK.
class MessageSink {
public:
    using Icon = UserMessage::Icon;
    virtual ~MessageSink() = default;
    // A modal box with one OK button; returns when it is closed.
    virtual void show(const QString& text, Icon icon, const QString& title) = 0;
    // A modal question with "Da" and "Nu"; true only for "Da". "Nu" is the default.
    virtual bool ask(const QString& text, const QString& title) = 0;
};

class MessageBoxSink : public MessageSink {
public:
    explicit MessageBoxSink(QWidget* parent) : m_parent(parent) {}
    void show(const QString& text, Icon icon, const QString& title) override;
    bool ask(const QString& text, const QString& title) override;

private:
    QWidget* m_parent;
};
