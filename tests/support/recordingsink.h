#pragma once

#include "app/messagesink.h"

#include <QList>
#include <QStringList>

// What the window would have shown, in order.
class RecordingSink : public MessageSink {
public:
    struct Shown {
        QString text;
        Icon icon;
        QString title;
    };
    void show(const QString& text, Icon icon, const QString& title) override { shown.push_back({text, icon, title}); }
    QStringList texts() const;
    QList<Shown> shown;
};
