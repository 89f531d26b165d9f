// A list for "Conversie lista" as a file or a paste gives it: read, and written back out.
#include "core/money/listconversion.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    ListConversion::Result result;
    for (const ListConversion::Input& in : ListConversion::read(text)) {
        ListConversion::Row row;
        row.line = in.line;
        row.given = in.fields;
        row.error = QStringLiteral("x");
        result.rows.push_back(row);
    }
    (void)ListConversion::csv(result);
    (void)ListConversion::tsv(result);
    // No cell may start a formula in a spreadsheet.
    for (const ListConversion::Row& row : result.rows)
        for (const QString& cell : ListConversion::cells(row, u','))
            if (cell.startsWith(u'=') || cell.startsWith(u'+') || cell.startsWith(u'@')) __builtin_trap();
    return 0;
}
