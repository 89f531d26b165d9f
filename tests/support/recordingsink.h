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
    // Records the question and gives the answer the test set.
    bool ask(const QString& text, const QString&) override {
        asked << text;
        return answer;
    }
    QStringList asked;
    bool answer = false;
    QStringList texts() const;
    QList<Shown> shown;
};
