// An e-Factura file as a user drops it: XML or an SPV ZIP, read and checked against an empty history.
#include "core/invoice/invoicecheck.h"

#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static const QString db = dir.filePath(QStringLiteral("valuta.mdb"));
    static const bool made = bool(RateDb::createShipped(db));
    if (!made) __builtin_trap();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    InvoiceFiles::Item item;
    if (bytes.startsWith("PK")) {
        item = InvoiceFiles::fromZip(QStringLiteral("f.zip"), bytes);
        // An entry is unpacked only within the bound the archive declared.
        if (item.xml.size() > InvoiceReader::kMaxBytes) __builtin_trap();
    } else {
        item.file = QStringLiteral("f.xml");
        item.xml = bytes;
    }
    RateDb rates(db);
    InvoiceCheck check(rates);
    const auto result = check.check(item);
    if (!result) __builtin_trap(); // the history is sound: every file gets its verdict
    // A verdict other than ok always says why; no cell starts a formula in a spreadsheet.
    if (result->verdict != InvoiceCheck::Verdict::Ok && result->verdict != InvoiceCheck::Verdict::Differs &&
        result->reason.isEmpty())
        __builtin_trap();
    const QStringList cells = InvoiceCheck::cells(*result, u',');
    for (int c : {0, 1, 5, 15})
        if (cells[c].startsWith(u'=') || cells[c].startsWith(u'+') || cells[c].startsWith(u'@')) __builtin_trap();
    return 0;
}
