#include "core/invoice/invoicereader.h"
#include "core/invoice/ublnames.h"

#include <QHash>
#include <QStringList>
#include <QXmlStreamReader>

namespace {

// Amounts of an invoice have at most fifteen whole digits, as every amount of the program.
constexpr int kMaxAmountChars = 40;

using Read = InvoiceReader::Read;
using Kind = InvoiceReader::Kind;

Read refused(Kind kind, QString reason) {
    Read r;
    r.kind = kind;
    r.reason = std::move(reason);
    return r;
}

// An amount as the schema writes one: a sign, digits and at most one point; no exponent, no spaces.
std::optional<Decimal> amountOf(QStringView text) {
    if (text.isEmpty() || text.size() > kMaxAmountChars) return std::nullopt;
    int digits = 0, points = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (c == u'.')
            ++points;
        else if (!(i == 0 && (c == u'-' || c == u'+')))
            return std::nullopt;
    }
    if (digits == 0 || points > 1) return std::nullopt;
    const auto d = Decimal::fromText(text);
    if (!d || d->wholeDigits() > 15) return std::nullopt;
    return d;
}

struct SubtotalText {
    QString taxable, vat, category, percent;
};
struct TaxTotal {
    QString amountText, currency;
    std::vector<SubtotalText> subtotals;
};
struct Party {
    QString name, legalId, vatId, taxId;
    QString schemeId, schemeKind; // of the tax scheme being read
};

enum class Leaf {
    Number,
    Issue,
    Type,
    Currency,
    TaxCurrency,
    TaxPoint,
    DateCode,
    Delivery,
    Name,
    LegalId,
    SchemeId,
    SchemeKind,
    TaxAmount,
    Taxable,
    SubtotalVat,
    Category,
    Percent,
    Net,
    Gross,
    Payable
};

void firstOf(QString& into, const QString& text) {
    if (into.isEmpty()) into = text;
}

class Parser {
public:
    explicit Parser(const QByteArray& xml) : m_xml(xml) {}
    Read run();

private:
    Read root();
    std::optional<Read> element();
    Read errorMessage();
    Party* partyOf(QString& path);
    void start(QString path);
    void end(QString path);
    void partyLeaf(Party& party, Leaf leaf, const QString& text);
    void taxLeaf(Leaf leaf, const QString& text, const QString& currency);
    void documentLeaf(Leaf leaf, const QString& text);
    Read finish();
    std::optional<QString> readTotals();
    Read damaged() const;

    QXmlStreamReader m_xml;
    QStringList m_path;
    EInvoice m_inv;
    Party m_seller, m_buyer;
    QString m_issueText, m_taxPointText, m_deliveryText;
    QString m_netText, m_grossText, m_payableText;
    std::vector<TaxTotal> m_totals;
    int m_depth = 0;
};

Read Parser::damaged() const {
    return refused(Kind::Unreadable, QStringLiteral("XML deteriorat la linia %1").arg(m_xml.lineNumber()));
}

Read Parser::run() {
    while (!m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::DTD:
            // Nothing an entity declares is ever expanded: an invoice has no use for them.
            return refused(Kind::Unreadable, QStringLiteral("contine o declaratie DOCTYPE (refuzata)"));
        case QXmlStreamReader::StartElement:
            if (std::optional<Read> r = element()) return *r;
            break;
        case QXmlStreamReader::EndElement:
            --m_depth;
            if (!m_path.isEmpty()) {
                end(m_path.join(u'/'));
                m_path.removeLast();
            }
            break;
        case QXmlStreamReader::Invalid:
            if (m_depth == 0 && m_inv.number.isEmpty() && m_totals.empty())
                return refused(Kind::NotInvoice, QStringLiteral("nu este fisier XML"));
            return damaged();
        default:
            break;
        }
    }
    if (m_xml.hasError()) return damaged();
    return finish();
}

// An element begins: the root says what the file is; below it the path of UBL names is followed.
std::optional<Read> Parser::element() {
    if (++m_depth > InvoiceReader::kMaxDepth)
        return refused(Kind::Unreadable, QStringLiteral("XML imbricat prea adanc"));
    if (m_depth == 1) {
        Read r = root();
        return r.kind != Kind::Invoice ? std::optional<Read>(r) : std::nullopt;
    }
    const QStringView ns = m_xml.namespaceUri();
    m_path << ((ns == UblNames::kAggregate || ns == UblNames::kBasic) ? m_xml.name().toString() : QStringLiteral("#"));
    start(m_path.join(u'/'));
    return std::nullopt;
}

