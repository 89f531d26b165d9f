#include "core/money/ratebook.h"

#include "core/text/daytext.h"
#include "core/text/ratefield.h"

#include <QRegularExpression>
#include <cmath>

QString RateBook::noRateText(QDate date, Rule rule) {
    return QStringLiteral("Nu exista curs memorat %1 %2.")
        .arg(rule == Rule::Same ? QStringLiteral("pana la") : QStringLiteral("inainte de"), DayText::shown(date));
}

Outcome<RateBook::Day> RateBook::ratesFor(const QString& dbPath, QDate date, Rule rule) {
    return ratesFor(dbPath, date, rule, LocalCurrency::on(date));
}

Outcome<RateBook::Day> RateBook::ratesFor(RateDb& db, QDate date, Rule rule) {
    return ratesFor(db, date, rule, LocalCurrency::on(date));
}

Outcome<RateBook::Day> RateBook::ratesFor(const QString& dbPath, QDate date, Rule rule, const LocalCurrency& local) {
    RateDb db(dbPath);
    if (!db.isOpen()) return Outcome<Day>::failure(db.openError(), db.openCause());
    return ratesFor(db, date, rule, local);
}

Outcome<RateBook::Day> RateBook::ratesFor(RateDb& db, QDate date, Rule rule, const LocalCurrency& local) {
    using R = Outcome<Day>;
    const auto row = db.rowBefore(rule == Rule::Same ? date.addDays(1) : date, local.suffix);
    // A database that cannot be read says so; no stored day before the date is said plainly.
    if (!row) return R::failure(row);
    if (!row->has_value() || row->value().values.isEmpty())
        return R::failure(noRateText(date, rule), Cause::NoStoredDay);
    const QDate day = QDate::fromString(row->value().values.front().toString().left(10), Qt::ISODate);
    return Day{day, row->value(), local};
}

namespace {

const QRegularExpression& codeForm() {
    static const QRegularExpression form(QStringLiteral("^(\\d{0,4})([A-Za-z]{3})$"));
    return form;
}

} // namespace

bool RateBook::isCode(const QString& code) {
    const auto m = codeForm().match(code.trimmed());
    return m.hasMatch() && (m.captured(1).isEmpty() || m.captured(1).toInt() > 0);
}

std::optional<RateBook::Quote> RateBook::quote(const StoredDay& row, const QString& code) {
    if (!isCode(code)) return std::nullopt;
    const auto m = codeForm().match(code.trimmed());
    const int asked = m.captured(1).isEmpty() ? 1 : m.captured(1).toInt();
    const QString letters = m.captured(2).toUpper();
    const QString column = RateField::columnForCode(row.names, letters);
    if (column.isEmpty()) return std::nullopt;
    const int stored = column.size() > 3 ? column.left(column.size() - 3).toInt() : 1;
    const auto rate = row.rate(column);
    if (!rate || stored <= 0) return std::nullopt;
    // The stored rate itself: a document's lei are the bank's four decimals times the amount, to the ban.
    const double perUnit = *rate / stored;
    return Quote{column, letters, asked, perUnit * asked};
}

double RateBook::inBani(long double exactLei) {
    const long double h = exactLei * 100.0L;
    const long double whole = std::floor(h);
    // A decimal half (x,xx5) reaches here a hair off in binary: within a millionth of a ban it is a half.
    if (std::fabs(h - whole - 0.5L) < 1e-6L) return double((std::fmod(whole, 2.0L) == 0 ? whole : whole + 1) / 100.0L);
    return double(std::round(h) / 100.0L);
}
