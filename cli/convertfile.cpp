// --convert-file: a whole list, as "Conversie lista" converts it, read, converted and
// written one row at a time, so that a list of any length takes the memory of one row.
#include "cli/clishared.h"
#include "cli/piecewriter.h"
#include "core/money/liststream.h"
#include "core/store/outputfile.h"
#include "core/text/csvtext.h"

#include <QJsonArray>

namespace Cli {

namespace {

// A converted row for programs: numbers as numbers, a failed row with its fields and reason.
QByteArray rowJson(const ListConversion::Row& row) {
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
    return json(o).toUtf8();
}

// The rows that did not convert, and those converted at an older day, said for the log.
void sayWhatIsLacking(const ListStream::Summary& done, QTextStream& err) {
    if (done.failed > 0)
        err << (done.failed == 1
                    ? QStringLiteral("Un rand nu a putut fi convertit (vezi coloana eroare).")
                    : QStringLiteral("%1 randuri nu au putut fi convertite (vezi coloana eroare).").arg(done.failed))
            << Qt::endl;
    if (done.late > 0)
        err << QStringLiteral("La %1 randuri lipseste cursul zilei; s-a folosit unul mai vechi (vezi coloana eroare).")
                   .arg(done.late)
            << Qt::endl;
}

// Where the result goes, in pieces of a useful size: the file asked for, or standard output; as CSV (a
// header, the rows, the totals) or as one JSON object whose counts follow its rows.
class ListOutput {
public:
    ListOutput(OutputFile* file, QTextStream& out, bool csv) : m_to(file, out), m_csv(csv) {
        if (m_csv)
            CsvText::appendLine(m_to.pending(), ListConversion::header());
        else
            m_to.pending() += "{\"rows\":[";
    }
    Status row(const ListConversion::Row& row) {
        if (m_csv) {
            CsvText::appendLine(m_to.pending(), ListConversion::cells(row, CsvText::kDecimal, true));
        } else {
            if (!m_first) m_to.pending() += ',';
            m_to.pending() += rowJson(row);
        }
        m_first = false;
        return m_to.written();
    }
    // The end of the list, written out to the last byte and, for a file, closed.
    Status finish(const ListStream::Summary& done) {
        if (m_csv) {
            for (const ListConversion::Total& t : done.totals)
                CsvText::appendLine(m_to.pending(), ListConversion::totalCells(t, CsvText::kDecimal));
        } else {
            m_to.pending() += QStringLiteral("],\"failed\":%1,\"late\":%2}\n").arg(done.failed).arg(done.late).toUtf8();
        }
        return m_to.finish();
    }

private:
    PieceWriter m_to;
    bool m_csv;
    bool m_first = true;
};

} // namespace

int convertFile(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QString rule = r.parser.value(QStringLiteral("rule"));
    if (rule != u"before" && rule != u"same")
        return fail(err, QStringLiteral("regula necunoscuta: %1 (before, same)").arg(rule), CommandLine::WrongUse);
    if (r.format == Format::Text)
        return fail(err, QStringLiteral("--convert-file scrie csv sau json"), CommandLine::WrongUse);
    const QString input = r.parser.value(QStringLiteral("convert-file"));
    std::unique_ptr<OutputFile> file;
    if (r.parser.isSet(QStringLiteral("out"))) {
        // Never over the history or the list being read, whatever name leads to them.
        auto opened =
            OutputFile::open(r.parser.value(QStringLiteral("out")), {{c.database, QStringLiteral("baza de cursuri")},
                                                                     {input, QStringLiteral("lista citita")}});
        if (!opened) return fail(err, opened.error(), CommandLine::Failed);
        file = std::move(*opened);
    }
    ListOutput to(file.get(), out, r.format == Format::Csv);
    const auto done =
        ListStream::convertFile(c.database, input, rule == u"same" ? RateBook::Rule::Same : RateBook::Rule::Before,
                                [&](const ListConversion::Row& row) { return to.row(row); });
    if (!done) return fail(err, done.error(), CommandLine::Failed);
    if (Status s = to.finish(*done); !s) return fail(err, s.error(), CommandLine::Failed);
    sayWhatIsLacking(*done, err);
    if (done->rows == 0)
        return fail(err, QStringLiteral("Lista nu are niciun rand de convertit."), CommandLine::Failed);
    return done->failed > 0 || done->late > 0 ? CommandLine::Failed : CommandLine::Done;
}

} // namespace Cli