// The root says what the file is: an invoice, a credit note, or one of the tax authority's other messages.
Read Parser::root() {
    const QStringView name = m_xml.name();
    const QStringView ns = m_xml.namespaceUri();
    if ((name == u"Invoice" && ns == UblNames::kInvoice) || (name == u"CreditNote" && ns == UblNames::kCreditNote)) {
        m_inv.creditNoteRoot = name == u"CreditNote";
        Read r;
        r.kind = Kind::Invoice;
        return r;
    }
    if (name == u"header" && ns.startsWith(u"mfp:anaf:dgti:efactura:mesajEroriFactuta")) return errorMessage();
    if (name == u"Signature") return refused(Kind::NotInvoice, QStringLiteral("semnatura electronica, nu factura"));
    if (name == u"header") return refused(Kind::NotInvoice, QStringLiteral("raspuns SPV, nu factura"));
    return refused(Kind::NotInvoice, QStringLiteral("nu este factura UBL (radacina %1)").arg(name.toString().left(60)));
}

// The leaves read, by their path below the root; the parties' leaves without the party's own name.
const QHash<QString, Leaf>& leaves() {
    static const QHash<QString, Leaf> table = {
        {u"ID"_qs, Leaf::Number},
        {u"IssueDate"_qs, Leaf::Issue},
        {u"InvoiceTypeCode"_qs, Leaf::Type},
        {u"CreditNoteTypeCode"_qs, Leaf::Type},
        {u"DocumentCurrencyCode"_qs, Leaf::Currency},
        {u"TaxCurrencyCode"_qs, Leaf::TaxCurrency},
        {u"TaxPointDate"_qs, Leaf::TaxPoint},
        {u"InvoicePeriod/DescriptionCode"_qs, Leaf::DateCode},
        {u"Delivery/ActualDeliveryDate"_qs, Leaf::Delivery},
        {u"Party/PartyLegalEntity/RegistrationName"_qs, Leaf::Name},
        {u"Party/PartyLegalEntity/CompanyID"_qs, Leaf::LegalId},
        {u"Party/PartyTaxScheme/CompanyID"_qs, Leaf::SchemeId},
        {u"Party/PartyTaxScheme/TaxScheme/ID"_qs, Leaf::SchemeKind},
        {u"TaxTotal/TaxAmount"_qs, Leaf::TaxAmount},
        {u"TaxTotal/TaxSubtotal/TaxableAmount"_qs, Leaf::Taxable},
        {u"TaxTotal/TaxSubtotal/TaxAmount"_qs, Leaf::SubtotalVat},
        {u"TaxTotal/TaxSubtotal/TaxCategory/ID"_qs, Leaf::Category},
        {u"TaxTotal/TaxSubtotal/TaxCategory/Percent"_qs, Leaf::Percent},
        {u"LegalMonetaryTotal/TaxExclusiveAmount"_qs, Leaf::Net},
        {u"LegalMonetaryTotal/TaxInclusiveAmount"_qs, Leaf::Gross},
        {u"LegalMonetaryTotal/PayableAmount"_qs, Leaf::Payable},
    };
    return table;
}

// The party a path is in, and the path below it: seller, buyer, or neither.
Party* Parser::partyOf(QString& path) {
    for (auto [prefix, party] : {std::pair{QStringView(u"AccountingSupplierParty/"), &m_seller},
                                 std::pair{QStringView(u"AccountingCustomerParty/"), &m_buyer}}) {
        if (path.startsWith(prefix)) {
            path.remove(0, prefix.size());
            return party;
        }
    }
    return nullptr;
}

