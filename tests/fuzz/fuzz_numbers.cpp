// The readers of numbers, dates and codes that users and files type.
#include "core/feed/feedparser.h"
#include "core/money/ratebook.h"
#include "core/text/inputtext.h"
#include "core/text/ratefield.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)InputText::ParseNumber(text);
    if (const auto a = InputText::Amount(text); a && !std::isfinite(*a)) __builtin_trap();
    (void)InputText::YMD(text);
    (void)InputText::settingNumber(text);
    (void)RateField::value(text);
    (void)FeedParser::cubeDate(text);
    (void)RateBook::isCode(text);
    return 0;
}
