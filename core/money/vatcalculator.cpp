#include "core/money/vatcalculator.h"

#include "core/money/converter.h"
#include "core/text/inputtext.h"
#include "core/text/numbertext.h"

#include <optional>

namespace {

using Maybe = std::optional<Decimal>;

Maybe times(const Maybe& a, const Maybe& b) {
    return a && b ? a->times(*b) : std::nullopt;
}

// The places a rounded result keeps: bani for the new leu, whole lei for the old one.
int placesOf(VatCalculator::Mode mode) {
    return mode == VatCalculator::Mode::Cents ? 2 : 0;
}

// A figure a box can show and read back again.
Maybe shown(const Maybe& v) {
    if (!v || v->wholeDigits() > InputText::kMaxWholeDigits || v->decimals() > InputText::kMaxDecimals)
        return std::nullopt;
    return v;
}

} // namespace

VatCalculator::Mode VatCalculator::modeFor(const QString& localCurrencyName) {
    if (localCurrencyName == u"LEI") return Mode::Whole;
    if (localCurrencyName == u"LEI NOI") return Mode::Cents;
    return Mode::None;
}

QString VatCalculator::refusal(std::initializer_list<int> inputs) const {
    // The box that could not be read says why; with every box read, a result was too large.
    for (int index : inputs)
        if (!read(index)) return Converter::refusalOf(m_boxes.text(index));
    return Converter::tooLargeText();
}

std::optional<Decimal> VatCalculator::read(int index) const {
    return InputText::ParseNumber(m_boxes.text(index));
}

void VatCalculator::change(int index, const QString& localCurrencyName) {
    if (VatBusy) return;
    const Mode mode = modeFor(localCurrencyName);
    if (mode == Mode::None) return;
    if (index == VatBoxes::Quantity || index == VatBoxes::UnitPrice || index == VatBoxes::Rate)
        forwardPass(mode);
    else if (index >= VatBoxes::Value && index <= VatBoxes::Total)
        backCalculate(index, mode);
}

// A figure that cannot be worked out is not left standing from an earlier line:
// its box is emptied and the user told once.
bool VatCalculator::write(int index, const std::optional<Decimal>& value) {
    if (value) {
        m_boxes.setText(index, NumberText::general(*value));
        return true;
    }
    m_boxes.setText(index, QString());
    return false;
}

void VatCalculator::forwardPass(Mode mode) {
    const Maybe quantity = read(VatBoxes::Quantity);
    if (quantity && quantity->isZero()) return;
    VatBusy = true;
    bool refused = !quantity;
    // Every value is read at the step that uses it, so later steps see earlier writes.
    if (VatFocusIndex != VatBoxes::Value)
        refused |= !write(VatBoxes::Value, shown(times(read(VatBoxes::Quantity), read(VatBoxes::UnitPrice))));
    if (VatFocusIndex != VatBoxes::Vat) {
        // Quantity x price x rate / 100, rounded once.
        const Maybe base = times(times(read(VatBoxes::Quantity), read(VatBoxes::UnitPrice)), read(VatBoxes::Rate));
        refused |= !write(VatBoxes::Vat, shown(base ? base->dividedBy(Decimal::whole(100), placesOf(mode)) : base));
    }
    if (VatFocusIndex != VatBoxes::Total) {
        // An emptied box reads as 0: a total of it would be a wrong figure, not a missing one.
        const Maybe value = read(VatBoxes::Value), vat = read(VatBoxes::Vat);
        refused |=
            !write(VatBoxes::Total, refused ? std::nullopt : shown(value && vat ? value->plus(*vat) : std::nullopt));
    }
    VatBusy = false;
    if (refused) m_boxes.refused(refusal({VatBoxes::Quantity, VatBoxes::UnitPrice, VatBoxes::Rate}));
}

void VatCalculator::backCalculate(int index, Mode mode) {
    if (VatFocusIndex == VatBoxes::UnitPrice) return;
    const Maybe q = read(VatBoxes::Quantity), r = read(VatBoxes::Rate), x = read(index);
    if (!q || !r || !x) {
        m_boxes.refused(refusal({index, VatBoxes::Quantity, VatBoxes::Rate}));
        return;
    }
    const Decimal hundred = Decimal::whole(100);
    Maybe num, den;
    switch (index) {
    case VatBoxes::Value: // V / Q
        num = x;
        den = q;
        break;
    case VatBoxes::Vat: // T x 100 / (Q x R)
        num = x->times(hundred);
        den = q->times(*r);
        break;
    default: // S x 100 / ((R + 100) x Q)
        num = x->times(hundred);
        den = times(r->plus(hundred), q);
        break;
    }
    // No divisor, no price: the unit price keeps what it had.
    if (den && den->isZero()) return;
    const Maybe price = shown(num && den ? num->dividedBy(*den, placesOf(mode)) : std::nullopt);
    if (!price) {
        m_boxes.refused(Converter::tooLargeText());
        return;
    }
    m_boxes.setText(VatBoxes::UnitPrice, NumberText::general(*price));
}

QString VatCalculator::quantityAfterEdit(const QString& text) {
    return InputText::leadingDotNumber(text) == 0.0 ? QStringLiteral("1") : text;
}

QString VatCalculator::rateAfterEdit(const QString& text, const QString& savedRate) {
    return InputText::leadingDotNumber(text) == 0.0 ? savedRate : text;
}
