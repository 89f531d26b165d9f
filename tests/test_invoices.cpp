// e-Factura invoices checked in lei: what is read from a file, the rate the law applies,
// the verdicts, and files made to hurt.
#include "cli/commandline.h"
#include "core/feed/feedparser.h"
#include "core/invoice/invoicecheck.h"
#include "core/invoice/ublnames.h"
#include "tests/support/bnrdata.h"
#include "tests/support/testenv.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

QString samples() {
    return invoiceSamples();
}

// An invoice as an issuer's program writes it, with only the fields a case sets.
struct Xml {
    QString root = QStringLiteral("Invoice");
    QString type = QStringLiteral("380");
    QString issue = QStringLiteral("2024-01-08");
    QString currency = QStringLiteral("EUR");
    QString taxCurrency = QStringLiteral("RON");
    QString taxPoint, dateCode, delivery;
    QString vat = QStringLiteral("100.00");
    QString declared; // BT-111; none when empty
    QStringList subtotalVats{};
    QString net = QStringLiteral("526.32");

    QByteArray bytes() const {
        QString x = QStringLiteral("<?xml version=\"1.0\"?>\n") + UblNames::opening(root) +
                    QStringLiteral("<cbc:ID>F-1</cbc:ID><cbc:IssueDate>%1</cbc:IssueDate>").arg(issue);
        x += QStringLiteral("<cbc:%1TypeCode>%2</cbc:%1TypeCode>").arg(root, type);
        if (!taxPoint.isEmpty()) x += QStringLiteral("<cbc:TaxPointDate>%1</cbc:TaxPointDate>").arg(taxPoint);
        x += QStringLiteral("<cbc:DocumentCurrencyCode>%1</cbc:DocumentCurrencyCode>").arg(currency);
        if (!taxCurrency.isEmpty())
            x += QStringLiteral("<cbc:TaxCurrencyCode>%1</cbc:TaxCurrencyCode>").arg(taxCurrency);
        if (!dateCode.isEmpty())
            x += QStringLiteral("<cac:InvoicePeriod><cbc:DescriptionCode>%1</cbc:DescriptionCode></cac:InvoicePeriod>")
                     .arg(dateCode);
        x += QStringLiteral(
            "<cac:AccountingSupplierParty><cac:Party><cac:PartyTaxScheme><cbc:CompanyID>RO123</cbc:CompanyID>"
            "<cac:TaxScheme><cbc:ID>VAT</cbc:ID></cac:TaxScheme></cac:PartyTaxScheme><cac:PartyLegalEntity>"
            "<cbc:RegistrationName>Vanzator SRL</cbc:RegistrationName></cac:PartyLegalEntity></cac:Party>"
            "</cac:AccountingSupplierParty>");
        if (!delivery.isEmpty())
            x += QStringLiteral("<cac:Delivery><cbc:ActualDeliveryDate>%1</cbc:ActualDeliveryDate></cac:Delivery>")
                     .arg(delivery);
        x += QStringLiteral("<cac:TaxTotal><cbc:TaxAmount currencyID=\"%1\">%2</cbc:TaxAmount>").arg(currency, vat);
        for (const QString& s : subtotalVats)
            x += QStringLiteral("<cac:TaxSubtotal><cbc:TaxableAmount currencyID=\"%1\">1</cbc:TaxableAmount>"
                                "<cbc:TaxAmount currencyID=\"%1\">%2</cbc:TaxAmount><cac:TaxCategory><cbc:ID>S</cbc:ID>"
                                "<cbc:Percent>19</cbc:Percent></cac:TaxCategory></cac:TaxSubtotal>")
                     .arg(currency, s);
        x += QStringLiteral("</cac:TaxTotal>");
        if (!declared.isEmpty())
            x += QStringLiteral("<cac:TaxTotal><cbc:TaxAmount currencyID=\"%1\">%2</cbc:TaxAmount></cac:TaxTotal>")
                     .arg(taxCurrency, declared);
        x += QStringLiteral(
                 "<cac:LegalMonetaryTotal><cbc:TaxExclusiveAmount currencyID=\"%1\">%2</cbc:TaxExclusiveAmount>"
                 "</cac:LegalMonetaryTotal></%3>")
                 .arg(currency, net, root);
        return x.toUtf8();
    }
};

InvoiceFiles::Item itemOf(const QByteArray& xml) {
    InvoiceFiles::Item item;
    item.file = QStringLiteral("f.xml");
    item.xml = xml;
    return item;
}

