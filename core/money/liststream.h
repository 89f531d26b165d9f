#pragma once

#include "core/money/listconversion.h"

#include <functional>

// A list file converted as it is read: each line read, converted and handed on before the
// next, so that memory holds one row and the days met however long the list (a large
// firm's year of invoices, a million rows). The file's encoding, separator and header are
// told by its first lines, as for a list held whole.
class ListStream {
public:
    // A list streamed may be far longer than one held whole, but a device without end is not read forever.
    static constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;
    struct Summary {
        int rows = 0;
        int failed = 0;
        int late = 0;
        std::vector<ListConversion::Total> totals;
    };
    // Takes each row as it comes; a failure (the output could not be written) stops the list.
    using Sink = std::function<Status(const ListConversion::Row&)>;
    static Outcome<Summary> convertFile(const QString& dbPath, const QString& path, RateBook::Rule rule,
                                        const Sink& sink);
};
