#include "core/update/historycheck.h"

#include "core/feed/feedparser.h"
#include "core/store/ratebackup.h"
#include "core/text/daytext.h"
#include "core/text/numbertext.h"
#include "core/update/bankcalendar.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cmath>
#include <future>
#include <map>

namespace {

QString dayText(QDate d) {
    return DayText::shown(d);
}

// Equal at the bank's precision: its four decimals, or more where it wrote more.
bool sameRate(double stored, const FeedRate& rate) {
    // The bank's figure read as a double and the stored double alike are the same decimal wherever the
    // figure has at most fifteen digits and six places (every rate the bank writes): no decimal is built.
    const qsizetype point = rate.text.indexOf(u'.');
    if (rate.value > 0 && stored == rate.value && rate.text.size() <= 15 &&
        (point < 0 || rate.text.size() - point - 1 <= 6))
        return true;
    const QString& bankText = rate.text;
    const auto bank = Decimal::fromText(bankText);
    const auto kept = storedDecimal(stored);
    if (!bank || !kept) return false;
    const int decimals = std::max(4, bank->decimals());
    return kept->rounded(decimals) == bank->rounded(decimals);
}

QString counted(int n, const char* one, const char* many) {
    return n == 1 ? QString::fromLatin1(one) : QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(many));
}

} // namespace

HistoryCheck::HistoryCheck(QString dbPath, FeedClient& client) : m_dbPath(std::move(dbPath)), m_client(client) {}

void HistoryCheck::stop() {
    m_client.stop();
}

QString HistoryCheck::kindName(Finding::Kind kind) {
    switch (kind) {
    case Finding::Kind::MissingDay:
        return QStringLiteral("zi lipsa");
    case Finding::Kind::ExtraDay:
        return QStringLiteral("zi in plus");
    case Finding::Kind::Differs:
        return QStringLiteral("valoare diferita");
    case Finding::Kind::EmptyRate:
        return QStringLiteral("curs gol");
    case Finding::Kind::NoColumn:
        return QStringLiteral("valuta fara coloana");
    }
    return {};
}

QString HistoryCheck::findingText(const Finding& f) {
    switch (f.kind) {
    case Finding::Kind::MissingDay:
        return QStringLiteral("%1: zi lipsa (banca are %2 cursuri)").arg(dayText(f.day)).arg(f.bankDay.rates.size());
    case Finding::Kind::ExtraDay:
        return QStringLiteral("%1: zi memorata pe care banca nu o are").arg(dayText(f.day));
    case Finding::Kind::Differs:
        return QStringLiteral("%1 %2: memorat %3, banca %4")
            .arg(dayText(f.day), f.currency, NumberText::rate(f.stored.value_or(0)),
                 QString(f.bank).replace(u'.', u','));
    case Finding::Kind::EmptyRate:
        return QStringLiteral("%1 %2: gol, banca %3")
            .arg(dayText(f.day), f.currency, QString(f.bank).replace(u'.', u','));
    case Finding::Kind::NoColumn:
        return QStringLiteral("%1: valuta fara coloana in tabel (banca o are in %2 zile)")
            .arg(f.currency)
            .arg(f.values.size());
    }
    return {};
}

QString HistoryCheck::Year::summary() const {
    if (state == State::OldLeu)
        return QStringLiteral("%1: nu poate fi verificat: este in lei vechi (tabel fara RON), iar banca nu publica "
                              "fisiere anuale dinainte de %2")
            .arg(year)
            .arg(RateYears::FirstFromBank);
    if (state == State::NotChecked) return QStringLiteral("%1: neverificat (%2)").arg(year).arg(why);
    if (state == State::Unproven) return QStringLiteral("%1: nu poate fi verificat: %2").arg(year).arg(why);
    QHash<Finding::Kind, int> n;
    for (const Finding& f : findings)
        ++n[f.kind];
    if (findings.empty()) return QStringLiteral("%1: %2 zile, toate egale").arg(year).arg(days);
    using K = Finding::Kind;
    QStringList parts;
    if (n[K::MissingDay]) parts << counted(n[K::MissingDay], "1 zi lipsa", "zile lipsa");
    if (n[K::ExtraDay]) parts << counted(n[K::ExtraDay], "1 zi in plus", "zile in plus");
    if (n[K::Differs]) parts << counted(n[K::Differs], "1 valoare diferita", "valori diferite");
    if (n[K::EmptyRate]) parts << counted(n[K::EmptyRate], "1 curs gol", "cursuri goale");
    if (n[K::NoColumn]) parts << counted(n[K::NoColumn], "1 valuta fara coloana", "valute fara coloana");
    return QStringLiteral("%1: %2").arg(year).arg(parts.join(QStringLiteral(", ")));
}

