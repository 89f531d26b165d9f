// --verify: the history against the bank's yearly files, and --repair.
#include "cli/clishared.h"
#include "core/feed/feedclient.h"
#include "core/store/rateyears.h"
#include "core/update/historycheck.h"

#include <QJsonArray>

namespace Cli {

namespace {

QString stateName(HistoryCheck::Year::State state) {
    switch (state) {
    case HistoryCheck::Year::State::Checked:
        return QStringLiteral("verificat");
    case HistoryCheck::Year::State::NotChecked:
        return QStringLiteral("neverificat");
    case HistoryCheck::Year::State::Unproven:
        return QStringLiteral("fara dovada");
    case HistoryCheck::Year::State::OldLeu:
        return QStringLiteral("lei vechi");
    }
    return {};
}

// The stored value as the bank writes its own: four places, or more where it wrote more.
QString stored(const HistoryCheck::Finding& f) {
    const auto d = f.stored ? storedDecimal(*f.stored) : std::nullopt;
    return d ? figure(*d, std::max(4, d->decimals())) : QString();
}

QJsonObject findingJson(const HistoryCheck::Finding& f) {
    QJsonObject o{{"kind", HistoryCheck::kindName(f.kind)}, {"text", HistoryCheck::findingText(f)}};
    if (f.day.isValid()) o.insert(QStringLiteral("date"), f.day.toString(Qt::ISODate));
    if (!f.currency.isEmpty()) o.insert(QStringLiteral("currency"), f.currency);
    if (f.stored)
        if (const auto d = storedDecimal(*f.stored)) o.insert(QStringLiteral("stored"), number(*d));
    if (const auto d = Decimal::fromText(f.bank)) o.insert(QStringLiteral("bank"), number(*d));
    if (f.kind == HistoryCheck::Finding::Kind::NoColumn) o.insert(QStringLiteral("days"), int(f.values.size()));
    return o;
}

void printVerify(const HistoryCheck::Report& report, Format format, QTextStream& out) {
    if (format == Format::Text) {
        out << report.text() << Qt::endl;
        return;
    }
    if (format == Format::Csv) {
        QList<QStringList> rows;
        for (const HistoryCheck::Year& y : report.years) {
            const QString year = QString::number(y.year);
            if (y.findings.empty()) rows.append({year, stateName(y.state), {}, {}, {}, {}, {}, y.summary()});
            for (const HistoryCheck::Finding& f : y.findings)
                rows.append({year, stateName(y.state), f.day.toString(Qt::ISODate), HistoryCheck::kindName(f.kind),
                             f.currency, stored(f), QString(f.bank).replace(u'.', u','), HistoryCheck::findingText(f)});
        }
        out << csv({QStringLiteral("an"), QStringLiteral("stare"), QStringLiteral("data"), QStringLiteral("tip"),
                    QStringLiteral("valuta"), QStringLiteral("memorat"), QStringLiteral("banca"),
                    QStringLiteral("text")},
                   rows)
            << Qt::flush;
        return;
    }
    QJsonArray years;
    for (const HistoryCheck::Year& y : report.years) {
        QJsonArray findings;
        for (const HistoryCheck::Finding& f : y.findings)
            findings << findingJson(f);
        years << QJsonObject{{"year", y.year},
                             {"state", stateName(y.state)},
                             {"days", y.days},
                             {"summary", y.summary()},
                             {"findings", findings}};
    }
    out << json({{"equal", report.equal()}, {"stopped", report.stopped}, {"years", years}}) << Qt::endl;
}

// Years as asked: one, a span, or none for every stored year; a year out of range is wrong use.
Outcome<QList<int>> verifyYears(const Request& r, const Context& c) {
    using R = Outcome<QList<int>>;
    const auto year = [&](const char* name, int fallback) -> std::optional<int> {
        if (!r.parser.isSet(QLatin1String(name))) return fallback;
        bool ok = false;
        const int y = r.parser.value(QLatin1String(name)).toInt(&ok);
        if (!ok || y < RateYears::First || y > c.today.year()) return std::nullopt;
        return y;
    };
    const bool one = r.parser.isSet(QStringLiteral("year"));
    const bool span = r.parser.isSet(QStringLiteral("from")) || r.parser.isSet(QStringLiteral("to"));
    if (one && span) return R::failure(QStringLiteral("--year nu merge impreuna cu --from si --to."));
    const auto from = year(one ? "year" : "from", RateYears::FirstFromBank);
    const auto to = year(one ? "year" : "to", c.today.year());
    if (!from || !to || *from > *to)
        return R::failure(QStringLiteral("an invalid (intre %1 si %2, --from inainte de --to)")
                              .arg(RateYears::First)
                              .arg(c.today.year()));
    QList<int> years;
    if (one || span)
        for (int y = *from; y <= *to; ++y)
            years << y;
    return years;
}

} // namespace

int verify(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const auto years = verifyYears(r, c);
    if (!years) return fail(err, years.error(), CommandLine::WrongUse);
    FeedClient client(c.feedBase, c.timeoutMs);
    HistoryCheck checker(c.database, client);
    checker.setToday(c.today);
    const auto report = checker.run(*years, [&err](const HistoryCheck::Progress& p) {
        err << QStringLiteral("anul %1 (%2 din %3)").arg(p.year).arg(p.done + 1).arg(p.total) << Qt::endl;
        return true;
    });
    if (!report) return fail(err, report.error(), CommandLine::Failed);
    printVerify(*report, r.format, out);
    if (!r.parser.isSet(QStringLiteral("repair")) || report->changes() == 0)
        return report->equal() ? CommandLine::Done : CommandLine::Failed;
    const auto copy = checker.repair(*report);
    if (!copy) return fail(err, copy.error(), CommandLine::Failed);
    // Each deleted day named, for the log a script keeps.
    for (const QDate& d : HistoryCheck::deletions(*report))
        err << QStringLiteral("sters: %1").arg(dayText(d)) << Qt::endl;
    err << QStringLiteral("Corectat. Copia bazei de cursuri dinainte: %1").arg(*copy) << Qt::endl;
    // Repaired: equal to the bank now, unless some year could not be checked.
    for (const HistoryCheck::Year& y : report->years)
        if (y.state != HistoryCheck::Year::State::Checked) return CommandLine::Failed;
    return report->stopped ? CommandLine::Failed : CommandLine::Done;
}

} // namespace Cli
