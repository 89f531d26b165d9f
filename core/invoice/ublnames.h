#pragma once

#include <QString>

// The XML namespaces of UBL 2.1 documents, as every e-Factura file declares them.
namespace UblNames {

inline const QString kPrefix = QStringLiteral("urn:oasis:names:s"
                                              "pecification:ubl:schema:xsd:");
inline const QString kInvoice = kPrefix + QStringLiteral("Invoice-2");
inline const QString kCreditNote = kPrefix + QStringLiteral("CreditNote-2");
inline const QString kAggregate = kPrefix + QStringLiteral("CommonAggregateComponents-2");
inline const QString kBasic = kPrefix + QStringLiteral("CommonBasicComponents-2");

// The opening of a document with its three namespaces: "<Invoice xmlns=... xmlns:cac=... xmlns:cbc=...>".
inline QString opening(const QString& root) {
    return QStringLiteral("<%1 xmlns=\"%2\" xmlns:cac=\"%3\" xmlns:cbc=\"%4\">")
        .arg(root, root == QLatin1String("CreditNote") ? kCreditNote : kInvoice, kAggregate, kBasic);
}

} // namespace UblNames
