#pragma once

#include <QString>

// The six boxes of one invoice line, as the calculator sees them. Writing a box
// must raise the calculator's change handler for it at once, as a text box does.
class VatBoxes {
public:
    enum Index { Quantity = 0, UnitPrice = 1, Value = 2, Vat = 3, Total = 4, Rate = 5 };
    virtual ~VatBoxes() = default;
    virtual QString text(int index) const = 0;
    virtual void setText(int index, const QString& text) = 0;
};

// Keeps the boxes in step as the user types: quantity, unit price or rate give
// value, VAT and total; value, VAT or total give back the unit price and from it
// the rest. The box being edited is never overwritten. VAT and back-calculated
// prices are rounded by the local currency: whole lei for the old leu, bani for the new.
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
    float read(int index) const;

    VatBoxes& m_boxes;
};