bool HistoryCheck::Report::equal() const {
    if (stopped) return false;
    for (const Year& y : years)
        if (y.state != Year::State::Checked || !y.findings.empty()) return false;
    return true;
}

int HistoryCheck::Report::changes() const {
    int n = 0;
    for (const Year& y : years)
        n += int(y.findings.size());
    return n;
}

QString HistoryCheck::Report::text() const {
    QStringList lines;
    for (const Year& y : years) {
        lines << y.summary();
        for (const Finding& f : y.findings)
            lines << QStringLiteral("    ") + findingText(f);
        for (const QString& n : y.notes)
            lines << QStringLiteral("    ") + n;
    }
    if (stopped) lines << QStringLiteral("Verificarea a fost oprita inainte de sfarsit.");
    if (daysWithoutRates > 0)
        lines << QStringLiteral("Zile inregistrate ca fara curs: %1 (%2 confirmate); zorvel --days-without-rates le "
                                "arata, --clear le sterge.")
                     .arg(daysWithoutRates)
                     .arg(daysWithoutRatesConfirmed);
    return lines.join(u'\n');
}

QString HistoryCheck::Report::repairSummary() const {
    int add = 0, set = 0;
    for (const Year& y : years)
        for (const Finding& f : y.findings) {
            if (f.kind == Finding::Kind::MissingDay)
                ++add;
            else if (f.kind != Finding::Kind::ExtraDay)
                set += f.kind == Finding::Kind::NoColumn ? int(f.values.size()) : 1;
        }
    QStringList parts;
    if (add)
        parts << (add == 1 ? QStringLiteral("se va adauga o zi") : QStringLiteral("se vor adauga %1 zile").arg(add));
    if (set)
        parts << (set == 1 ? QStringLiteral("se va corecta un curs")
                           : QStringLiteral("se vor corecta %1 cursuri").arg(set));
    // Every day that would go is named: the user confirms days, not a count.
    QStringList gone;
    for (const QDate& d : deletions(*this))
        gone << dayText(d);
    if (!gone.isEmpty())
        parts << (gone.size() == 1 ? QStringLiteral("se va sterge ziua %1").arg(gone.front())
                                   : QStringLiteral("se vor sterge zilele %1").arg(gone.join(QStringLiteral(", "))));
    QString text = parts.join(QStringLiteral(", "));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text + QStringLiteral(", ca in fisierele bancii. Inainte se face o copie a bazei de cursuri.");
}

QList<QDate> HistoryCheck::deletions(const Report& report) {
    QList<QDate> out;
    for (const Year& y : report.years)
        for (const Finding& f : y.findings)
            if (f.kind == Finding::Kind::ExtraDay) out << f.day;
    std::sort(out.begin(), out.end());
    return out;
}

Outcome<QList<int>> HistoryCheck::storedYears() {
    RateDb db(m_dbPath);
    auto tables = db.isOpen() ? db.yearTables() : Outcome<QMap<int, bool>>::failure(db.openError(), db.openCause());
    if (!tables) return Outcome<QList<int>>::failure(tables);
    QList<int> years;
    for (auto it = tables->cbegin(); it != tables->cend(); ++it)
        if (it.key() >= RateYears::FirstFromBank) years << it.key();
    return years;
}

namespace {

// How many days the record of days without rates holds, and of them confirmed, for the report's last line.
Status countRecord(RateDb& db, HistoryCheck::Report& report) {
    const auto record = db.daysWithoutRates();
    if (!record) return Status::failure(record);
    report.daysWithoutRates = int(record->size());
    for (const RateDb::NoRatesDay& d : *record)
        report.daysWithoutRatesConfirmed += d.confirmed ? 1 : 0;
    return succeeded();
}

} // namespace

namespace {

// Tables of the old leu, and years before the new leu, have no file at the bank.
bool hasBankFile(int year, const QMap<int, bool>& tables) {
    return year >= RateYears::FirstFromBank && !(tables.contains(year) && !tables.value(year));
}

} // namespace