// A ZIP made in memory: each entry's name and bytes.
QByteArray zipOf(const QList<QPair<QString, QByteArray>>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* s = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        zip_file_add(z, name.toUtf8().constData(), s, ZIP_FL_OVERWRITE);
    }
    zip_close(z);
    QByteArray out;
    zip_stat_t st;
    if (zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0) {
        out.resize(qsizetype(st.size));
        zip_source_read(buffer, out.data(), st.size);
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    return out;
}

class InvoiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // EUR is 4 lei and the day of the year in ten-thousandths: 5 January is 4,0005.
        ASSERT_TRUE(
            app.fillMadeUp({{QDate(2005, 6, 27), QDate(2005, 7, 5)}, {QDate(2023, 12, 20), QDate(2024, 1, 31)}}));
    }
    InvoiceCheck::Result check(const QByteArray& xml) {
        RateDb db(app.db());
        InvoiceCheck c(db);
        const auto r = c.check(itemOf(xml));
        EXPECT_TRUE(r.ok()) << r.error().toStdString();
        return r.ok() ? *r : InvoiceCheck::Result{};
    }
    TempAppDir app;
};

QString text(const std::optional<Decimal>& v) {
    return v ? v->toString() : QStringLiteral("-");
}

TEST_F(InvoiceTest, TheRateOfTheBankingDayBeforeTheVatDateAndTheVerdict) {
    using V = InvoiceCheck::Verdict;
    struct Case {
        Xml xml;
        const char* rateDay;
        const char* vatLei;
        V verdict;
        const char* reason; // a piece of it
    };
    const auto x = [](auto change) {
        Xml x;
        change(x);
        return x;
    };
    const Case cases[] = {
        // Monday: Friday's rate, 100 x 4,0005.
        {x([](Xml& x) { x.declared = "400.05"; }), "2024-01-05", "400.05", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2024-01-06", x.declared = "400.05"; }), "2024-01-05", "400.05", V::Ok, ""},
        // 24 January is a holiday; 1 and 2 January too: back to the last banking day of the year before.
        {x([](Xml& x) { x.issue = "2024-01-25", x.declared = "400.23"; }), "2024-01-23", "400.23", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2024-01-03", x.declared = "403.63"; }), "2023-12-29", "403.63", V::Ok, ""},
        // The tax point before the issue date; the delivery date by its code; payment day unknown.
        {x([](Xml& x) { x.issue = "2024-01-15", x.taxPoint = "2024-01-10", x.declared = "400.09"; }), "2024-01-09",
         "400.09", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2024-01-15", x.dateCode = "35", x.delivery = "2024-01-12", x.declared = "400.11"; }),
         "2024-01-11", "400.11", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2024-01-15", x.dateCode = "432", x.declared = "400.12"; }), "2024-01-12", "400.12",
         V::Ok, "data platii nu e in factura"},
        // Per unit of a currency the bank quotes per hundred: 1000 x 0,012655 = 12,655, to the even ban;
        // the other neighbour of the half is no difference.
        {x([](Xml& x) { x.currency = "HUF", x.vat = "1000", x.declared = "12.66"; }), "2024-01-05", "12.66", V::Ok, ""},
        {x([](Xml& x) { x.currency = "HUF", x.vat = "1000", x.declared = "12.65"; }), "2024-01-05", "12.66", V::Ok,
         "jumatate de ban"},
        // Two rates converted one by one: 2 x round(10,01 x 4,0005) = 80,10, the total gives 80,09.
        {x([](Xml& x) {
             x.vat = "20.02", x.subtotalVats = {"10.01", "10.01"}, x.declared = "80.10";
         }),
         "2024-01-05", "80.09", V::Ok, "suma cotelor"},
        // The issue day's own rate, the usual mistake.
        {x([](Xml& x) { x.issue = "2024-01-10", x.declared = "400.10"; }), "2024-01-09", "400.09", V::Differs,
         "curs din ziua facturii"},
        {x([](Xml& x) { x.declared = "250.00"; }), "2024-01-05", "400.05", V::Differs,
         "cursul din factura pare 2,5000"},
        {x([](Xml& x) { x.declared.clear(); }), "2024-01-05", "400.05", V::Missing, "lipseste TVA in lei"},
        {x([](Xml& x) { x.taxCurrency = "SEK", x.declared = "100"; }), "2024-01-05", "400.05", V::Missing,
         "declarata in SEK"},
        // Credit notes count against: a CreditNote's positive figures, an invoice's negative ones.
        {x([](Xml& x) { x.root = "CreditNote", x.type = "381", x.declared = "400.05"; }), "2024-01-05", "-400.05",
         V::Ok, ""},
        {x([](Xml& x) { x.vat = "-100", x.declared = "-400.05"; }), "2024-01-05", "-400.05", V::Ok, ""},
        {x([](Xml& x) { x.currency = "RON", x.vat = "19"; }), "", "19", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2005-07-04", x.declared = "401.82"; }), "2005-07-01", "401.82", V::Ok, ""},
        {x([](Xml& x) { x.issue = "2005-06-30", x.declared = "400"; }), "", "-", V::Unreadable, "leul nou"},
        {x([](Xml& x) { x.issue = "2024-03-10", x.declared = "400.31"; }), "2024-01-31", "400.31", V::Ok,
         "lipseste cursul din 08.03.2024"},
        {x([](Xml& x) { x.currency = "XYZ", x.declared = "1"; }), "", "-", V::Unreadable, "nu exista curs BNR XYZ"},
        {x([](Xml& x) { x.type = "386"; }), "", "-", V::NotInvoice, "tip de document necunoscut"},
        {x([](Xml& x) { x.vat = "1e5"; }), "", "-", V::Unreadable, "TVA nu este o suma"},
        {x([](Xml& x) { x.issue = "2024-02-30"; }), "", "-", V::Unreadable, "data emiterii nu este o data"},
    };
    for (const Case& c : cases) {
        const QByteArray xml = c.xml.bytes();
        SCOPED_TRACE(xml.toStdString());
        const InvoiceCheck::Result r = check(xml);
        EXPECT_EQ(r.verdict, c.verdict) << r.reason.toStdString();
        EXPECT_EQ(r.rateDay.toString(Qt::ISODate).toStdString(), c.rateDay);
        EXPECT_EQ(text(r.vatLei).toStdString(), c.vatLei);
        EXPECT_TRUE(r.reason.contains(QLatin1String(c.reason))) << r.reason.toStdString();
    }
}

TEST_F(InvoiceTest, ADifferenceSaysItsSizeAndTheDayItsRateCameFrom) {
    Xml x;
    x.issue = "2024-01-10";
    x.declared = "400.10";
    const InvoiceCheck::Result r = check(x.bytes());
    EXPECT_EQ(text(r.difference), "0.01");
    EXPECT_EQ(text(r.impliedRate), "4.001");
    EXPECT_EQ(r.impliedDay, QDate(2024, 1, 10));
}

TEST(InvoiceReading, TheSharedSamplesReadAsTheirFieldsSay) {
    if (!QDir(samples()).exists()) GTEST_SKIP() << "no e-Factura samples on this machine: " << samples().toStdString();
    struct Case {
        const char* file;
        const char* number;
        const char* issue;
        const char* currency;
        const char* taxCurrency;
        const char* vat;
        const char* declared;
        int rates;
        bool credit;
    } const cases[] = {
        {"josemmo_cius-ro-tax-currency-code_EUR-taxRON_2TaxTotals.xml", "10009", "2022-05-26", "EUR", "RON", "19",
         "93.89", 1, false},
        {"anaf_ex_creditNote_SEK-taxRON_2TaxTotals.xml", "2018-112", "2018-07-31", "SEK", "RON", "100", "249", 1, true},
        {"anaf_ex_eInvoice_RON_5-9-19pct.xml", "6422451356", "2022-05-31", "RON", "", "6598592.6", "-", 3, false},
        {"anaf_ubl_b2g_example0_RON-taxRON_BT7_E-15-20pct.xml", "TOSL108", "2021-11-12", "RON", "RON", "273.09",
         "273.09", 3, false},
        {"anaf_ubl_b2g_example5_DKK-taxRON_2TaxTotals_12-25pct.xml", "TOSL110", "2013-04-10", "DKK", "RON", "675",
         "628.62", 2, false},
        {"oca_credit_note_option_RON_Invoice380-negative.xml", "FBRAO2093", "2022-09-01", "RON", "", "-1900", "-", 1,
         true},
        {"cen_BIS_Billing_30-Valutor_i_faktura_USD-taxSEK_2TaxTotals.xml", "800018", "2018-01-26", "USD", "SEK",
         "23000", "205845.4", 1, false},
        {"romfast_user-brco15-3rows_RON_11-19-21pct.xml", "RFT 20260004", "2026-05-05", "RON", "", "337.08", "-", 3,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        QFile f(samples() + u'/' + QLatin1String(c.file));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const InvoiceReader::Read r = InvoiceReader::read(f.readAll());
        ASSERT_EQ(r.kind, InvoiceReader::Kind::Invoice) << r.reason.toStdString();
        EXPECT_EQ(r.invoice.number.toStdString(), c.number);
        EXPECT_EQ(r.invoice.issueDate.toString(Qt::ISODate).toStdString(), c.issue);
        EXPECT_EQ(r.invoice.currency.toStdString(), c.currency);
        EXPECT_EQ(r.invoice.taxCurrency.toStdString(), c.taxCurrency);
        EXPECT_EQ(text(r.invoice.vat).toStdString(), c.vat);
        EXPECT_EQ(text(r.invoice.declaredLei).toStdString(), c.declared);
        EXPECT_EQ(int(r.invoice.breakdown.size()), c.rates);
        EXPECT_EQ(r.invoice.isCredit(), c.credit);
        EXPECT_FALSE(r.invoice.sellerVat.isEmpty());
    }
}

TEST(InvoiceReading, TheSpvZipsGiveTheirInvoiceByNameOrTheirErrorMessage) {
    if (!QDir(samples()).exists()) GTEST_SKIP() << "no e-Factura samples on this machine: " << samples().toStdString();
    struct Case {
        const char* file;
        const char* entry;
        InvoiceReader::Kind kind;
        const char* numberOrReason;
    } const cases[] = {
        {"spv_zip/oca_spv_5004552043.zip", "5004552043.xml", InvoiceReader::Kind::Invoice, "ETTS/2023 /000130"},
        {"spv_zip/oca_spv_4186086961.zip", "4186086961.xml", InvoiceReader::Kind::Invoice, "GRS1913049"},
        {"spv_zip/oca_spv_3828_error-response.zip", "3828.xml", InvoiceReader::Kind::NotInvoice,
         "mesaj de erori SPV: E:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const InvoiceFiles::Item item = InvoiceFiles::load(samples() + u'/' + QLatin1String(c.file));
        ASSERT_TRUE(item.problem.isEmpty()) << item.problem.toStdString();
        EXPECT_EQ(item.entry.toStdString(), c.entry);
        const InvoiceReader::Read r = InvoiceReader::read(item.xml);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ((r.kind == InvoiceReader::Kind::Invoice ? r.invoice.number : r.reason.left(22)).toStdString(),
                  c.numberOrReason);
    }
}

// Files made to hurt: each is named for what it is, quickly, and none is read as an invoice.
TEST(InvoiceReading, HostileFilesAreRefusedQuicklyWithTheirReason) {
    const QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
                              "<!ENTITY l1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
                              "<!ENTITY l2 \"&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;\">"
                              "<!ENTITY l3 \"&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;\">]>"
                              "<Invoice xmlns=\"" +
                              UblNames::kInvoice.toUtf8() + "\">&l3;</Invoice>";
    const QByteArray external = "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
                                "<Invoice xmlns=\"" +
                                UblNames::kInvoice.toUtf8() + "\">&e;</Invoice>";
    const QByteArray deep =
        ("<Invoice xmlns=\"" + UblNames::kInvoice.toUtf8() + "\">") + QByteArray("<a>").repeated(100000);
    QByteArray cut = Xml{}.bytes();
    cut.chop(40);
    struct Case {
        QByteArray xml;
        InvoiceReader::Kind kind;
        const char* reason;
    } const cases[] = {
        {laughs, InvoiceReader::Kind::Unreadable, "DOCTYPE"},
        {external, InvoiceReader::Kind::Unreadable, "DOCTYPE"},
        {deep, InvoiceReader::Kind::Unreadable, "imbricat prea adanc"},
        {cut, InvoiceReader::Kind::Unreadable, "XML deteriorat"},
        {QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), InvoiceReader::Kind::NotInvoice, "nu este fisier XML"},
        {"<html><body>factura</body></html>", InvoiceReader::Kind::NotInvoice, "radacina html"},
        {"", InvoiceReader::Kind::NotInvoice, "nu este fisier XML"},
        {QByteArray(InvoiceReader::kMaxBytes + 1, ' '), InvoiceReader::Kind::Unreadable, "prea mare"},
    };
    for (const Case& c : cases) {
        const InvoiceReader::Read r = InvoiceReader::read(c.xml);
        EXPECT_EQ(r.kind, c.kind) << c.reason;
        EXPECT_TRUE(r.reason.contains(QLatin1String(c.reason))) << r.reason.toStdString();
    }
}

TEST(InvoiceReading, ZipsAreJudgedByTheirDeclaredSizesAndNamesBeforeUnpacking) {
    const QByteArray invoice = Xml{}.bytes();
    QByteArray bomb = zipOf({{"1.xml", QByteArray(1000, ' ')}});
    // The sizes the archive declares, rewritten to 2 GB: refused on their word, nothing unpacked.
    const char twoGb[4] = {0, 0, 0, char(0x80)};
    for (const auto& [header, field] :
         {std::pair{QByteArray("PK\x03\x04"), 22}, std::pair{QByteArray("PK\x01\x02"), 24}})
        for (qsizetype at = bomb.indexOf(header); at >= 0; at = bomb.indexOf(header, at + 4))
            bomb.replace(at + field, 4, QByteArray(twoGb, 4));
    QList<QPair<QString, QByteArray>> many;
    for (int i = 0; i <= InvoiceFiles::kMaxZipEntries; ++i)
        many.append({QStringLiteral("%1.txt").arg(i), "x"});
    struct Case {
        const char* what;
        QByteArray zip;
        InvoiceReader::Kind kind;
        const char* reasonOrEntry;
    } const cases[] = {
        // The signature may be the whole invoice again: the invoice is chosen by its name.
        {"signed", zipOf({{"semnatura_7.xml", "<Signature/>"}, {"7.xml", invoice}}), InvoiceReader::Kind::Invoice,
         "7.xml"},
        {"signature alone", zipOf({{"semnatura_7.xml", invoice}}), InvoiceReader::Kind::NotInvoice,
         "nu contine o factura"},
        {"two invoices", zipOf({{"7.xml", invoice}, {"8.xml", invoice}}), InvoiceReader::Kind::NotInvoice,
         "2 fisiere XML"},
        {"bomb", bomb, InvoiceReader::Kind::Unreadable, "prea mare (2147483648 octeti)"},
        {"many", zipOf(many), InvoiceReader::Kind::NotInvoice, "prea multe fisiere"},
        {"cut", zipOf({{"7.xml", invoice}}).left(60), InvoiceReader::Kind::Unreadable, "deteriorata"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const InvoiceFiles::Item item = InvoiceFiles::fromZip(QStringLiteral("a.zip"), c.zip);
        if (c.kind == InvoiceReader::Kind::Invoice) {
            EXPECT_TRUE(item.problem.isEmpty()) << item.problem.toStdString();
            EXPECT_EQ(item.entry.toStdString(), c.reasonOrEntry);
            EXPECT_EQ(item.xml, invoice);
        } else {
            EXPECT_EQ(item.kind, c.kind);
            EXPECT_TRUE(item.problem.contains(QLatin1String(c.reasonOrEntry))) << item.problem.toStdString();
        }
    }
}

// Through the command line, as a script runs it: one entry per file, a signature beside its invoice
// left out, every figure from the file's and the bank's decimals.
TEST_F(InvoiceTest, TheCommandLineGivesOneJsonEntryPerFile) {
    QTemporaryDir dir;
    const auto put = [&dir](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    Xml ok;
    ok.declared = "400.05";
    Xml wrong;
    wrong.issue = "2024-01-10";
    wrong.declared = "400.10";
    put("1.xml", ok.bytes());
    put("semnatura_1.xml", ok.bytes());
    put("2.zip", zipOf({{"2.xml", wrong.bytes()}, {"semnatura_2.xml", "<Signature/>"}}));
    put("note.txt", "nu e factura");
    QString out, err;
    QTextStream o(&out), e(&err);
    CommandLine::Context context;
    context.database = app.db();
    const int exit = CommandLine::run({"--check-invoices", dir.path(), "--format", "json"}, context, o, e);
    EXPECT_EQ(exit, CommandLine::Failed);
    const QJsonArray entries = QJsonDocument::fromJson(out.toUtf8()).object().value("invoices").toArray();
    ASSERT_EQ(entries.size(), 3) << out.toStdString();
    EXPECT_EQ(entries[0].toObject().value("verdict").toString(), "ok");
    EXPECT_EQ(entries[0].toObject().value("rateDay").toString(), "2024-01-05");
    const QJsonObject differs = entries[1].toObject();
    EXPECT_EQ(differs.value("verdict").toString(), "differs");
    EXPECT_TRUE(differs.value("file").toString().endsWith("2.zip"));
    EXPECT_TRUE(out.contains("\"vatLei\":400.09,")) << out.toStdString();
    EXPECT_TRUE(out.contains("\"difference\":0.01,")) << out.toStdString();
    EXPECT_EQ(entries[2].toObject().value("verdict").toString(), "notInvoice");
}

} // namespace
