#include "core/invoice/invoicecheck.h"

#include "core/money/localcurrency.h"
#include "core/text/csvtext.h"
#include "core/text/daytext.h"

namespace {

using Verdict = InvoiceCheck::Verdict;

std::optional<Decimal> signedAs(const std::optional<Decimal>& v, bool negate) {
    if (!v) return std::nullopt;
    return negate ? v->negated() : *v;
}

std::optional<Decimal> inLei(const std::optional<Decimal>& amount, const Decimal& rate) {
    if (!amount) return std::nullopt;
    const auto exact = amount->times(rate);
    if (!exact) return std::nullopt;
    return exact->rounded(2);
}

QString money(const std::optional<Decimal>& v, QChar point) {
    return v ? v->fixed(std::max(2, v->decimals()), point) : QString();
}

const Decimal kBan = *Decimal::of(1, 2);

// Reasons add up: the VAT date assumed, the rate older than due, the difference.
void say(InvoiceCheck::Result& r, const QString& text) {
    r.reason = r.reason.isEmpty() ? text : r.reason + QStringLiteral("; ") + text;
}

// The per-rate subtotals converted one by one, as some issuers' programs add them; none when one overflows.
std::optional<Decimal> sumOfRates(const EInvoice& inv, const Decimal& rate) {
    Decimal sum;
    for (const EInvoice::Subtotal& s : inv.breakdown) {
        const auto lei = inLei(signedAs(s.vat, inv.creditNoteRoot), rate);
        const auto next = lei ? sum.plus(*lei) : std::nullopt;
        if (!next) return std::nullopt;
        sum = *next;
    }
    return sum;
}

} // namespace

QDate InvoiceCheck::vatDateOf(const EInvoice& inv, QString* note) {
    const auto noted = [note](const char* text) {
        if (note) *note = QString::fromLatin1(text);
    };
    if (inv.taxPointDate.isValid()) return inv.taxPointDate;
    if (inv.vatDateCode == u"35") {
        if (inv.deliveryDate.isValid()) return inv.deliveryDate;
        noted("lipseste data livrarii: s-a folosit data emiterii");
    } else if (inv.vatDateCode == u"432") {
        noted("data platii nu e in factura: s-a folosit data emiterii");
    }
    return inv.issueDate;
}

// The day whose rates apply under a rule, read once however many invoices share the date; none stored is no failure.
Outcome<std::optional<RateBook::Day>> InvoiceCheck::dayFor(QDate date, RateBook::Rule rule) {
    const QPair<QDate, int> key{date, int(rule)};
    if (const auto kept = m_days.constFind(key); kept != m_days.cend()) return *kept;
    auto day = RateBook::ratesFor(m_db, date, rule);
    if (!day && day.cause() != Cause::NoStoredDay) return Outcome<std::optional<RateBook::Day>>::failure(day);
    std::optional<RateBook::Day> found;
    if (day) found = *day;
    m_days.insert(key, found);
    return found;
}

Outcome<InvoiceCheck::Result> InvoiceCheck::check(const InvoiceFiles::Item& item) {
    Result r;
    r.file = item.file;
    r.entry = item.entry;
    if (!item.problem.isEmpty()) {
        r.verdict = item.kind == InvoiceReader::Kind::NotInvoice ? Verdict::NotInvoice : Verdict::Unreadable;
        r.reason = item.problem;
        return r;
    }
    const InvoiceReader::Read read = InvoiceReader::read(item.xml);
    if (read.kind != InvoiceReader::Kind::Invoice) {
        r.verdict = read.kind == InvoiceReader::Kind::NotInvoice ? Verdict::NotInvoice : Verdict::Unreadable;
        r.reason = read.reason;
        return r;
    }
    const EInvoice& inv = read.invoice;
    r.invoice = inv;
    r.credit = inv.isCredit();
    r.vatDate = vatDateOf(inv, &r.reason);
    // A credit note writes its amounts positive; booked, they take away.
    const bool negate = inv.creditNoteRoot;
    r.vat = signedAs(inv.vat, negate);
    // Only lei are checked: a VAT total declared in another currency is no figure in lei.
    if (inv.taxCurrency.compare(u"RON", Qt::CaseInsensitive) == 0) r.declaredLei = signedAs(inv.declaredLei, negate);
    if (Status s = convert(r, inv); !s) return Outcome<Result>::failure(s);
    if (r.verdict == Verdict::Differs) describeDifference(r, inv, r.rateDecimals);
    return r;
}

