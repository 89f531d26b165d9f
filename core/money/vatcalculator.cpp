#include "core/money/vatcalculator.h"

#include "core/text/inputtext.h"
#include "core/text/numbertext.h"

#include <cmath>
#include <optional>

namespace {

using NumberText::fitsSingle;

// Stored as a single first, then to the nearest whole number, halves to even.
std::optional<float> vatRound(double x) {
    if (!fitsSingle(x)) return std::nullopt;
    return float(NumberText::roundHalfEven(double(float(x))));
}

std::optional<QString> singleText(double x) {
    if (!fitsSingle(x)) return std::nullopt;
    return NumberText::general(float(x));
}

// x is what goes into round(); in cents mode the hundredfold value, scaled back here.
std::optional<QString> roundedText(double x, VatCalculator::Mode mode) {
    const auto r = vatRound(x);
    if (!r) return std::nullopt;
    if (mode == VatCalculator::Mode::Cents) return NumberText::general(double(*r) / 100.0);
    return NumberText::general(*r);
}

} // namespace

VatCalculator::Mode VatCalculator::modeFor(const QString& localCurrencyName) {
    if (localCurrencyName == u"LEI") return Mode::Whole;
    if (localCurrencyName == u"LEI NOI") return Mode::Cents;
    return Mode::None;
}

float VatCalculator::read(int index) const {
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

void VatCalculator::forwardPass(Mode mode) {
    if (read(VatBoxes::Quantity) == 0.0f) return;
    VatBusy = true;
    // Every value is read at the step that uses it, so later steps see earlier writes.
    if (VatFocusIndex != VatBoxes::Value) {
        if (auto t = singleText(double(read(VatBoxes::Quantity)) * double(read(VatBoxes::UnitPrice))))
            m_boxes.setText(VatBoxes::Value, *t);
    }
    if (VatFocusIndex != VatBoxes::Vat) {
        const double q = read(VatBoxes::Quantity), u = read(VatBoxes::UnitPrice), r = read(VatBoxes::Rate);
        const double vat = mode == Mode::Cents ? q * 100.0 * u * r / 100.0 : u * q * r / 100.0;
        if (auto t = roundedText(vat, mode)) m_boxes.setText(VatBoxes::Vat, *t);
    }
    if (VatFocusIndex != VatBoxes::Total) {
        if (auto t = singleText(double(read(VatBoxes::Value)) + double(read(VatBoxes::Vat))))
            m_boxes.setText(VatBoxes::Total, *t);
    }
    VatBusy = false;
}

void VatCalculator::backCalculate(int index, Mode mode) {
    if (VatFocusIndex == VatBoxes::UnitPrice) return;
    const double q = read(VatBoxes::Quantity), r = read(VatBoxes::Rate), x = read(index);
    const bool cents = mode == Mode::Cents;
    double num = 0.0, den = 0.0;
    switch (index) {
    case VatBoxes::Value:
        num = cents ? x * 100.0 : x;
        den = q;
        break;
    case VatBoxes::Vat:
        num = cents ? x * 100.0 * 100.0 : x * 100.0;
        den = q * r;
        break;
    default:
        num = cents ? x * 100.0 * 100.0 : x * 100.0;
        den = (r + 100.0) * q;
        break;
    }
    // No divisor, no price: the unit price keeps what it had.
    if (den == 0.0 || !std::isfinite(den)) return;
    if (auto text = roundedText(num / den, mode)) m_boxes.setText(VatBoxes::UnitPrice, *text);
}

QString VatCalculator::quantityAfterEdit(const QString& text) {
    return InputText::leadingDotNumber(text) == 0.0 ? QStringLiteral("1") : text;
}

QString VatCalculator::rateAfterEdit(const QString& text, const QString& savedRate) {
    return InputText::leadingDotNumber(text) == 0.0 ? savedRate : text;
}
