#include "core/access/accessimport.h"

#include "core/access/accessfile.h"
#include "core/access/accessreader.h"
#include "core/text/ratefield.h"

#include <QDir>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kPlaces = 4;
// Rates of a history: the bank's began in the 1990s; a date far from them is a damaged cell.
constexpr int kFirstYear = 1990, kLastYear = 2100;

// A rate as the report shows it: the bank's four places, whole old lei without any.
QString rateText(const Decimal& d) {
    return d.decimals() == 0 ? d.toString(u',') : d.fixed(kPlaces, u',');
}

QString dayText(QDate d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

// units x 2^exponent rounded to four places, ties to the even neighbour, from the exact binary value.
std::optional<Decimal> roundedBinary(quint64 units, int exponent, bool negative) {
    using U = unsigned __int128;
    const U scaled = U(units) * 10000u;
    U q = 0;
    if (exponent >= 0) {
        if (exponent > 40) return std::nullopt;
        q = scaled << exponent;
    } else if (const int k = -exponent; k < 120) {
        q = scaled >> k;
        const U rest = scaled - (q << k), half = U(1) << (k - 1);
        if (rest > half || (rest == half && (q & 1))) ++q;
    }
    return Decimal::of(negative ? -Decimal::Int(q) : Decimal::Int(q), kPlaces);
}

std::optional<Decimal> singleValue(quint32 bits) {
    const int e = int(bits >> 23 & 0xff);
    const quint64 fraction = bits & 0x7fffff;
    if (e == 0xff) return std::nullopt;
    return roundedBinary(e ? fraction | 1u << 23 : fraction, e ? e - 150 : -149, bits >> 31);
}

std::optional<Decimal> doubleValue(quint64 bits) {
    const int e = int(bits >> 52 & 0x7ff);
    const quint64 fraction = bits & ((quint64(1) << 52) - 1);
    if (e == 0x7ff) return std::nullopt;
    return roundedBinary(e ? fraction | quint64(1) << 52 : fraction, e ? e - 1075 : -1074, bits >> 63);
}

using PlannedDay = AccessImport::PlannedDay;
using PlannedRate = AccessImport::PlannedRate;

Decimal rateOfUnits(qint64 units) {
    return Decimal::of(units, kPlaces).value_or(Decimal());
}

// A rate the import keeps: at most nine whole digits and four places, so it fits ten-thousandths.
qint64 unitsOf(const Decimal& rate) {
    return rate.fixed(kPlaces).remove(u'.').toLongLong();
}

const PlannedRate* rateFor(const PlannedDay& day, quint16 code) {
    const auto at = std::lower_bound(day.rates.begin(), day.rates.end(), code,
                                     [](const PlannedRate& r, quint16 c) { return r.code < c; });
    return at != day.rates.end() && at->code == code ? &*at : nullptr;
}

class Planner {
public:
    Planner(AccessImport::Plan& plan, QDate today) : m_plan(plan), m_today(today) {}
    void table(const AccessTable& t);
    void finish();

private:
    struct Columns {
        int date = -1;
        std::vector<std::pair<int, quint16>> rates; // column index and currency
    };
    Columns columnsOf(const AccessTable& t);
    quint16 codeOf(const QString& code);
    void row(const std::vector<AccessCell>& cells, const Columns& c, quint32 yearIndex);
    void readRates(const std::vector<AccessCell>& cells, const Columns& c, AccessImport::Year& y, PlannedDay& p);
    void add(PlannedDay p);
    QString conflictText(const PlannedDay& first, const PlannedDay& p) const;
    // Rates ten times or more away from the same currency's days around them: a damaged cell, left out.
    void leaveOutStrayRates();
    void strayAlong(const std::vector<std::pair<size_t, qint64>>& line, quint16 code,
                    std::vector<std::pair<size_t, quint16>>& stray) const;

    AccessImport::Plan& m_plan;
    QDate m_today;
    std::vector<PlannedDay> m_days;
    QHash<qint64, size_t> m_byDay; // a day of either leu, as its Julian day and its leu
    QHash<QString, quint16> m_codes;
};

AccessImport::Year& yearAt(AccessImport::Plan& p, size_t i) {
    return p.report.years[i];
}

quint16 Planner::codeOf(const QString& code) {
    const auto known = m_codes.constFind(code);
    if (known != m_codes.cend()) return *known;
    m_plan.codes << code;
    return *m_codes.insert(code, quint16(m_plan.codes.size() - 1));
}

Planner::Columns Planner::columnsOf(const AccessTable& t) {
    Columns c;
    QStringList seen;
    for (qsizetype i = 0; i < t.columns.size(); ++i) {
        const AccessColumn& col = t.columns[i];
        if (col.name.compare(QStringLiteral("DATA"), Qt::CaseInsensitive) == 0 && c.date < 0) {
            if (col.type == AccessColumn::DateTime) c.date = int(i);
            continue;
        }
        const auto code = AccessImport::currencyCode(col.name);
        const bool number = col.holdsNumbers();
        if (!code || !number || seen.contains(*code, Qt::CaseInsensitive)) {
            m_plan.report.skipped << QStringLiteral("%1.%2: %3")
                                         .arg(t.name, col.name,
                                              !code    ? QStringLiteral("nu este o valuta, sarita")
                                              : number ? QStringLiteral("a doua coloana a valutei, sarita")
                                                       : QStringLiteral("nu tine numere, sarita"));
            continue;
        }
        seen << *code;
        c.rates.emplace_back(int(i), codeOf(*code));
    }
    // A table without a date column of dates is skipped and named; the file's other tables still come.
    if (c.date < 0) {
        m_plan.report.skipped << QStringLiteral("%1: nu are coloana DATA de tip data, tabel sarit").arg(t.name);
    }
    std::sort(c.rates.begin(), c.rates.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    return c;
}

// The row's rates into the day: empty cells counted, refused values and old-leu fractions named.
void Planner::readRates(const std::vector<AccessCell>& cells, const Columns& c, AccessImport::Year& y, PlannedDay& p) {
    for (const auto& [index, code] : c.rates) {
        const AccessImport::CellValue v = AccessImport::rateOf(cells[size_t(index)]);
        const QString& name = m_plan.codes[code];
        if (v.kind == AccessImport::CellValue::Kind::Empty) {
            ++y.emptyRates;
        } else if (v.kind == AccessImport::CellValue::Kind::Refused) {
            ++y.refused;
            y.notes << QStringLiteral("%1 %2: %3 nu este un curs, lasat gol").arg(dayText(p.date), name, v.shown);
        } else if (!p.newLeu && v.rate.decimals() > 0) {
            // The old leu's rates were whole lei: a fraction is a new-leu figure or a damaged cell.
            ++y.refused;
            y.notes << QStringLiteral("%1 %2: %3 nu este un curs in lei vechi (lei intregi), lasat gol")
                           .arg(dayText(p.date), name, rateText(v.rate));
        } else {
            p.rates.push_back({unitsOf(v.rate), code});
        }
    }
}

void Planner::row(const std::vector<AccessCell>& cells, const Columns& c, quint32 yearIndex) {
    AccessImport::Year& y = yearAt(m_plan, yearIndex);
    const auto moment = AccessImport::momentOf(cells[size_t(c.date)]);
    if (!moment) {
        ++y.refused;
        y.notes << QStringLiteral("un rand fara o data citibila: sarit");
        return;
    }
    PlannedDay p;
    p.year = yearIndex;
    p.newLeu = !y.name.suffix.isEmpty();
    p.date = moment->date();
    if (const QString why = AccessImport::implausibleDay(p.date, y.name, m_today); !why.isEmpty()) {
        ++y.refused;
        y.notes << QStringLiteral("%1: %2, zi lasata deoparte").arg(dayText(p.date), why);
        return;
    }
    readRates(cells, c, y, p);
    if (p.rates.empty()) {
        y.notes << QStringLiteral("%1: niciun curs, zi sarita").arg(dayText(p.date));
        return;
    }
    if (p.date.year() != y.name.year)
        y.notes << QStringLiteral("%1: zi din alt an, pusa in anul ei").arg(dayText(p.date));
    add(std::move(p));
}

QString Planner::conflictText(const PlannedDay& first, const PlannedDay& p) const {
    QStringList differ;
    for (const PlannedRate& r : p.rates) {
        const PlannedRate* had = rateFor(first, r.code);
        if (!had || had->units != r.units)
            differ << QStringLiteral("%1 %2 / %3")
                          .arg(m_plan.codes[r.code], had ? rateText(rateOfUnits(had->units)) : QStringLiteral("-"),
                               rateText(rateOfUnits(r.units)));
    }
    return differ.isEmpty() ? QStringLiteral("cursuri lipsa") : differ.join(QStringLiteral(", "));
}

// One day once: a second row of it with the same rates is the same day, with other rates a conflict.
void Planner::add(PlannedDay p) {
    const qint64 key = p.date.toJulianDay() * 2 + (p.newLeu ? 1 : 0);
    const auto known = m_byDay.constFind(key);
    if (known == m_byDay.cend()) {
        m_byDay.insert(key, m_days.size());
        m_days.push_back(std::move(p));
        return;
    }
    PlannedDay& first = m_days[*known];
    // A day in conflict counts once, however many rows repeat it.
    if (first.rates == p.rates || first.conflict) return;
    first.conflict = true;
    ++yearAt(m_plan, first.year).conflicts;
    if (p.year != first.year) ++yearAt(m_plan, p.year).conflicts;
    yearAt(m_plan, p.year).notes << QStringLiteral("%1: apare de doua ori cu alte cursuri (%2): neimportata")
                                        .arg(dayText(p.date), conflictText(first, p));
}

void Planner::table(const AccessTable& t) {
    const auto name = AccessImport::yearTable(t.name);
    if (!name) return;
    m_plan.report.years.push_back({});
    const auto index = quint32(m_plan.report.years.size() - 1);
    AccessImport::Year& y = m_plan.report.years.back();
    y.table = t.name;
    y.name = *name;
    y.rows = int(t.rows.size());
    if (!t.problem.isEmpty()) {
        y.problem = t.problem;
        y.rows = 0;
        return;
    }
    const Columns c = columnsOf(t);
    if (c.date < 0) {
        m_plan.report.years.pop_back(); // no year of the history: it is among the skipped tables
        return;
    }
    for (const auto& cells : t.rows)
        if (cells.size() == size_t(t.columns.size())) row(cells, c, index);
}

// Along one currency's days of one leu, a day's rate is judged against the middle one of the (up to)
// three days before and three after it, so one stray rate cannot taint its neighbours.
void Planner::strayAlong(const std::vector<std::pair<size_t, qint64>>& line, quint16 code,
                         std::vector<std::pair<size_t, quint16>>& stray) const {
    std::vector<qint64> around;
    for (size_t i = 0; i < line.size(); ++i) {
        around.clear();
        for (size_t j = i >= 3 ? i - 3 : 0; j < std::min(line.size(), i + 4); ++j)
            if (j != i) around.push_back(line[j].second);
        if (around.empty()) continue;
        std::sort(around.begin(), around.end());
        const qint64 middle = around[around.size() / 2], v = line[i].second;
        if (v >= middle * 10 || middle >= v * 10) stray.emplace_back(line[i].first, code);
    }
}

void Planner::leaveOutStrayRates() {
    // One currency of one leu at a time: the days are in order of leu and day.
    const auto newLeu =
        std::partition_point(m_days.begin(), m_days.end(), [](const PlannedDay& d) { return !d.newLeu; });
    const size_t split = size_t(newLeu - m_days.begin());
    std::vector<std::pair<size_t, quint16>> stray;
    std::vector<std::pair<size_t, qint64>> line;
    for (quint16 code = 0; code < quint16(m_plan.codes.size()); ++code) {
        for (const auto& [from, to] : {std::pair<size_t, size_t>{0, split}, {split, m_days.size()}}) {
            line.clear();
            for (size_t i = from; i < to; ++i)
                if (const PlannedRate* r = rateFor(m_days[i], code); r && !m_days[i].conflict)
                    line.emplace_back(i, r->units);
            strayAlong(line, code, stray);
        }
    }
    for (const auto& [i, code] : stray) {
        PlannedDay& p = m_days[i];
        AccessImport::Year& y = yearAt(m_plan, p.year);
        ++y.refused;
        y.notes << QStringLiteral("%1 %2: %3 este de zece ori sau mai mult fata de zilele din jur, lasat gol")
                       .arg(dayText(p.date), m_plan.codes[code], rateText(rateOfUnits(rateFor(p, code)->units)));
        p.rates.erase(p.rates.begin() + (rateFor(p, code) - p.rates.data()));
    }
}

void Planner::finish() {
    std::stable_sort(m_days.begin(), m_days.end(), [](const PlannedDay& a, const PlannedDay& b) {
        return a.newLeu != b.newLeu ? b.newLeu : a.date < b.date;
    });
    leaveOutStrayRates();
    for (PlannedDay& p : m_days) {
        if (p.conflict) continue;
        if (p.rates.empty()) {
            yearAt(m_plan, p.year).notes << QStringLiteral("%1: niciun curs ramas, zi sarita").arg(dayText(p.date));
            continue;
        }
        m_plan.days.push_back(std::move(p));
    }
    m_days = {};
    m_byDay = {};
}

QString countText(int n, const char* one, const char* many) {
    return n == 1 ? QStringLiteral("1 ") + QLatin1String(one) : QString::number(n) + u' ' + QLatin1String(many);
}

} // namespace

std::optional<AccessImport::TableName> AccessImport::yearTable(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^VALUTA(\\d{4})(RON)?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto m = pattern.match(name);
    if (!m.hasMatch()) return std::nullopt;
    const int year = m.captured(1).toInt();
    if (year < kFirstYear || year > kLastYear) return std::nullopt;
    return TableName{year, m.captured(2).isEmpty() ? QString() : QStringLiteral("RON")};
}

std::optional<QString> AccessImport::currencyCode(const QString& column) {
    static const QRegularExpression pattern(QStringLiteral("^(100)?[A-Z]{3}$"));
    if (!pattern.match(column).hasMatch() || !RateField::isColumnName(column)) return std::nullopt;
    return column;
}

namespace {

// The exact figure a cell holds, rounded once to the bank's places where it was stored in binary.
std::optional<Decimal> decimalOf(const AccessCell& cell) {
    switch (cell.kind) {
    case AccessCell::Kind::Single:
        return singleValue(quint32(cell.bits));
    case AccessCell::Kind::Double:
        return doubleValue(cell.bits);
    case AccessCell::Kind::Whole:
        return Decimal::of(Decimal::Int(qint64(cell.bits)), 0);
    case AccessCell::Kind::Money:
        return Decimal::of(Decimal::Int(qint64(cell.bits)), 4);
    case AccessCell::Kind::Text:
        if (auto t = Decimal::fromText(QString::fromLatin1(cell.text))) return t->rounded(kPlaces);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

AccessImport::CellValue AccessImport::rateOf(const AccessCell& cell) {
    CellValue v;
    if (cell.kind == AccessCell::Kind::Null) return v;
    const std::optional<Decimal> d = decimalOf(cell);
    v.kind = CellValue::Kind::Refused;
    if (!d) {
        v.shown = QStringLiteral("o valoare necitibila");
        return v;
    }
    v.shown = d->toString(u',');
    // Beyond any rate the bank or the old leu ever had: a damaged cell, not a figure.
    if (d->sign() <= 0 || d->wholeDigits() > 9) return v;
    v.kind = CellValue::Kind::Rate;
    v.rate = *d;
    return v;
}

std::optional<QDateTime> AccessImport::momentOf(const AccessCell& cell) {
    if (cell.kind != AccessCell::Kind::Double) return std::nullopt;
    double days;
    std::memcpy(&days, &cell.bits, sizeof days);
    // Days since 30 December 1899, the time of day as the fraction; to the nearest second.
    if (!std::isfinite(days) || days < 1 || days > 100000) return std::nullopt;
    // To the nearest millisecond: a time of day (23:59:59.6 too) is that day, and only the noise of
    // date arithmetic a hair before midnight is the midnight it meant.
    const qint64 ms = std::llround(days * 86400000.0);
    const QDate day = QDate(1899, 12, 30).addDays(ms / 86400000);
    if (day.year() < kFirstYear || day.year() > kLastYear) return std::nullopt;
    return QDateTime(day, QTime(0, 0).addSecs(int(ms % 86400000 / 1000)), Qt::UTC);
}

bool AccessImport::Report::complete() const {
    if (!skipped.isEmpty() || years.empty() || damaged) return false;
    // Year tables that hold no rate at all brought nothing over: no history came, whatever else held.
    const bool anyDay =
        std::any_of(years.cbegin(), years.cend(), [](const Year& y) { return y.imported > 0 || y.alreadyStored > 0; });
    if (!anyDay) return false;
    return std::all_of(years.cbegin(), years.cend(), [](const Year& y) {
        return y.problem.isEmpty() && y.conflicts == 0 && y.refused == 0 && y.lacking == 0;
    });
}

QString AccessImport::Report::noRateTablesText() const {
    return QStringLiteral("Fisierul %1 nu contine tabele de cursuri (VALUTAaaaa, VALUTAaaaaRON): istoricul nu a fost "
                          "schimbat.")
        .arg(QDir::toNativeSeparators(file));
}

int AccessImport::Report::importedDays() const {
    int n = 0;
    for (const Year& y : years)
        n += y.imported;
    return n;
}

QStringList AccessImport::Report::lines() const {
    QStringList out;
    for (const Year& y : years) {
        if (!y.problem.isEmpty()) {
            out << QStringLiteral("%1: nu poate fi citit (%2), nimic importat").arg(y.table, y.problem);
            continue;
        }
        if (y.rows == 0) {
            out << QStringLiteral("%1: gol, nimic de importat").arg(y.table);
            continue;
        }
        QString line =
            QStringLiteral("%1: %2").arg(y.table, damaged ? QStringLiteral("citit, dar neimportat")
                                                          : countText(y.imported, "zi importata", "zile importate"));
        if (y.alreadyStored) line += QStringLiteral(", %1 deja memorate").arg(y.alreadyStored);
        line += QStringLiteral(", %1, %2")
                    .arg(countText(y.conflicts, "conflict", "conflicte"),
                         countText(y.emptyRates, "curs gol", "cursuri goale"));
        if (y.refused) line += QStringLiteral(", %1").arg(countText(y.refused, "valoare respinsa", "valori respinse"));
        out << line;
        for (const QString& n : y.notes)
            out << QStringLiteral("  ") + n;
    }
    for (const QString& s : skipped)
        out << s;
    if (damaged) out << QStringLiteral("Fisierul este deteriorat: nicio zi din el nu a fost adusa.");
    return out;
}

QString AccessImport::implausibleDay(QDate day, const TableName& table, QDate today) {
    if (today.isValid() && day > today) return QStringLiteral("dupa ziua de azi");
    if (day.dayOfWeek() > 5) return QStringLiteral("zi de weekend, cand banca nu publica");
    // The earlier program filed a day by the date it fetched it on: the last days of December may
    // sit in the next year's table, the first of January in the year before's. A week either side
    // holds every such day (the bank's first day of a year comes by the 5th, after the holidays
    // and a weekend); anything farther is a damaged date.
    const QDate yearStart(table.year, 1, 1), yearEnd(table.year, 12, 31);
    if (day < yearStart.addDays(-kAcrossYearEnd) || day > yearEnd.addDays(kAcrossYearEnd))
        return QStringLiteral("zi departe de anul tabelului %1").arg(table.year);
    return {};
}

RateDb::MergeDay AccessImport::Plan::mergeDay(size_t i) const {
    const PlannedDay& p = days[i];
    RateDb::MergeDay m;
    m.suffix = p.newLeu ? QStringLiteral("RON") : QString();
    m.day.date = p.date;
    for (const PlannedRate& r : p.rates) {
        const QString text = rateOfUnits(r.units).toString();
        m.day.rates.push_back({codes[r.code], text, RateField::value(text).value_or(0)});
    }
    // In the bank's order, by the currency's letters ("100HUF" among the H's): a table the import
    // makes has its columns as the update makes them.
    std::sort(m.day.rates.begin(), m.day.rates.end(), [](const FeedRate& a, const FeedRate& b) {
        const int letters = a.column.right(3).compare(b.column.right(3));
        return letters != 0 ? letters < 0 : a.column < b.column;
    });
    return m;
}

AccessImport::Plan AccessImport::plan(const std::vector<AccessTable>& tables, QDate today) {
    Plan p;
    Planner planner(p, today);
    for (const AccessTable& t : tables)
        planner.table(t);
    planner.finish();
    return p;
}

namespace {

// The tables to read, and the others named as skipped; the list of main currencies is the program's own.
QStringList yearTablesOf(const AccessDump& listing, QStringList& skipped) {
    QStringList years;
    for (const AccessTable& t : listing.tables) {
        if (AccessImport::yearTable(t.name))
            years << t.name;
        else if (t.name.compare(QStringLiteral("principale"), Qt::CaseInsensitive) != 0)
            skipped << QStringLiteral("%1: nu este un tabel de cursuri al unui an, sarit").arg(t.name);
    }
    return years;
}

// The year tables in runs of the reader of about kCellsPerRead cells each, by the counts the file declares.
// A count that lies costs at most one run's output, which the reader bounds.
std::vector<QStringList> batchesOf(const AccessDump& listing, const QStringList& years) {
    constexpr qint64 kCellsPerRead = 400000;
    std::vector<QStringList> batches;
    qint64 cells = 0;
    for (const QString& name : years) {
        const AccessTable* t = listing.table(name);
        const qint64 size = t ? std::max<qint64>(1, t->declaredRows) * std::max<qint64>(1, t->columns.size()) : 1;
        if (batches.empty() || cells + size > kCellsPerRead) {
            batches.emplace_back();
            cells = 0;
        }
        batches.back() << name;
        cells += size;
    }
    return batches;
}

// What the history made of each day, counted in its table's line.
void countFates(AccessImport::Plan& p, const std::vector<RateDb::Merged>& fates) {
    QHash<size_t, QSet<QString>> lackingByYear;
    for (size_t i = 0; i < fates.size(); ++i) {
        AccessImport::Year& y = p.report.years[p.days[i].year];
        const RateDb::Merged& m = fates[i];
        switch (m.fate) {
        case RateDb::Merged::Fate::Stored:
            ++y.imported;
            break;
        case RateDb::Merged::Fate::AlreadyStored:
            ++y.alreadyStored;
            break;
        case RateDb::Merged::Fate::Differs:
            ++y.conflicts;
            y.notes << QStringLiteral("%1: %2 altfel decat in istoric, ziua lasata cum era")
                           .arg(dayText(p.days[i].date), m.columns.join(QStringLiteral(", ")));
            break;
        case RateDb::Merged::Fate::Lacking:
            ++y.lacking;
            for (const QString& c : m.columns)
                lackingByYear[p.days[i].year].insert(c);
            break;
        }
    }
    for (auto it = lackingByYear.cbegin(); it != lackingByYear.cend(); ++it) {
        QStringList codes(it.value().cbegin(), it.value().cend());
        codes.sort();
        AccessImport::Year& y = p.report.years[it.key()];
        y.notes << QStringLiteral("%1 zile din istoric nu au %2 din fisier: lasate cum erau")
                       .arg(y.lacking)
                       .arg(codes.join(QStringLiteral(", ")));
    }
}

} // namespace

namespace {

// Reads the year tables a batch at a time and keeps only the days each brings: the cells of a whole
// file never sit in memory at once.
Status planFrom(const AccessReader& reader, const QString& file, const std::vector<QStringList>& batches,
                AccessImport::Plan& p, QDate today, const std::function<void(int, int, const QString&)>& step) {
    Planner planner(p, today);
    qsizetype tables = 0, read = 0;
    for (const QStringList& batch : batches)
        tables += batch.size();
    for (size_t i = 0; i < batches.size(); ++i) {
        read += batches[i].size();
        step(int(i) + 1, int(batches.size()) + 2,
             QStringLiteral("Se citesc tabelele de cursuri (%1 din %2)...").arg(read).arg(tables));
        const auto dump = reader.read(file, batches[i]);
        if (!dump) return Status::failure(dump);
        for (const AccessTable& t : dump->tables)
            planner.table(t);
    }
    planner.finish();
    // A file with a table that cannot be read whole is damaged: none of its days is taken.
    p.report.damaged = std::any_of(p.report.years.cbegin(), p.report.years.cend(),
                                   [](const AccessImport::Year& y) { return !y.problem.isEmpty(); });
    return succeeded();
}

// Why the file is not even read: it is not there, or it is no Access file.
Status notAccess(const QString& shown, AccessFile::Kind kind) {
    if (kind == AccessFile::Kind::Missing)
        return Status::failure(QStringLiteral("Fisierul %1 nu exista.").arg(shown), Cause::DbMissing);
    if (!AccessFile::isAccess(kind))
        return Status::failure(QStringLiteral("Fisierul %1 nu este o baza de date Access.").arg(shown),
                               Cause::DbDamaged);
    return succeeded();
}

// What the user hears when the file's tables could not be read.
Status readerFailure(const QString& shown, const Status& failed) {
    // Stopped by the user: nothing is wrong with the file, and nothing was written.
    if (failed.cause() == Cause::Stopped)
        return Status::failure(
            QStringLiteral("Aducerea istoricului din %1 a fost oprita; istoricul nu a fost schimbat.").arg(shown),
            Cause::Stopped);
    // The reader's own trouble (it is missing, or cannot start) is said in its own words, not blamed on the file.
    const QString why = failed.error().endsWith(u'.') ? failed.error().chopped(1) : failed.error();
    if (failed.cause() == Cause::Other) return Status::failure(why + u'.', Cause::Other);
    // The program's own bounds are said as such: the file may be sound.
    if (failed.cause() == Cause::OutOfRange)
        return Status::failure(
            QStringLiteral("Fisierul %1 nu a fost adus: %2; istoricul nu a fost schimbat.").arg(shown, why),
            Cause::OutOfRange);
    return Status::failure(QStringLiteral("Fisierul %1 nu poate fi citit: %2.").arg(shown, why), failed.cause());
}

} // namespace

Outcome<AccessImport::Report> AccessImport::run(const QString& accessFile, const QString& dbPath,
                                                const Options& options) {
    using R = Outcome<Report>;
    const QString shown = QDir::toNativeSeparators(accessFile);
    const AccessFile::Kind kind = AccessFile::kind(accessFile);
    if (Status refused = notAccess(shown, kind); !refused) return R::failure(refused);
    RateDb db(dbPath);
    if (!db.isOpen()) return R::failure(db.openError(), db.openCause());
    // The history is checked before anything is written into it, as the update checks it, in the same words.
    if (Status sound = db.check(); !sound) return R::failure(sound);
    const auto step = [&](int at, int total, const QString& text) {
        if (options.progress) options.progress(at, total, text);
    };
    const auto unreadable = [&](const auto& failed) { return R::failure(readerFailure(shown, failed)); };
    const AccessReader reader(options.helper, options.keepGoing);
    step(0, 1, QStringLiteral("Se citeste lista tabelelor..."));
    const auto listing = reader.tables(accessFile);
    if (!listing) return unreadable(Status::failure(listing));
    QStringList skipped;
    const std::vector<QStringList> batches = batchesOf(*listing, yearTablesOf(*listing, skipped));
    const int steps = int(batches.size()) + 2;
    Plan p;
    if (Status read = planFrom(reader, accessFile, batches, p, options.today, step); !read) return unreadable(read);
    p.report.file = accessFile;
    p.report.version = AccessFile::versionText(kind);
    p.report.skipped = skipped + p.report.skipped;
    step(steps - 1, steps, QStringLiteral("Se scriu %1 zile in istoric...").arg(p.days.size()));
    if (p.days.empty() || p.report.damaged) return p.report;
    const auto fates = db.mergeDays(p.days.size(), [&p](size_t i) { return p.mergeDay(i); });
    if (!fates) return R::failure(fates);
    countFates(p, *fates);
    step(steps, steps, QString());
    return p.report;
}
