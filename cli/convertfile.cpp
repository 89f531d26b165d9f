// --convert-file: a whole list, as "Conversie lista" converts it.
#include "cli/clishared.h"
#include "core/money/listconversion.h"

#include <QFile>
#include <QJsonArray>
#include <QSaveFile>

namespace Cli {

namespace {

// A converted list for programs: numbers as numbers, a failed row with its fields and reason.
QString listJson(const ListConversion::Result& result) {
    QJsonArray rows;
    for (const ListConversion::Row& row : result.rows) {
        QJsonObject o{{"line", row.line}};
        if (!row.error.isEmpty()) {
            o.insert(QStringLiteral("given"), QJsonArray::fromStringList(row.given));
            o.insert(QStringLiteral("error"), row.error);
        } else {
            o.insert(QStringLiteral("date"), row.date.toString(Qt::ISODate));
            o.insert(QStringLiteral("amount"), number(row.amount));
            o.insert(QStringLiteral("currency"), row.currency);
            o.insert(QStringLiteral("rateDay"), row.rateDay.toString(Qt::ISODate));
            o.insert(QStringLiteral("rate"), number(row.rate));
            o.insert(QStringLiteral("lei"), number(row.lei));
            if (row.booked) o.insert(QStringLiteral("booked"), number(*row.booked));
            if (const auto d = row.difference()) o.insert(QStringLiteral("difference"), number(*d));
            if (!row.late.isEmpty()) o.insert(QStringLiteral("late"), row.late);
        }
        rows << o;
    }
    return json({{"rows", rows}, {"failed", result.failed}, {"late", result.late}}) + u'\n';
}

} // namespace

int convertFile(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QString rule = r.parser.value(QStringLiteral("rule"));
    if (rule != u"before" && rule != u"same")
        return fail(err, QStringLiteral("regula necunoscuta: %1 (before, same)").arg(rule), CommandLine::WrongUse);
    if (r.format == Format::Text)
        return fail(err, QStringLiteral("--convert-file scrie csv sau json"), CommandLine::WrongUse);
    QFile in(r.parser.value(QStringLiteral("convert-file")));
    if (!in.open(QIODevice::ReadOnly))
        return fail(err, QStringLiteral("Fisierul %1 nu poate fi citit.").arg(in.fileName()), CommandLine::Failed);
    const auto result = ListConversion::convert(c.database, ListConversion::read(QString::fromUtf8(in.readAll())),
                                                rule == u"same" ? RateBook::Rule::Same : RateBook::Rule::Before);
    if (!result) return fail(err, result.error(), CommandLine::Failed);
    QString text;
    if (r.format == Format::Csv) {
        text = ListConversion::csv(*result);
    } else {
        text = listJson(*result);
    }
    if (!r.parser.isSet(QStringLiteral("out"))) {
        out << text << Qt::flush;
    } else {
        // Written whole or not at all: a failed save leaves an earlier file as it was.
        QSaveFile file(r.parser.value(QStringLiteral("out")));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
            return fail(err, QStringLiteral("Fisierul %1 nu poate fi scris.").arg(file.fileName()),
                        CommandLine::Failed);
    }
    if (result->failed > 0)
        err << (result->failed == 1
                    ? QStringLiteral("Un rand nu a putut fi convertit (vezi coloana eroare).")
                    : QStringLiteral("%1 randuri nu au putut fi convertite (vezi coloana eroare).").arg(result->failed))
            << Qt::endl;
    if (result->late > 0)
        err << QStringLiteral("La %1 randuri lipseste cursul zilei; s-a folosit unul mai vechi (vezi coloana eroare).")
                   .arg(result->late)
            << Qt::endl;
    return result->failed > 0 || result->late > 0 ? CommandLine::Failed : CommandLine::Done;
}

} // namespace Cli
