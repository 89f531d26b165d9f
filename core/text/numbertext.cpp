#include "core/text/numbertext.h"

#include <QLocale>

namespace NumberText {
QChar point() {
    const QString p = QLocale().decimalPoint();
    return p.size() == 1 ? p.front() : u'.';
}

QString general(const Decimal& value) {
    return value.toString(point());
}

QString rate(double value, const QString& point) {
    QString text = QString::number(value, 'f', 4);
    if (point != u".") text.replace(u'.', point);
    return text;
}

} // namespace NumberText
