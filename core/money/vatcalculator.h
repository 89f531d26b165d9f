#pragma once

#include "core/money/decimal.h"

#include <QString>
#include <initializer_list>
#include <optional>

// The six boxes of one invoice line, as the calculator sees them. Writing a box
// must raise the calculator's change handler for it at once, as a text box does.
class VatBoxes {
public:
    enum Index { Quantity = 0, UnitPrice = 1, Value = 2, Vat = 3, Total = 4, Rate = 5 };
    virtual ~VatBoxes() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString& text) = 0;
    // A figure of the line is beyond what the arithmetic holds: tell the user why its box is empty.
    virtual void refused(const QString& why) = 0;
};

// Keeps the boxes in step as the user types: quantity, unit price or rate give
// value, VAT and total; value, VAT or total give back the unit price and from it
// the rest. The box being edited is never overwritten. VAT and back-calculated
// prices are rounded by the local currency: whole lei for the old leu, bani for the new,
// once, from the exact figures, halves to the even neighbour.
class VatCalculator {
public:
    enum class Mode { None, Whole, Cents };
    static Mode modeFor(const QString& localCurrencyName);

    explicit VatCalculator(VatBoxes& boxes) : m_boxes(boxes) {}

    void change(int index, const QString& localCurrencyName);
    void gotFocus(int index) { VatFocusIndex = index; }

    // What the quantity box holds after the user leaves it: "1" for a quantity of 0.
    static QString quantityAfterEdit(const QString& text);
    // The rate box after the user leaves it: the saved rate when it reads 0.
    static QString rateAfterEdit(const QString& text, const QString& savedRate);

    int VatFocusIndex = 0;
    bool VatBusy = false;

private:
    void forwardPass(Mode mode);
    void backCalculate(int index, Mode mode);
    // A box's figure exactly as it reads; nothing when it is beyond what an amount may hold.
    std::optional<Decimal> read(int index) const;
    // Why the line was refused, the boxes it read being these.
    QString refusal(std::initializer_list<int> inputs) const;
    // Writes a figure, or empties the box when there is none; whether there was one.
    bool write(int index, const std::optional<Decimal>& value);

    VatBoxes& m_boxes;
};
