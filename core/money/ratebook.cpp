#include "core/money/ratebook.h"

#include "core/store/rateyears.h"
#include "core/text/daytext.h"
#include "core/text/ratefield.h"
#include "core/update/bankcalendar.h"

#include <QRegularExpression>

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
    Day out{day, row->value(), local, expectedDay(date, rule)};
    if (out.isLate()) {
        // A weekday the bank was found to have published nothing for is no hole.
        const auto none = db.daysWithoutRates();
        if (!none) return R::failure(none);
        while (out.isLate() && none->value(out.expected).confirmed)
            out.expected = BankCalendar::bankingDaysBack(out.expected.addDays(-1), 0);
    }
    return out;
}

QDate RateBook::expectedDay(QDate date, Rule rule) {
    const QDate day = BankCalendar::bankingDaysBack(rule == Rule::Same ? date : date.addDays(-1), 0);
    // Before the bank's own files the calendar is no proof of which days it published.
    if (!day.isValid() || day.year() < RateYears::FirstFromBank) return {};
    return day;
}

QString RateBook::Day::lateText() const {
    if (!isLate()) return {};
    return QStringLiteral("lipseste cursul din %1").arg(DayText::shown(expected));
}

namespace {

// A code as a user or a list writes it: up to four digits of units (not 0), then three letters.
// Read by hand: a list asks it for every row.
struct CodeForm {
    int units = 1;
    QString letters;
};

std::optional<CodeForm> codeForm(const QString& code) {
    const QString c = code.trimmed();
    const qsizetype digits = c.size() - 3;
    if (digits < 0 || digits > 4) return std::nullopt;
    int units = 0;
    for (qsizetype i = 0; i < digits; ++i) {
        if (c[i] < u'0' || c[i] > u'9') return std::nullopt;
        units = units * 10 + (c[i].unicode() - u'0');
    }
    for (qsizetype i = digits; i < c.size(); ++i)
        if (!((c[i] >= u'A' && c[i] <= u'Z') || (c[i] >= u'a' && c[i] <= u'z'))) return std::nullopt;
    if (digits > 0 && units == 0) return std::nullopt;
    return CodeForm{digits > 0 ? units : 1, c.right(3).toUpper()};
}

} // namespace

bool RateBook::isCode(const QString& code) {
    return codeForm(code).has_value();
}

std::optional<RateBook::Quote> RateBook::quote(const StoredDay& row, const QString& code) {
    const auto form = codeForm(code);
    if (!form) return std::nullopt;
    const int asked = form->units;
    const QString& letters = form->letters;
    // The column of the block the bank quoted that day: the one that holds a rate.
    QString column;
    std::optional<Decimal> bank; // the bank's own figure
    for (const QString& c : RateField::columnsForCode(row.names, letters))
        if ((bank = row.decimal(c))) {
            column = c;
            break;
        }
    if (column.isEmpty()) return std::nullopt;
    const int stored = column.size() > 3 ? column.left(column.size() - 3).toInt() : 1;
    if (stored <= 0) return std::nullopt;
    // A block of a hundred per unit is the same digits two places on.
    const auto forAsked = bank->times(Decimal::whole(asked));
    const auto value = forAsked ? forAsked->dividedBy(Decimal::whole(stored), Decimal::kMaxScale) : std::nullopt;
    if (!value) return std::nullopt;
    return Quote{column, letters, asked, *value};
}

int RateBook::Quote::decimals() const {
    return column.size() > 3 && units < 100 ? 6 : 4;
}

QString RateBook::Quote::name() const {
    return units == 1 ? code : QString::number(units) + code;
}

QString RateBook::Quote::unitsText() const {
    return QStringLiteral("%1 %2").arg(units).arg(code);
}
