#pragma once

#include <QAccessibleWidget>

class XLinkLabel;

// What a screen reader hears of the link label: a link named by its caption,
// described by its address, with a press action that opens it as a click does.
class XLinkLabelAccessible : public QAccessibleWidget {
public:
    explicit XLinkLabelAccessible(XLinkLabel* label);
    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    // Makes every link label of the program answer as one; called once by the first label.
    static void install();
};