void Parser::start(QString path) {
    Party* party = partyOf(path);
    if (!party && path == u"TaxTotal") {
        m_totals.emplace_back();
        return;
    }
    if (!party && path == u"TaxTotal/TaxSubtotal" && !m_totals.empty()) {
        m_totals.back().subtotals.emplace_back();
        return;
    }
    if (party && path == u"Party/PartyTaxScheme") {
        party->schemeId.clear();
        party->schemeKind.clear();
        return;
    }
    const auto found = leaves().constFind(path);
    if (found == leaves().cend()) return;
    // Parties' leaves count only inside a party, the others only outside.
    const bool ofParty =
        *found == Leaf::Name || *found == Leaf::LegalId || *found == Leaf::SchemeId || *found == Leaf::SchemeKind;
    if (ofParty != (party != nullptr)) return;
    const QString currency = m_xml.attributes().value(QLatin1String("currencyID")).toString().trimmed();
    const QString text = m_xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed().left(512);
    // Reading the text consumed the element's end: the path and depth go back as the end would have moved them.
    m_path.removeLast();
    --m_depth;
    if (party) return partyLeaf(*party, *found, text);
    if (*found >= Leaf::TaxAmount && *found <= Leaf::Percent) return taxLeaf(*found, text, currency);
    documentLeaf(*found, text);
}

void Parser::partyLeaf(Party& party, Leaf leaf, const QString& text) {
    switch (leaf) {
    case Leaf::Name:
        firstOf(party.name, text);
        break;
    case Leaf::LegalId:
        firstOf(party.legalId, text);
        break;
    case Leaf::SchemeId:
        party.schemeId = text;
        break;
    default:
        party.schemeKind = text;
        break;
    }
}

void Parser::taxLeaf(Leaf leaf, const QString& text, const QString& currency) {
    if (m_totals.empty()) return;
    TaxTotal& total = m_totals.back();
    if (leaf == Leaf::TaxAmount) {
        if (total.amountText.isEmpty()) {
            total.amountText = text;
            total.currency = currency;
        }
        return;
    }
    if (total.subtotals.empty()) return;
    SubtotalText& sub = total.subtotals.back();
    switch (leaf) {
    case Leaf::Taxable:
        sub.taxable = text;
        break;
    case Leaf::SubtotalVat:
        sub.vat = text;
        break;
    case Leaf::Category:
        sub.category = text;
        break;
    default:
        sub.percent = text;
        break;
    }
}

// The document's own leaves: the first of each counts.
void Parser::documentLeaf(Leaf leaf, const QString& text) {
    QString* const fields[] = {&m_inv.number,      &m_issueText,    &m_inv.typeCode,    &m_inv.currency,
                               &m_inv.taxCurrency, &m_taxPointText, &m_inv.vatDateCode, &m_deliveryText};
    if (leaf <= Leaf::Delivery) return firstOf(*fields[int(leaf)], text);
    firstOf(leaf == Leaf::Net ? m_netText : leaf == Leaf::Gross ? m_grossText : m_payableText, text);
}

// The end of a party's tax scheme: its company id is the VAT code when the scheme is VAT's.
void Parser::end(QString path) {
    Party* party = partyOf(path);
    if (!party || path != u"Party/PartyTaxScheme" || party->schemeId.isEmpty()) return;
    if (party->schemeKind.compare(u"VAT", Qt::CaseInsensitive) == 0)
        firstOf(party->vatId, party->schemeId);
    else
        firstOf(party->taxId, party->schemeId);
}

// An upload the authority rejected: its first error, as far as a line can say it.
Read Parser::errorMessage() {
    int depth = 1;
    while (depth > 0 && !m_xml.atEnd()) {
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::EndElement) --depth;
        if (token != QXmlStreamReader::StartElement) continue;
        if (++depth > InvoiceReader::kMaxDepth) break;
        if (m_xml.name() == u"Error") {
            const QString said =
                m_xml.attributes().value(QLatin1String("errorMessage")).toString().simplified().left(200);
            return refused(Kind::NotInvoice, QStringLiteral("mesaj de erori SPV: ") + said);
        }
    }
    return refused(Kind::NotInvoice, QStringLiteral("mesaj de erori SPV"));
}

namespace {

std::optional<QString> date(const QString& text, const char* what, QDate& into) {
    if (text.isEmpty()) return std::nullopt;
    into = QDate::fromString(text, Qt::ISODate);
    if (!into.isValid() || text.size() != 10)
        return QStringLiteral("%1 nu este o data: %2").arg(QLatin1String(what), text.left(40));
    return std::nullopt;
}

std::optional<QString> amount(const QString& text, const char* what, std::optional<Decimal>& into) {
    if (text.isEmpty()) return std::nullopt;
    into = amountOf(text);
    if (!into) return QStringLiteral("%1 nu este o suma: %2").arg(QLatin1String(what), text.left(40));
    return std::nullopt;
}

bool knownType(const EInvoice& inv) {
    static const QStringList invoices = {u"380"_qs, u"384"_qs, u"389"_qs, u"751"_qs};
    return inv.creditNoteRoot ? inv.typeCode == u"381" : invoices.contains(inv.typeCode);
}

} // namespace

