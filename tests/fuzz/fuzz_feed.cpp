// The bank's files as the update reads them: the feed's date, every day, one day.
#include "core/feed/feedparser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray xml(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto date = FeedParser::feedDate(xml);
    std::vector<QDate> broken;
    const auto days = FeedParser::days(xml, &broken);
    if (days)
        for (const FeedDay& d : *days)
            for (const FeedRate& e : d.rates)
                if (!(e.value > 0) || e.column.isEmpty()) __builtin_trap(); // a stored rate is always a sane one
    (void)FeedParser::dayFile(xml, date ? *date : QDate(2024, 3, 1));
    (void)FeedParser::saysNoRates(xml);
    return 0;
}
