#pragma once

#include <QString>

// What core has to tell the user after an action; the window puts it in a box.
struct UserMessage {
    enum class Icon { Information, Exclamation, Critical };
    QString text; // empty: nothing to say
    Icon icon = Icon::Information;
    QString title{}; // empty: the window's own caption

    bool isEmpty() const { return text.isEmpty(); }
};