// The lei of a foreign-currency invoice at the rate the law applies; a lei invoice is its own figure.
Status InvoiceCheck::convert(Result& r, const EInvoice& inv) {
    const bool negate = inv.creditNoteRoot;
    if (inv.currency.compare(u"RON", Qt::CaseInsensitive) == 0) {
        r.verdict = Verdict::Ok;
        r.vatLei = r.vat;
        r.netLei = signedAs(inv.net, negate);
        r.totalLei = signedAs(inv.gross, negate);
        return succeeded();
    }
    return convertForeign(r, inv);
}

Status InvoiceCheck::convertForeign(Result& r, const EInvoice& inv) {
    const bool negate = inv.creditNoteRoot;
    if (!LocalCurrency::refusedOn(u"LEI NOI"_qs, r.vatDate).isEmpty()) {
        r.verdict = Verdict::Unreadable;
        say(r, QStringLiteral("data TVA %1 e inainte de leul nou (1 iulie 2005)").arg(DayText::shown(r.vatDate)));
        return succeeded();
    }
    const auto day = dayFor(r.vatDate, RateBook::Rule::Before);
    if (!day) return Status::failure(day);
    const auto q = *day ? RateBook::quote((*day)->row, inv.currency.toUpper()) : std::nullopt;
    if (!q) {
        r.verdict = Verdict::Unreadable;
        say(r,
            *day
                ? QStringLiteral("nu exista curs BNR %1 la %2").arg(inv.currency.left(10), DayText::shown((*day)->date))
                : RateBook::noRateText(r.vatDate));
        return succeeded();
    }
    r.rate = q->value;
    r.rateDecimals = q->decimals();
    r.rateDay = (*day)->date;
    r.late = (*day)->isLate();
    if (r.late) say(r, (*day)->lateText());
    r.vatLei = inLei(r.vat, q->value);
    r.netLei = inLei(signedAs(inv.net, negate), q->value);
    if (r.netLei && r.vatLei) r.totalLei = r.netLei->plus(*r.vatLei);
    if (!r.vatLei) {
        r.verdict = Verdict::Unreadable;
        say(r, QStringLiteral("suma prea mare"));
        return succeeded();
    }
    return compare(r, inv, *q);
}

// The declared lei beside the computed: equal, equal but for a half ban rounded the other way,
// equal to the rates' subtotals converted one by one, or a difference with the rate it implies.
Status InvoiceCheck::compare(Result& r, const EInvoice& inv, const RateBook::Quote& q) {
    if (inv.taxCurrency.compare(u"RON", Qt::CaseInsensitive) != 0 || !r.declaredLei) {
        r.verdict = Verdict::Missing;
        say(r, inv.taxCurrency.isEmpty() || inv.taxCurrency.compare(u"RON", Qt::CaseInsensitive) == 0
                   ? QStringLiteral("lipseste TVA in lei")
                   : QStringLiteral("TVA e declarata in %1, nu in lei").arg(inv.taxCurrency.left(10)));
        return succeeded();
    }
    const Decimal declared = *r.declaredLei;
    const auto exact = r.vat->times(q.value);
    r.verdict = Verdict::Ok;
    if (declared == *r.vatLei) return succeeded();
    if (exact && exact->isTieAt(2) && declared.minus(*r.vatLei)->abs() == kBan) {
        say(r, QStringLiteral("jumatate de ban rotunjita invers"));
        return succeeded();
    }
    if (inv.breakdown.size() > 1 && sumOfRates(inv, q.value) == declared) {
        say(r, QStringLiteral("egala cu suma cotelor convertite pe rand"));
        return succeeded();
    }
    r.verdict = Verdict::Differs;
    r.difference = declared.minus(*r.vatLei);
    if (!r.vat->isZero()) r.impliedRate = declared.dividedBy(*r.vat, q.decimals());
    return findImpliedDay(r);
}

