#pragma once

#include <QString>

// The per-user settings of the program, section "Settings", all values as text.
// On Windows they sit where earlier versions kept them in the registry, so an
// existing installation keeps its choices; elsewhere in the user's config folder.
class AppSettings {
public:
    static QString value(const QString& key, const QString& defaultValue);
    static void setValue(const QString& key, const QString& value);
    // Where the values are kept, for the README and for support.
    static QString location();
};
