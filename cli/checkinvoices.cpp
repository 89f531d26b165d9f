// --check-invoices: the VAT in lei of e-Factura files, as "Facturi e-Factura" checks them,
// one file at a time, so a folder of any size takes the memory of one invoice.
#include "cli/clishared.h"
#include "cli/piecewriter.h"
#include "core/invoice/invoicecheck.h"
#include "core/store/outputfile.h"
#include "core/text/csvtext.h"
#include "core/text/daytext.h"

#include <QJsonArray>

namespace Cli {

namespace {

QJsonValue optionalNumber(const std::optional<Decimal>& v) {
    return v ? number(*v) : QJsonValue(QJsonValue::Null);
}

QJsonValue optionalDay(QDate d) {
    return d.isValid() ? QJsonValue(d.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QByteArray entryJson(const InvoiceCheck::Result& r) {
    QJsonObject o{{"file", r.file}, {"verdict", InvoiceCheck::verdictKey(r.verdict)}, {"reason", r.reason}};
    if (!r.entry.isEmpty()) o.insert(QStringLiteral("entry"), r.entry);
    if (r.invoice) {
        const EInvoice& inv = *r.invoice;
        o.insert(QStringLiteral("number"), inv.number);
        o.insert(QStringLiteral("type"), r.credit ? QStringLiteral("credit") : QStringLiteral("invoice"));
        o.insert(QStringLiteral("issueDate"), optionalDay(inv.issueDate));
        o.insert(QStringLiteral("vatDate"), optionalDay(r.vatDate));
        o.insert(QStringLiteral("currency"), inv.currency);
        o.insert(QStringLiteral("vat"), optionalNumber(r.vat));
        o.insert(QStringLiteral("rate"), optionalNumber(r.rate));
        o.insert(QStringLiteral("rateDay"), optionalDay(r.rateDay));
        o.insert(QStringLiteral("vatLei"), optionalNumber(r.vatLei));
        o.insert(QStringLiteral("declaredVatLei"), optionalNumber(r.declaredLei));
        o.insert(QStringLiteral("difference"), optionalNumber(r.difference));
        o.insert(QStringLiteral("netLei"), optionalNumber(r.netLei));
        o.insert(QStringLiteral("totalLei"), optionalNumber(r.totalLei));
        if (r.impliedRate) o.insert(QStringLiteral("impliedRate"), number(*r.impliedRate));
        if (r.impliedDay.isValid()) o.insert(QStringLiteral("impliedRateDay"), optionalDay(r.impliedDay));
        o.insert(QStringLiteral("seller"), inv.sellerName);
        o.insert(QStringLiteral("sellerVat"), inv.sellerVat);
        o.insert(QStringLiteral("buyer"), inv.buyerName);
        o.insert(QStringLiteral("buyerVat"), inv.buyerVat);
    }
    return json(o).toUtf8();
}

// One line a file for a reader: what was checked and the verdict.
QString entryText(const InvoiceCheck::Result& r) {
    const QStringList c = InvoiceCheck::cells(r, u',');
    if (!r.invoice) return QStringLiteral("%1: %2 (%3)\n").arg(c[0], c[14], r.reason);
    QString line = QStringLiteral("%1: %2 %3 din %4, TVA %5 %6")
                       .arg(c[0], c[2], c[1], DayText::shown(r.invoice->issueDate), c[6], c[5]);
    if (r.rate) line += QStringLiteral(" x %1 (curs BNR din %2)").arg(c[7], DayText::shown(r.rateDay));
    if (r.vatLei) line += QStringLiteral(" = %1 lei").arg(c[9]);
    if (r.declaredLei) line += QStringLiteral(", declarat %1").arg(c[10]);
    line += QStringLiteral(": %1").arg(c[14]);
    if (!r.reason.isEmpty()) line += QStringLiteral(" (%1)").arg(r.reason);
    return line + u'\n';
}

// Where the verdicts go, a piece at a time: the file asked for or standard output.
class Verdicts {
public:
    Verdicts(OutputFile* file, QTextStream& out, Format format) : m_to(file, out), m_format(format) {
        if (m_format == Format::Csv) CsvText::appendLine(m_to.pending(), InvoiceCheck::header());
        if (m_format == Format::Json) m_to.pending() += "{\"invoices\":[";
    }
    Status add(const InvoiceCheck::Result& r) {
        QByteArray& to = m_to.pending();
        if (m_format == Format::Csv) CsvText::appendLine(to, InvoiceCheck::cells(r, CsvText::kDecimal));
        if (m_format == Format::Text) to += entryText(r).toUtf8();
        if (m_format == Format::Json) to += (m_first ? "" : ",") + entryJson(r);
        m_first = false;
        return m_to.written();
    }
    Status finish() {
        if (m_format == Format::Json) m_to.pending() += "]}\n";
        return m_to.finish();
    }

private:
    PieceWriter m_to;
    Format m_format;
    bool m_first = true;
};

} // namespace

int checkInvoices(const Request& r, const Context& c, QTextStream& out, QTextStream& err) {
    const QStringList paths =
        QStringList{r.parser.value(QStringLiteral("check-invoices"))} + r.parser.positionalArguments();
    std::unique_ptr<OutputFile> file;
    if (r.parser.isSet(QStringLiteral("out"))) {
        QList<OutputFile::Protected> kept{{c.database, QStringLiteral("baza de cursuri")}};
        for (const QString& p : paths)
            kept.append({p, QStringLiteral("fisier citit")});
        auto opened = OutputFile::open(r.parser.value(QStringLiteral("out")), kept);
        if (!opened) return fail(err, opened.error(), CommandLine::Failed);
        file = std::move(*opened);
    }
    RateDb db(c.database);
    if (!db.isOpen()) return fail(err, db.openError(), CommandLine::Failed);
    InvoiceCheck check(db);
    Verdicts to(file.get(), out, r.format);
    int seen = 0, notOk = 0;
    for (const QString& path : InvoiceFiles::expand(paths)) {
        const auto result = check.check(InvoiceFiles::load(path));
        if (!result) return fail(err, result.error(), CommandLine::Failed);
        ++seen;
        if (result->verdict != InvoiceCheck::Verdict::Ok || result->late) ++notOk;
        if (Status s = to.add(*result); !s) return fail(err, s.error(), CommandLine::Failed);
    }
    if (Status s = to.finish(); !s) return fail(err, s.error(), CommandLine::Failed);
    if (seen == 0) return fail(err, QStringLiteral("Nu s-a gasit niciun fisier de verificat."), CommandLine::Failed);
    if (notOk > 0)
        err << QStringLiteral("Facturi verificate: %1; nu sunt corecte: %2.").arg(seen).arg(notOk) << Qt::endl;
    return notOk > 0 ? CommandLine::Failed : CommandLine::Done;
}

} // namespace Cli
