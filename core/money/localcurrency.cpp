#include "core/money/localcurrency.h"

LocalCurrency LocalCurrency::forView(const QString& tableYear, const QDateTime& pickerValue) {
    LocalCurrency c{QStringLiteral("LEI"), QString()};
    const LocalCurrency newLeu{QStringLiteral("LEI NOI"), QStringLiteral("RON")};
    if (tableYear == u"2005" || tableYear == u"2006") {
        // The whole value counts: 1 July 2005 at midnight is still the old leu.
        if (pickerValue > QDateTime(QDate(2005, 7, 1), QTime(0, 0))) c = newLeu;
    }
    // Plain text order, which is numeric order for four-digit years.
    if (QString::compare(tableYear, QStringLiteral("2007")) >= 0) c = newLeu;
    return c;
}
