#include "core/history/currencyhistory.h"

#include "core/text/csvtext.h"

#include "core/store/ratedb.h"
#include "core/text/daytext.h"
#include "core/text/numbertext.h"

#include <QSet>
#include <QStringList>

namespace {

QString years(const QList<int>& list) {
    QStringList out;
    for (int y : list)
        out << QString::number(y);
    return out.join(QStringLiteral(", "));
}

} // namespace

Outcome<CurrencyHistory> CurrencyHistory::load(const QString& dbPath, const QString& currency, int fromYear,
                                               int toYear) {
    RateDb db(dbPath);
    return load(db, currency, fromYear, toYear);
}

Outcome<CurrencyHistory> CurrencyHistory::load(RateDb& db, const QString& currency, int fromYear, int toYear) {
    CurrencyHistory h;
    h.currency = currency;
    h.fromYear = std::min(fromYear, toYear);
    h.toYear = std::max(fromYear, toYear);
    if (!db.isOpen()) return Outcome<CurrencyHistory>::failure(db.openError(), db.openCause());
    for (int year = h.fromYear; year <= h.toYear; ++year) {
        auto y = db.currencyYear(currency, year);
        if (!y) return Outcome<CurrencyHistory>::failure(y);
        if (!y->tableFound)
            h.yearsWithoutTable << year;
        else if (y->days.empty())
            h.yearsWithoutRates << year;
        if (!y->column.isEmpty()) h.column = y->column;
        h.days.insert(h.days.end(), y->days.begin(), y->days.end());
    }
    // "100HUF" is the rate of a hundred forints; the digits before the code say how many.
    qsizetype digits = 0;
    while (digits < h.column.size() && h.column[digits].isDigit())
        ++digits;
    if (digits > 0 && digits < h.column.size()) h.unit = std::max(1, h.column.left(digits).toInt());
    h.averages = RateAverages::compute(h.days);
    return h;
}

Outcome<QList<int>> CurrencyHistory::yearsWithRates(const QString& dbPath) {
    RateDb db(dbPath);
    return yearsWithRates(db);
}

Outcome<QList<int>> CurrencyHistory::yearsWithRates(RateDb& db) {
    auto years = db.yearsWithRates();
    if (!years) return years;
    QList<int> out;
    if (!years->isEmpty())
        for (int y = years->front(); y <= years->back(); ++y)
            out << y;
    return out;
}

QStringList CurrencyHistory::currencies(const QString& dbPath, int fromYear, int toYear) {
    RateDb db(dbPath);
    return currencies(db, fromYear, toYear);
}

QStringList CurrencyHistory::currencies(RateDb& db, int fromYear, int toYear) {
    QStringList names;
    QSet<QString> seen;
    for (int y = fromYear; y <= toYear; ++y)
        if (auto c = db.currencies(y))
            for (const QString& n : *c)
                if (!seen.contains(n.toUpper())) {
                    seen.insert(n.toUpper());
                    names << n;
                }
    return names;
}

QString CurrencyHistory::notice() const {
    QStringList parts;
    if (!yearsWithoutTable.isEmpty())
        parts << QStringLiteral("Nu exista cursuri memorate pentru anul %1.").arg(years(yearsWithoutTable));
    if (!yearsWithoutRates.isEmpty())
        parts << QStringLiteral("Nu exista curs %1 in anul %2.").arg(currency.toUpper(), years(yearsWithoutRates));
    return parts.join(u' ');
}

QString CurrencyHistory::monthName(int month) {
    static const char* names[12] = {"Ianuarie", "Februarie", "Martie",     "Aprilie",   "Mai",       "Iunie",
                                    "Iulie",    "August",    "Septembrie", "Octombrie", "Noiembrie", "Decembrie"};
    return month >= 1 && month <= 12 ? QString::fromLatin1(names[month - 1]) : QString();
}

QString CurrencyHistory::quotedUnit() const {
    const QString code = column.isEmpty() ? currency.toUpper() : column.mid(column.size() - 3);
    return unit == 1 ? code : QStringLiteral("%1 %2").arg(unit).arg(code);
}

QString CurrencyHistory::perUnit() const {
    return QStringLiteral("lei pentru ") + (unit == 1 ? QStringLiteral("1 ") : QString()) + quotedUnit();
}

bool CurrencyHistory::isPartial(const RateAverages::Year& y) const {
    // Ten days either side: New Year's and Christmas's holidays, and whatever holiday an early
    // year had that the calendar does not know, never make a whole year look partial.
    constexpr int kSlack = 10;
    if (y.year >= today.year() || !y.first.isValid()) return true;
    return QDate(y.year, 1, 1).daysTo(y.first) >= kSlack || y.last.daysTo(QDate(y.year, 12, 31)) >= kSlack;
}

QString CurrencyHistory::annualLabel(const RateAverages::Year& y) const {
    return isPartial(y) ? QStringLiteral("Anual partial") : QStringLiteral("Anual");
}

QString CurrencyHistory::averagesTable(const QString& decimalPoint) const {
    QString out = QStringLiteral("An\tLuna\tCurs mediu (%1)\tZile\n").arg(perUnit());
    for (const RateAverages::Year& y : averages) {
        for (int m = 0; m < 12; ++m) {
            const RateAverages::Mean& mean = y.months[size_t(m)];
            if (mean.days == 0) continue;
            out += QStringLiteral("%1\t%2\t%3\t%4\n")
                       .arg(y.year)
                       .arg(monthName(m + 1), NumberText::rate(mean.value, decimalPoint))
                       .arg(mean.days);
        }
        out += QStringLiteral("%1\t%2\t%3\t%4\n")
                   .arg(y.year)
                   .arg(annualLabel(y), NumberText::rate(y.annual.value, decimalPoint))
                   .arg(y.annual.days);
    }
    return out;
}

QString CurrencyHistory::csv() const {
    const QString name = column.isEmpty() ? currency : column;
    QString out = CsvText::line({QStringLiteral("Data"), QStringLiteral("Curs %1").arg(name)});
    for (const DatedRate& d : days)
        out += CsvText::line({CsvText::day(d.day), NumberText::rate(d.rate, CsvText::kDecimal)});
    out += QStringLiteral("\r\n");
    const QString table = averagesTable(CsvText::kDecimal);
    for (const QString& row : table.split(u'\n', Qt::SkipEmptyParts))
        out += CsvText::line(row.split(u'\t'));
    return out;
}
