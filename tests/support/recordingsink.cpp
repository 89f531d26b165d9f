#include "tests/support/recordingsink.h"

QStringList RecordingSink::texts() const {
    QStringList t;
    for (const auto& s : shown)
        t << s.text;
    return t;
}
