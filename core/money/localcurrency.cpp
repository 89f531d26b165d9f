#include "core/money/localcurrency.h"

namespace {

const QDateTime kChange(QDate(2005, 7, 1), QTime(0, 0));

} // namespace

LocalCurrency LocalCurrency::oldLeu() {
    return {QStringLiteral("LEI"), QString()};
}

LocalCurrency LocalCurrency::newLeu() {
    return {QStringLiteral("LEI NOI"), QStringLiteral("RON")};
}

LocalCurrency LocalCurrency::on(QDate day) {
    return day >= kChange.date() ? newLeu() : oldLeu();
}

LocalCurrency LocalCurrency::at(const QDateTime& moment) {
    return moment > kChange ? newLeu() : oldLeu();
}

LocalCurrency LocalCurrency::forYearTable(const QString& year, const QDateTime& moment) {
    if (year == u"2005" || year == u"2006") return at(moment);
    // Plain text order, which is numeric order for four-digit years (and puts no year first).
    return QString::compare(year, QStringLiteral("2007")) >= 0 ? newLeu() : oldLeu();
}

QString LocalCurrency::refusedOn(const QString& name, QDate day) {
    if (day.isValid() && day < kChange.date() && name.trimmed().compare(newLeu().name, Qt::CaseInsensitive) == 0)
        return QStringLiteral("LEI NOI exista din 01.07.2005");
    return {};
}
