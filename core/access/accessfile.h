#pragma once

#include <QString>

// What a file's first page says it is, before any reader is trusted with it: an
// Access database of some version, or something else.
class AccessFile {
public:
    enum class Kind { Missing, Unreadable, NotAccess, Jet3, Jet4, Ace };
    static Kind kind(const QString& path);
    static bool isAccess(Kind k) { return k == Kind::Jet3 || k == Kind::Jet4 || k == Kind::Ace; }
    static bool isAccess(const QString& path) { return isAccess(kind(path)); }
    // The version in words, for messages: "Access 97", "Access 2000-2003", "Access 2007 sau mai nou".
    static QString versionText(Kind k);
};
