#include "core/money/converter.h"

#include "core/text/daytext.h"
#include "core/text/inputtext.h"

namespace {

using R = Outcome<Converter::Result>;

R fail(const QString& why, Cause cause = Cause::Other) {
    return R::failure(why, cause);
}

Outcome<RateBook::Quote> quoteOf(const std::optional<StoredDay>& row, const QString& code, bool divisor) {
    using Q = Outcome<RateBook::Quote>;
    if (!row) return Q::failure(QStringLiteral("nicio zi inainte de data aleasa"));
    const auto q = RateBook::quote(*row, code);
    if (!q) return Q::failure(QStringLiteral("lipseste cursul pentru ") + code);
    if (divisor && q->value.isZero()) return Q::failure(QStringLiteral("curs zero pentru ") + code);
    return *q;
}

// A figure past what an amount may hold could not be read back from its box.
bool fits(const Decimal& v) {
    return v.wholeDigits() <= InputText::kMaxWholeDigits;
}

// "2500 x 100 HUF" for blocks of a currency quoted per hundred, "100 EUR" otherwise.
QString quantity(const QString& amount, const std::optional<RateBook::Quote>& q, const QString& local) {
    if (!q) return amount + u' ' + local;
    if (q->units != 1) return amount + QStringLiteral(" x ") + q->unitsText();
    return amount + u' ' + q->code;
}

} // namespace

QString Converter::tooLargeText() {
    return QStringLiteral("Suma este prea mare pentru calcul.");
}

QString Converter::refusalOf(const QString& amountText) {
    if (InputText::faultOf(amountText) == InputText::AmountFault::Grouping)
        return QStringLiteral("Suma \"%1\" nu poate fi citita: separatorii de mii nu sunt la locul lor.")
            .arg(amountText.trimmed());
    return tooLargeText();
}

bool Converter::needsRates(const Request& r) {
    return !(r.source == r.localCurrency && r.target == r.localCurrency);
}

Outcome<Converter::Result> Converter::convert(const Request& r, const std::optional<StoredDay>& row) {
    const auto amount = InputText::ParseNumber(r.amountText);
    if (!amount) return fail(refusalOf(r.amountText), Cause::OutOfRange);
    Result out{*amount, {}, std::nullopt, std::nullopt};
    std::optional<Decimal> exact = *amount;
    if (r.source != r.localCurrency) {
        const auto from = quoteOf(row, r.source, false);
        if (!from) return R::failure(from);
        out.from = *from;
        exact = exact->times(from->value);
    }
    if (r.target != r.localCurrency) {
        const auto to = quoteOf(row, r.target, true);
        if (!to) return R::failure(to);
        out.to = *to;
        // The quotient is rounded to the ban at once: one rounding, of the exact figure.
        const auto v = exact ? exact->dividedBy(to->value, 2) : std::nullopt;
        if (!v || !fits(*v)) return fail(tooLargeText(), Cause::OutOfRange);
        out.value = *v;
        return out;
    }
    // Checked once rounded: 999999999999999,996 becomes a sixteenth whole digit only then.
    if (exact) out.value = exact->rounded(2);
    if (!exact || !fits(out.value)) return fail(tooLargeText(), Cause::OutOfRange);
    return out;
}

QString Converter::rateText(const RateBook::Quote& q, QChar point) {
    return q.value.fixed(q.decimals(), point);
}

QString Converter::ratesUsed(const Result& result, const RateBook::Day& day, QChar point) {
    QStringList parts;
    for (const auto& q : {result.from, result.to})
        if (q) parts << QStringLiteral("%1 = %2 %3").arg(q->unitsText(), rateText(*q, point), day.local.name);
    if (parts.isEmpty()) return {};
    QString text =
        QStringLiteral("Curs BNR din %1: %2").arg(DayText::shown(day.date), parts.join(QStringLiteral(", ")));
    if (day.isLate()) text += QStringLiteral("; ") + day.lateText();
    return text;
}

QString Converter::documentLine(const Result& result, const std::optional<RateBook::Day>& day,
                                const QString& localCurrency, QChar point) {
    const QString figure = quantity(result.value.fixed(2, point), result.to, localCurrency);
    if (!result.from && !result.to) return figure;
    if (!day) return {};
    QString how = quantity(result.amount.toString(point), result.from, localCurrency);
    if (result.from) how += QStringLiteral(" x ") + rateText(*result.from, point);
    if (result.to) how += QStringLiteral(" / ") + rateText(*result.to, point);
    QString used = QStringLiteral("curs BNR din ") + DayText::shown(day->date);
    if (day->isLate()) used += QStringLiteral("; ") + day->lateText();
    return QStringLiteral("%1 (%2, %3)").arg(figure, how, used);
}
