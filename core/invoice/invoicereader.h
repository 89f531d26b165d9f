#pragma once

#include "core/invoice/einvoice.h"

#include <QByteArray>
#include <QString>

// Reads one e-Factura XML file (UBL 2.1 Invoice or CreditNote) into its money fields.
// The file is untrusted: a document type declaration is refused before anything in it
// is expanded, and size and nesting are bounded, so a crafted file costs little.
class InvoiceReader {
public:
    enum class Kind { Invoice, NotInvoice, Unreadable };
    struct Read {
        Kind kind = Kind::Unreadable;
        EInvoice invoice;
        QString reason; // why it is not an invoice, or cannot be read
    };
    // Larger than any invoice the tax authority accepts, with its attachments.
    static constexpr qsizetype kMaxBytes = 32 * 1024 * 1024;
    static constexpr int kMaxDepth = 64;

    static Read read(const QByteArray& xml);
};
