// A folder of 10,000 e-Factura invoices checked in lei, beside a bare parse of the same files
// (each read and its XML walked to the end, nothing checked): time, and peak memory as a counter.
#include "bench/guimain.h"
#include "bench/pace.h"
#include "core/feed/feedparser.h"
#include "core/invoice/invoicecheck.h"
#include "core/invoice/ublnames.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <sys/resource.h>

namespace {

constexpr int kInvoices = 10000;

// The history of 2024 on a fixed calendar, and the folder of invoices dated in it.
struct Folder {
    TempAppDir app;
    QString path;
    bool ready = false;
    Folder() {
        const BnrData data = BnrData::madeUp(QDate(2023, 12, 1), QDate(2024, 12, 31));
        for (auto it = data.years().cbegin(); it != data.years().cend(); ++it) {
            int n = 0;
            if (!RateDb(app.db()).storeDays(*FeedParser::days(it.value()), &n)) return;
        }
        path = app.path() + QStringLiteral("/facturi");
        QDir().mkpath(path);
        const char* currencies[] = {"EUR", "USD", "HUF", "RON"};
        for (int i = 0; i < kInvoices; ++i) {
            const QDate issued = QDate(2024, 1, 2).addDays(i % 360);
            const QString c = QLatin1String(currencies[i % 4]);
            QFile f(QStringLiteral("%1/%2.xml").arg(path).arg(i));
            if (!f.open(QIODevice::WriteOnly)) return;
            f.write(
                QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n%5"
                    "<cbc:CustomizationID>urn:cen.eu:en16931:2017#compliant#urn:efactura.mfinante.ro:CIUS-RO:1.0.1"
                    "</cbc:CustomizationID><cbc:ID>F%1</cbc:ID><cbc:IssueDate>%2</cbc:IssueDate>"
                    "<cbc:InvoiceTypeCode>380</cbc:InvoiceTypeCode><cbc:DocumentCurrencyCode>%3"
                    "</cbc:DocumentCurrencyCode><cbc:TaxCurrencyCode>RON</cbc:TaxCurrencyCode>"
                    "<cac:AccountingSupplierParty><cac:Party><cac:PartyTaxScheme><cbc:CompanyID>RO1234567"
                    "</cbc:CompanyID><cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme>"
                    "<cac:PartyLegalEntity><cbc:RegistrationName>Furnizor SRL</cbc:RegistrationName>"
                    "</cac:PartyLegalEntity></cac:Party></cac:AccountingSupplierParty>"
                    "<cac:AccountingCustomerParty><cac:Party><cac:PartyLegalEntity><cbc:RegistrationName>Client SA"
                    "</cbc:RegistrationName><cbc:CompanyID>RO7654321</cbc:CompanyID></cac:PartyLegalEntity>"
                    "</cac:Party></cac:AccountingCustomerParty>"
                    "<cac:TaxTotal><cbc:TaxAmount currencyID=\"%3\">19.00</cbc:TaxAmount><cac:TaxSubtotal>"
                    "<cbc:TaxableAmount currencyID=\"%3\">100.00</cbc:TaxableAmount><cbc:TaxAmount "
                    "currencyID=\"%3\">19.00</cbc:TaxAmount><cac:TaxCategory><cbc:ID>S</cbc:ID><cbc:Percent>19"
                    "</cbc:Percent><cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:TaxCategory>"
                    "</cac:TaxSubtotal></cac:TaxTotal><cac:TaxTotal><cbc:TaxAmount currencyID=\"RON\">%4"
                    "</cbc:TaxAmount></cac:TaxTotal><cac:LegalMonetaryTotal><cbc:LineExtensionAmount "
                    "currencyID=\"%3\">100.00</cbc:LineExtensionAmount><cbc:TaxExclusiveAmount currencyID=\"%3\">"
                    "100.00</cbc:TaxExclusiveAmount><cbc:TaxInclusiveAmount currencyID=\"%3\">119.00"
                    "</cbc:TaxInclusiveAmount><cbc:PayableAmount currencyID=\"%3\">119.00</cbc:PayableAmount>"
                    "</cac:LegalMonetaryTotal><cac:InvoiceLine><cbc:ID>1</cbc:ID><cbc:InvoicedQuantity "
                    "unitCode=\"H87\">1</cbc:InvoicedQuantity><cbc:LineExtensionAmount currencyID=\"%3\">100.00"
                    "</cbc:LineExtensionAmount><cac:Item><cbc:Name>Servicii</cbc:Name><cac:ClassifiedTaxCategory>"
                    "<cbc:ID>S</cbc:ID><cbc:Percent>19</cbc:Percent><cac:TaxScheme><cbc:ID>VAT</cbc:ID>"
                    "</cac:TaxScheme></cac:ClassifiedTaxCategory></cac:Item><cac:Price><cbc:PriceAmount "
                    "currencyID=\"%3\">100.00</cbc:PriceAmount></cac:Price></cac:InvoiceLine></Invoice>\n")
                    .arg(i)
                    .arg(issued.toString(Qt::ISODate), c, i % 7 == 0 ? QStringLiteral("1.00") : QStringLiteral("76.01"))
                    .arg(UblNames::opening(QStringLiteral("Invoice")))
                    .toUtf8());
        }
        ready = true;
    }
};

const Folder* folder(benchmark::State& state) {
    static Folder* f = new Folder;
    if (!f->ready) state.SkipWithError("the folder of invoices could not be made");
    return f->ready ? f : nullptr;
}

void peakMemory(benchmark::State& state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = double(usage.ru_maxrss) / 1024;
}

void CheckFolder10000Invoices(benchmark::State& state) {
    const Folder* f = folder(state);
    if (!f) return;
    for (auto _ : state) {
        RateDb db(f->app.db());
        InvoiceCheck check(db);
        int checked = 0;
        for (const QString& path : InvoiceFiles::expand({f->path})) {
            const auto r = check.check(InvoiceFiles::load(path));
            if (!r || r->verdict == InvoiceCheck::Verdict::Unreadable) {
                state.SkipWithError(("an invoice did not check: " + (r ? r->reason : r.error())).toUtf8().constData());
                break;
            }
            checked += r.ok();
        }
        if (checked != kInvoices) state.SkipWithError("not every invoice was checked");
    }
    peakMemory(state);
}
BENCHMARK(CheckFolder10000Invoices)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

void BareParse10000Invoices(benchmark::State& state) {
    const Folder* f = folder(state);
    if (!f) return;
    for (auto _ : state) {
        qint64 tokens = 0;
        for (const QString& name : QDir(f->path).entryList(QDir::Files, QDir::Name)) {
            QFile file(f->path + u'/' + name);
            if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("a file did not open");
            QXmlStreamReader xml(file.readAll());
            while (!xml.atEnd())
                tokens += xml.readNext() != QXmlStreamReader::Invalid;
        }
        benchmark::DoNotOptimize(tokens);
    }
    peakMemory(state);
}
BENCHMARK(BareParse10000Invoices)->Unit(benchmark::kMillisecond)->Apply(Pace::twoSeconds)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runCoreBenchmarks(argc, argv);
}