void HistoryCheck::fetchAhead(const QList<int>& asked, qsizetype from, const QMap<int, bool>& tables,
                              std::map<int, std::future<Parsed>>& fetched) {
    QStringList paths;
    QList<int> which;
    for (qsizetype j = from; j < asked.size() && which.size() < kFilesAtOnce; ++j)
        if (hasBankFile(asked[j], tables)) {
            paths << FeedClient::yearPath(asked[j]);
            which << asked[j];
        }
    auto files = m_client.getMany(paths, kFilesAtOnce);
    // Each file is read on another core as soon as it is here, while the year before it is compared.
    for (qsizetype j = 0; j < which.size(); ++j)
        fetched.insert_or_assign(which[j], std::async(std::launch::async, [file = std::move(files[size_t(j)])] {
                                     return Parsed{file, file ? FeedParser::days(*file) : Days::failure(file)};
                                 }));
}

HistoryCheck::Parsed HistoryCheck::parsedYear(const QList<int>& asked, qsizetype at, const QMap<int, bool>& tables,
                                              std::map<int, std::future<Parsed>>& fetched) {
    const int year = asked.at(at);
    if (fetched.find(year) == fetched.end()) fetchAhead(asked, at, tables, fetched);
    const auto it = fetched.find(year);
    Parsed parsed = it->second.get();
    fetched.erase(it);
    return parsed;
}

Outcome<HistoryCheck::Report> HistoryCheck::run(const QList<int>& years, const ProgressFn& progress) {
    using R = Outcome<Report>;
    m_client.reset();
    const auto asked = years.isEmpty() ? storedYears() : Outcome<QList<int>>(years);
    if (!asked) return R::failure(asked);
    RateDb db(m_dbPath);
    auto tables = db.yearTables(); // says why when the file cannot be opened
    if (!tables) return R::failure(tables);
    Report report;
    if (Status counted = countRecord(db, report); !counted) return R::failure(counted);
    // The yearly files come a few at once, each asked for just before its year is checked.
    std::map<int, std::future<Parsed>> fetched;
    for (qsizetype i = 0; i < asked->size(); ++i) {
        const int year = asked->at(i);
        if (progress && !progress({year, int(i), int(asked->size())})) m_client.stop();
        if (m_client.stopped()) {
            report.stopped = true;
            break;
        }
        if (!hasBankFile(year, *tables)) {
            report.years.push_back({year, Year::State::OldLeu, {}, 0, {}});
            continue;
        }
        ++report.requests;
        Parsed parsed = parsedYear(*asked, i, *tables, fetched);
        if (!parsed.file && parsed.file.cause() == Cause::Stopped) {
            report.stopped = true;
            break;
        }
        auto checked = checkYear(year, parsed.file, std::move(parsed.days), db);
        if (!checked) return R::failure(checked);
        report.years.push_back(std::move(*checked));
    }
    return report;
}

namespace {

using Finding = HistoryCheck::Finding;

// One day the bank gave and the history holds: rate by rate.
void compareDay(const FeedDay& day, const QVariantList& row, const QHash<QString, int>& columnAt,
                std::vector<Finding>& findings, QMap<QString, Finding>& noColumn) {
    for (const FeedRate& e : day.rates) {
        // The bank writes its codes in capitals, as the columns are kept: the plain lookup finds them.
        int c = columnAt.value(e.column, -1);
        if (c < 0) c = columnAt.value(e.column.toUpper(), -1);
        if (c < 0) {
            Finding& f = noColumn[e.column];
            f.kind = Finding::Kind::NoColumn;
            f.currency = e.column;
            f.values.emplace_back(day.date, e.text.toDouble());
            continue;
        }
        const std::optional<double> v = storedValue(row.value(c));
        if (!v) {
            findings.push_back({Finding::Kind::EmptyRate, day.date, e.column, {}, e.text, {}, {}});
        } else if (!sameRate(*v, e)) {
            findings.push_back({Finding::Kind::Differs, day.date, e.column, *v, e.text, {}, {}});
        }
    }
}

// The bank's year against the stored one; a closed year's file denies every stored day it lacks.
void compareYear(HistoryCheck::Year& out, std::vector<FeedDay>& bank, const StoredRows& stored, bool closed) {
    QHash<QString, int> columnAt;
    for (int c = 0; c < stored.names.size(); ++c)
        columnAt.insert(stored.names[c].toUpper(), c);
    QHash<QDate, const QVariantList*> rowOf;
    for (const QVariantList& row : stored.rows) {
        const QDate d = QDate::fromString(row.value(0).toString().left(10), Qt::ISODate);
        rowOf.insert(d, &row);
    }
    QSet<QDate> listed;
    QDate last;
    QMap<QString, Finding> noColumn;
    for (FeedDay& day : bank) {
        if (day.date.year() != out.year || listed.contains(day.date)) continue;
        listed.insert(day.date);
        last = std::max(last, day.date);
        ++out.days;
        if (const QVariantList* row = rowOf.value(day.date))
            compareDay(day, *row, columnAt, out.findings, noColumn);
        else
            out.findings.push_back({Finding::Kind::MissingDay, day.date, {}, {}, {}, std::move(day), {}});
    }
    // The current year's file runs to the day before: later stored days are not the bank's to deny.
    for (auto it = rowOf.cbegin(); it != rowOf.cend(); ++it)
        if (it.key().isValid() && !listed.contains(it.key()) && (closed || it.key() <= last))
            out.findings.push_back({Finding::Kind::ExtraDay, it.key(), {}, {}, {}, {}, {}});
    for (Finding& f : noColumn)
        out.findings.push_back(std::move(f));
    std::stable_sort(out.findings.begin(), out.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.day < b.day; });
}

} // namespace

