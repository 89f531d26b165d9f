// --import-access: the history of an Access valuta.mdb of the earlier generation, brought into this one.
#include "cli/clishared.h"
#include "core/access/accessfile.h"
#include "core/access/accessimport.h"
#include "core/text/csvtext.h"

#include <QDir>
#include <QJsonArray>

namespace Cli {

namespace {

QJsonObject yearJson(const AccessImport::Year& y) {
    QJsonObject o{{"table", y.table},
                  {"year", y.name.year},
                  {"leu", y.name.suffix.isEmpty() ? QStringLiteral("ROL") : QStringLiteral("RON")},
                  {"rows", y.rows},
                  {"imported", y.imported},
                  {"alreadyStored", y.alreadyStored},
                  {"conflicts", y.conflicts},
                  {"emptyRates", y.emptyRates},
                  {"refused", y.refused},
                  {"notes", QJsonArray::fromStringList(y.notes)}};
    if (!y.problem.isEmpty()) o.insert(QStringLiteral("problem"), y.problem);
    return o;
}

QJsonObject reportJson(const QString& file, const AccessImport::Report& report) {
    QJsonArray years;
    for (const AccessImport::Year& y : report.years)
        years << yearJson(y);
    return {{"file", file},
            {"version", report.version},
            {"complete", report.complete()},
            {"importedDays", report.importedDays()},
            {"years", years},
            {"skipped", QJsonArray::fromStringList(report.skipped)}};
}

// A line a table with its counts, then a line for each of its notes, then what was skipped.
QString reportCsv(const AccessImport::Report& report) {
    QList<QStringList> rows;
    const QStringList noCounts(8);
    for (const AccessImport::Year& y : report.years) {
        rows.append({y.table, QString::number(y.name.year), y.name.suffix.isEmpty() ? "ROL" : "RON",
                     QString::number(y.rows), QString::number(y.imported), QString::number(y.alreadyStored),
                     QString::number(y.conflicts), QString::number(y.emptyRates), QString::number(y.refused),
                     CsvText::inert(y.problem)});
        for (const QString& note : y.notes)
            rows.append(QStringList{y.table} + noCounts + QStringList{CsvText::inert(note)});
    }
    for (const QString& skipped : report.skipped)
        rows.append(QStringList{QString()} + noCounts + QStringList{CsvText::inert(skipped)});
    return csv({"tabel", "an", "leu", "randuri", "importate", "deja memorate", "conflicte", "cursuri goale", "respinse",
                "nota"},
               rows);
}

} // namespace

int importAccess(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QString file = r.parser.value(QStringLiteral("import-access"));
    const QString shown = QDir::toNativeSeparators(file);
    const AccessFile::Kind kind = AccessFile::kind(file);
    if (kind == AccessFile::Kind::Missing)
        return fail(err, QStringLiteral("Fisierul %1 nu exista.").arg(shown), CommandLine::WrongUse);
    if (!AccessFile::isAccess(kind))
        return fail(err,
                    kind == AccessFile::Kind::Unreadable
                        ? QStringLiteral("Fisierul %1 nu poate fi citit.").arg(shown)
                        : QStringLiteral("Fisierul %1 nu este o baza de date Access.").arg(shown),
                    CommandLine::WrongUse);
    AccessImport::Options options;
    options.helper = c.accessHelper;
    const auto report = AccessImport::run(file, c.database, options);
    if (!report) return fail(err, report.error(), CommandLine::Failed);
    if (r.format == Format::Json) {
        out << json(reportJson(file, *report)) << Qt::endl;
    } else if (r.format == Format::Csv) {
        out << reportCsv(*report) << Qt::flush;
    } else {
        for (const QString& line : report->lines())
            out << line << Qt::endl;
    }
    if (report->years.empty())
        err << report->noRateTablesText() << Qt::endl;
    else if (!report->complete())
        err << QStringLiteral("Nu tot istoricul din %1 a fost adus: vedeti randurile de mai sus.").arg(shown)
            << Qt::endl;
    return report->complete() ? CommandLine::Done : CommandLine::Failed;
}

} // namespace Cli