// The VAT totals told apart by currency: the document currency's, with the breakdown, and the
// VAT currency's. Where the two currencies are one an issuer may still write two totals; the one
// with the breakdown is the document's.
std::optional<QString> Parser::readTotals() {
    const TaxTotal* main = nullptr;
    int inCurrency = 0;
    for (const TaxTotal& t : m_totals) {
        if (t.currency != m_inv.currency) continue;
        ++inCurrency;
        if (!main || (main->subtotals.empty() && !t.subtotals.empty())) main = &t;
    }
    const bool same = m_inv.taxCurrency == m_inv.currency;
    if (!main) return QStringLiteral("lipseste totalul TVA in moneda facturii");
    if (inCurrency > (same ? 2 : 1)) return QStringLiteral("doua totaluri TVA in moneda facturii");
    if (auto problem = amount(main->amountText, "TVA", m_inv.vat)) return problem;
    for (const SubtotalText& s : main->subtotals) {
        std::optional<Decimal> taxable, vat;
        if (auto problem = amount(s.taxable, "baza unei cote", taxable)) return problem;
        if (auto problem = amount(s.vat, "TVA unei cote", vat)) return problem;
        m_inv.breakdown.push_back(
            {taxable.value_or(Decimal()), vat.value_or(Decimal()), s.category.left(10), amountOf(s.percent)});
    }
    if (!m_inv.vat) return QStringLiteral("lipseste totalul TVA in moneda facturii");
    for (const TaxTotal& t : m_totals) {
        if (m_inv.taxCurrency.isEmpty() || t.currency != m_inv.taxCurrency || (&t == main && inCurrency == 2)) continue;
        return amount(t.amountText, "TVA in lei", m_inv.declaredLei);
    }
    return std::nullopt;
}

// The fields read become the invoice: dates and amounts checked, the VAT totals told apart by currency.
Read Parser::finish() {
    if (m_inv.number.isEmpty()) return refused(Kind::Unreadable, QStringLiteral("lipseste numarul facturii"));
    if (m_issueText.isEmpty()) return refused(Kind::Unreadable, QStringLiteral("lipseste data emiterii"));
    if (m_inv.typeCode.isEmpty()) return refused(Kind::Unreadable, QStringLiteral("lipseste tipul facturii"));
    if (!knownType(m_inv))
        return refused(Kind::NotInvoice, QStringLiteral("tip de document necunoscut: %1").arg(m_inv.typeCode.left(10)));
    if (m_inv.currency.isEmpty()) return refused(Kind::Unreadable, QStringLiteral("lipseste moneda facturii"));
    for (const auto& problem :
         {date(m_issueText, "data emiterii", m_inv.issueDate), date(m_taxPointText, "data TVA", m_inv.taxPointDate),
          date(m_deliveryText, "data livrarii", m_inv.deliveryDate), amount(m_netText, "totalul fara TVA", m_inv.net),
          amount(m_grossText, "totalul cu TVA", m_inv.gross), amount(m_payableText, "totalul de plata", m_inv.payable)})
        if (problem) return refused(Kind::Unreadable, *problem);
    if (auto problem = readTotals()) return refused(Kind::Unreadable, *problem);
    const auto idOf = [](const Party& p) {
        return !p.vatId.isEmpty() ? p.vatId : !p.taxId.isEmpty() ? p.taxId : p.legalId;
    };
    m_inv.sellerName = m_seller.name;
    m_inv.sellerVat = idOf(m_seller);
    m_inv.buyerName = m_buyer.name;
    m_inv.buyerVat = idOf(m_buyer);
    Read r;
    r.kind = Kind::Invoice;
    r.invoice = m_inv;
    return r;
}

} // namespace

InvoiceReader::Read InvoiceReader::read(const QByteArray& xml) {
    if (xml.size() > kMaxBytes) return refused(Kind::Unreadable, QStringLiteral("fisier prea mare pentru o factura"));
    return Parser(xml).run();
}
