// The XML scanner on any bytes: every token until the end or the first error.
#include "core/feed/xmlscanner.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlScanner reader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (int i = 0; i < 1000000; ++i) {
        const auto t = reader.next();
        if (t == XmlScanner::Token::EndOfDocument || t == XmlScanner::Token::Invalid) break;
        if (t == XmlScanner::Token::StartElement) (void)reader.attributes();
        if (t == XmlScanner::Token::Characters) (void)reader.text();
    }
    return 0;
}
