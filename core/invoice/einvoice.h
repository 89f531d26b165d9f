#pragma once

#include "core/money/decimal.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

// What an e-Factura file says about the money of one invoice or credit note: who, when,
// in which currency, and its VAT in that currency and, where given, in lei. Amounts are
// as written in the file (a credit note's positive); `credit` says which way they count.
struct EInvoice {
    struct Subtotal {
        Decimal taxable;
        Decimal vat;
        QString category; // "S", "E", "Z"...
        std::optional<Decimal> percent;
    };

    QString number;
    QDate issueDate;
    QString typeCode; // "380", "381"...
    bool creditNoteRoot = false;
    QString currency;    // of the document
    QString taxCurrency; // the currency its VAT is booked in; empty when not given
    QDate taxPointDate;
    QString vatDateCode; // "3", "35", "432"; empty when not given
    QDate deliveryDate;
    QString sellerName, sellerVat, buyerName, buyerVat;
    std::optional<Decimal> net;         // total without VAT
    std::optional<Decimal> vat;         // total VAT in the document's currency
    std::optional<Decimal> gross;       // total with VAT
    std::optional<Decimal> payable;     // amount due
    std::optional<Decimal> declaredLei; // total VAT in the VAT currency, as the issuer declared it
    std::vector<Subtotal> breakdown;

    // A credit note, or an invoice with negative totals as storno invoices are issued.
    bool isCredit() const {
        if (creditNoteRoot || typeCode == u"381") return true;
        const std::optional<Decimal>& t = gross ? gross : vat;
        return t && t->sign() < 0;
    }
};