namespace {

// Whether a yearly file is evidence for its year: its days are that year's, and it runs from
// the year's first banking days to its last ones (the current year's to within a few banking
// days of today), without more holes than a holiday the calendar does not know. A file that
// is not says why; nothing is judged on its word.
// The year's days a file holds that could be rate days, and how many days of other years it holds.
QSet<QDate> daysOfYear(int year, const std::vector<FeedDay>& bank, int* foreign) {
    QSet<QDate> days;
    *foreign = 0;
    for (const FeedDay& d : bank) {
        if (d.date.year() != year)
            ++*foreign;
        else if (BankCalendar::isBankingDay(d.date) || BankCalendar::isHoliday(d.date))
            days.insert(d.date);
    }
    return days;
}

int holesBetween(QDate first, QDate last, const QSet<QDate>& days) {
    int holes = 0;
    for (QDate d = first; d <= last; d = d.addDays(1))
        if (BankCalendar::isBankingDay(d) && !days.contains(d)) ++holes;
    return holes;
}

QString notEvidence(int year, const std::vector<FeedDay>& bank, QDate today) {
    constexpr int kSlackDays = 3; // banking days a file may start late or stop early
    constexpr int kUnknownHolidays = 5;
    int foreign = 0;
    const QSet<QDate> days = daysOfYear(year, bank, &foreign);
    if (foreign > 0)
        return QStringLiteral("fisierul bancii are %1 zile din alt an; nu este fisierul anului %2")
            .arg(foreign)
            .arg(year);
    if (days.isEmpty()) return QStringLiteral("fisierul bancii nu are nicio zi a anului %1").arg(year);
    const QDate first = *std::min_element(days.cbegin(), days.cend());
    const QDate last = *std::max_element(days.cbegin(), days.cend());
    const QDate end = year < today.year() ? QDate(year, 12, 31) : today.addDays(-1);
    if (first > BankCalendar::bankingDaysForward(QDate(year, 1, 1), kSlackDays))
        return QStringLiteral("fisierul bancii incepe abia la %1").arg(dayText(first));
    if (last < BankCalendar::bankingDaysBack(end, kSlackDays))
        return QStringLiteral("fisierul bancii se opreste la %1, trebuia sa ajunga la %2")
            .arg(dayText(last), dayText(BankCalendar::bankingDaysBack(end, 0)));
    if (const int holes = holesBetween(first, last, days); holes > kUnknownHolidays)
        return QStringLiteral("fisierului bancii ii lipsesc %1 zile bancare intre %2 si %3")
            .arg(holes)
            .arg(dayText(first), dayText(last));
    return {};
}

// Days of a bank's file that are no rate days (a weekend) are left out and named; a holiday the
// bank published is kept, the calendar being the one in doubt, and named too.
void leaveOutWeekends(std::vector<FeedDay>& bank, QStringList& notes) {
    std::vector<FeedDay> kept;
    kept.reserve(bank.size());
    for (FeedDay& d : bank) {
        if (d.date.dayOfWeek() >= 6) {
            notes << QStringLiteral("%1: zi de weekend in fisierul bancii, lasata deoparte").arg(dayText(d.date));
            continue;
        }
        if (BankCalendar::isHoliday(d.date))
            notes << QStringLiteral("%1: sarbatoare legala dupa calendar, dar banca are curs").arg(dayText(d.date));
        kept.push_back(std::move(d));
    }
    bank = std::move(kept);
}

} // namespace

