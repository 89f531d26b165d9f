// --convert-file: a whole list, as "Conversie lista" converts it.
#include "cli/clishared.h"
#include "core/money/listconversion.h"
#include "core/store/outputfile.h"

#include <QFile>
#include <QJsonArray>

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

// The rows that did not convert, and those converted at an older day, said for the log.
void sayWhatIsLacking(const ListConversion::Result& result, QTextStream& err) {
    if (result.failed > 0)
        err << (result.failed == 1
                    ? QStringLiteral("Un rand nu a putut fi convertit (vezi coloana eroare).")
                    : QStringLiteral("%1 randuri nu au putut fi convertite (vezi coloana eroare).").arg(result.failed))
            << Qt::endl;
    if (result.late > 0)
        err << QStringLiteral("La %1 randuri lipseste cursul zilei; s-a folosit unul mai vechi (vezi coloana eroare).")
                   .arg(result.late)
            << Qt::endl;
}

} // namespace

int convertFile(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QString rule = r.parser.value(QStringLiteral("rule"));
    if (rule != u"before" && rule != u"same")
        return fail(err, QStringLiteral("regula necunoscuta: %1 (before, same)").arg(rule), CommandLine::WrongUse);
    if (r.format == Format::Text)
        return fail(err, QStringLiteral("--convert-file scrie csv sau json"), CommandLine::WrongUse);
    const QString input = r.parser.value(QStringLiteral("convert-file"));
    std::vector<ListConversion::Input> rows;
    {
        // The file's text is let go once its rows are read: memory follows the rows, not copies of them.
        const auto text = ListConversion::readFile(input);
        if (!text) return fail(err, text.error(), CommandLine::Failed);
        rows = ListConversion::read(*text);
    }
    const auto result = ListConversion::convert(c.database, std::move(rows),
                                                rule == u"same" ? RateBook::Rule::Same : RateBook::Rule::Before);
    if (!result) return fail(err, result.error(), CommandLine::Failed);
    const QByteArray written = r.format == Format::Csv ? ListConversion::csvBytes(*result) : listJson(*result).toUtf8();
    if (!r.parser.isSet(QStringLiteral("out"))) {
        out << QString::fromUtf8(written) << Qt::flush;
    } else {
        // Never over the history or the list being read, whatever name leads to them.
        const Status saved = OutputFile::write(
            r.parser.value(QStringLiteral("out")), written,
            {{c.database, QStringLiteral("baza de cursuri")}, {input, QStringLiteral("lista citita")}});
        if (!saved) return fail(err, saved.error(), CommandLine::Failed);
    }
    sayWhatIsLacking(*result, err);
    if (result->rows.empty())
        return fail(err, QStringLiteral("Lista nu are niciun rand de convertit."), CommandLine::Failed);
    return result->failed > 0 || result->late > 0 ? CommandLine::Failed : CommandLine::Done;
}

} // namespace Cli