// What a difference is, in words: its size, the rate the declared figure implies and the day it is the bank's rate of.
void InvoiceCheck::describeDifference(Result& r, const EInvoice& inv, int rateDecimals) {
    QString text = QStringLiteral("diferenta %1 lei").arg(money(r.difference, u','));
    if (r.impliedRate)
        text += QStringLiteral("; cursul din factura pare %1").arg(r.impliedRate->fixed(rateDecimals, u','));
    if (r.impliedDay.isValid())
        text += r.impliedDay == inv.issueDate ? QStringLiteral(" (curs din ziua facturii)")
                                              : QStringLiteral(" (curs din %1)").arg(DayText::shown(r.impliedDay));
    say(r, text);
}

// The bank's day near the VAT date whose rate gives the declared lei: the day itself first (the
// usual mistake), then the days just after, then those before.
Status InvoiceCheck::findImpliedDay(Result& r) {
    const QString code = r.invoice->currency.toUpper();
    QList<QDate> tried{r.rateDay};
    QList<int> offsets{0, 1, 2, 3};
    for (int back = 1; back <= 14; ++back)
        offsets << -back;
    for (int offset : offsets) {
        const auto day = dayFor(r.vatDate.addDays(offset), RateBook::Rule::Same);
        if (!day) return Status::failure(day);
        if (!*day || tried.contains((*day)->date)) continue;
        tried << (*day)->date;
        const auto q = RateBook::quote((*day)->row, code);
        if (q && inLei(r.vat, q->value) == r.declaredLei) {
            r.impliedDay = (*day)->date;
            return succeeded();
        }
    }
    return succeeded();
}

QString InvoiceCheck::verdictKey(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return QStringLiteral("ok");
    case Verdict::Differs:
        return QStringLiteral("differs");
    case Verdict::Missing:
        return QStringLiteral("missing");
    case Verdict::Unreadable:
        return QStringLiteral("unreadable");
    case Verdict::NotInvoice:
        break;
    }
    return QStringLiteral("notInvoice");
}

QString InvoiceCheck::verdictText(Verdict v) {
    switch (v) {
    case Verdict::Ok:
        return QStringLiteral("corect");
    case Verdict::Differs:
        return QStringLiteral("diferit");
    case Verdict::Missing:
        return QStringLiteral("fara TVA in lei");
    case Verdict::Unreadable:
        return QStringLiteral("necitit");
    case Verdict::NotInvoice:
        break;
    }
    return QStringLiteral("nu e factura");
}

QStringList InvoiceCheck::header() {
    return {
        u"fisier"_qs,   u"numar"_qs,     u"tip"_qs,           u"data"_qs,    u"data TVA"_qs,          u"valuta"_qs,
        u"TVA"_qs,      u"curs"_qs,      u"ziua cursului"_qs, u"TVA lei"_qs, u"TVA lei declarata"_qs, u"diferenta"_qs,
        u"baza lei"_qs, u"total lei"_qs, u"verdict"_qs,       u"motiv"_qs};
}

QStringList InvoiceCheck::cells(const Result& r, QChar point) {
    const QString file = CsvText::inert(r.entry.isEmpty() ? r.file : r.file + QStringLiteral(" (") + r.entry + u')');
    if (!r.invoice)
        return {
            file, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, verdictText(r.verdict), CsvText::inert(r.reason)};
    const EInvoice& inv = *r.invoice;
    return {file,
            CsvText::inert(inv.number),
            r.credit ? QStringLiteral("storno") : QStringLiteral("factura"),
            inv.issueDate.toString(Qt::ISODate),
            r.vatDate.toString(Qt::ISODate),
            CsvText::inert(inv.currency),
            money(r.vat, point),
            r.rate ? r.rate->fixed(r.rateDecimals, point) : QString(),
            r.rateDay.isValid() ? r.rateDay.toString(Qt::ISODate) : QString(),
            money(r.vatLei, point),
            money(r.declaredLei, point),
            money(r.difference, point),
            money(r.netLei, point),
            money(r.totalLei, point),
            verdictText(r.verdict),
            CsvText::inert(r.reason)};
}