namespace {

// The year's stored rows; the days of other years its table holds are named in the notes.
Outcome<StoredRows> storedYear(RateDb& db, int year, QStringList& notes) {
    auto has = db.hasTable(QStringLiteral("valuta%1ron").arg(year));
    if (!has) return Outcome<StoredRows>::failure(has);
    if (!*has) return StoredRows{};
    auto table = db.yearTable(QString::number(year), QStringLiteral("RON"), true);
    if (!table) return table;
    const auto others = db.otherYearsDays(year);
    if (!others) return Outcome<StoredRows>::failure(others);
    for (QDate d : *others)
        notes << QStringLiteral("%1: rand din alt an in tabelul anului %2, lasat neschimbat")
                     .arg(d.isValid() ? dayText(d) : QStringLiteral("data ilizibila"))
                     .arg(year);
    return table;
}

// Stored days no file of the bank is needed to deny, whatever the bank's files say or lack: a day of a
// year still to come, or a weekend day. A repair takes them out, as any day the bank did not publish. A
// later day of this year is left to the bank's file: a computer's clock set back must not cost real days.
void denyImpossibleDays(HistoryCheck::Year& out, const StoredRows& stored, QDate today) {
    QSet<QDate> named;
    for (const HistoryCheck::Finding& f : out.findings)
        if (f.kind == HistoryCheck::Finding::Kind::ExtraDay) named.insert(f.day);
    for (const QVariantList& row : stored.rows) {
        const QDate d = QDate::fromString(row.value(0).toString().left(10), Qt::ISODate);
        if (d.isValid() && (d.year() > today.year() || d.dayOfWeek() > 5) && !named.contains(d))
            out.findings.push_back({HistoryCheck::Finding::Kind::ExtraDay, d, {}, {}, {}, {}, {}});
    }
    std::stable_sort(out.findings.begin(), out.findings.end(),
                     [](const HistoryCheck::Finding& a, const HistoryCheck::Finding& b) { return a.day < b.day; });
}

} // namespace

Outcome<HistoryCheck::Year> HistoryCheck::checkYear(int year, const Outcome<QByteArray>& file, Days bank, RateDb& db) {
    Year out{year, Year::State::NotChecked, {}, 0, {}};
    auto stored = storedYear(db, year, out.notes);
    if (!stored) return Outcome<Year>::failure(stored);
    if (!file) {
        out.why = file.cause() == Cause::WebPage ? QStringLiteral("a venit o pagina web de la %1").arg(file.error())
                                                 : file.error();
    } else if (!bank) {
        out.why = QStringLiteral("fisierul bancii nu poate fi citit: %1").arg(bank.error());
    } else if (const QString why = notEvidence(year, *bank, m_today); !why.isEmpty()) {
        out.state = Year::State::Unproven;
        out.why = why;
    } else {
        leaveOutWeekends(*bank, out.notes);
        out.state = Year::State::Checked;
        compareYear(out, *bank, *stored, year < m_today.year());
    }
    denyImpossibleDays(out, *stored, m_today);
    return out;
}

Outcome<QString> HistoryCheck::repair(const Report& report) {
    using R = Outcome<QString>;
    std::vector<RateDb::Change> changes;
    for (const Year& y : report.years)
        for (const Finding& f : y.findings) {
            using K = Finding::Kind;
            using C = RateDb::Change::Kind;
            if (f.kind == K::MissingDay) changes.push_back({C::Insert, f.bankDay, f.day, {}, 0});
            if (f.kind == K::ExtraDay) changes.push_back({C::Delete, {}, f.day, {}, 0});
            if (f.kind == K::Differs || f.kind == K::EmptyRate)
                changes.push_back({C::Set, {}, f.day, f.currency, f.bank.toDouble()});
            if (f.kind == K::NoColumn)
                for (const auto& [day, value] : f.values)
                    changes.push_back({C::Set, {}, day, f.currency, value});
        }
    if (changes.empty()) return QString();
    const auto copy = RateBackup::make(m_dbPath);
    if (!copy) return R::failure(copy.error() + QStringLiteral(" Nu s-a schimbat nimic."), Cause::DbReadOnly);
    RateDb db(m_dbPath);
    if (!db.isOpen()) return R::failure(db.openError(), db.openCause());
    if (Status s = db.applyChanges(changes); !s) return R::failure(s);
    return *copy;
}
