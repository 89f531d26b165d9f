// The readers of numbers, dates and codes that users and files type.
#include "core/feed/feedparser.h"
#include "core/money/ratebook.h"
#include "core/text/daytext.h"
#include "core/text/inputtext.h"
#include "core/text/ratefield.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // What is read is within bounds and writes back as the same number.
    for (const auto& a : {InputText::ParseNumber(text), InputText::Amount(text)})
        if (a && (a->wholeDigits() > InputText::kMaxWholeDigits || Decimal::fromText(a->toString()) != a))
            __builtin_trap();
    if (const auto d = Decimal::fromText(text); d && Decimal::fromText(d->toString()) != d) __builtin_trap();
    (void)DayText::typed(text);
    (void)InputText::YMD(text);
    (void)InputText::settingNumber(text);
    (void)RateField::value(text);
    (void)FeedParser::cubeDate(text);
    (void)RateBook::isCode(text);
    return 0;
}
