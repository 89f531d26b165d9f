// A list for "Conversie lista" as a file or a paste gives it: read, and written back out.
#include "core/money/listconversion.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file's bytes as they come: UTF-8, or UTF-16 and UTF-32 by their byte order mark.
    const auto text =
        ListConversion::decode(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!text) return 0;
    ListConversion::Result result;
    for (const ListConversion::Input& in : ListConversion::read(*text)) {
        // A line that could not be read carries no field on.
        if (!in.problem.isEmpty() && !in.fields.isEmpty()) __builtin_trap();
        ListConversion::Row row;
        row.line = in.line;
        row.given = in.fields;
        row.error = QStringLiteral("x");
        for (const QString& f : in.fields)
            if (f.contains(QChar::Null) || f.contains(QChar::ReplacementCharacter)) __builtin_trap();
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
