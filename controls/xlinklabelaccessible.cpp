#include "controls/xlinklabelaccessible.h"

#include "controls/xlinklabel.h"

namespace {

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("XLinkLabel") && object && object->isWidgetType())
        return new XLinkLabelAccessible(static_cast<XLinkLabel*>(object));
    return nullptr;
}

} // namespace

XLinkLabelAccessible::XLinkLabelAccessible(XLinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

QString XLinkLabelAccessible::text(QAccessible::Text t) const {
    const auto* label = static_cast<const XLinkLabel*>(widget());
    if (t == QAccessible::Name) return label->Caption();
    if (t == QAccessible::Description) return label->URL();
    return QAccessibleWidget::text(t);
}

QStringList XLinkLabelAccessible::actionNames() const {
    return {pressAction()};
}

void XLinkLabelAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) static_cast<XLinkLabel*>(widget())->Click();
}

void XLinkLabelAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
