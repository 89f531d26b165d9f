#include "core/access/accessfile.h"

#include <QFile>
#include <QFileInfo>

AccessFile::Kind AccessFile::kind(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return Kind::Missing;
    QFile f(path);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly)) return Kind::Unreadable;
    // The first page: four bytes, then the format's name, and at 0x14 its version.
    const QByteArray head = f.read(0x20);
    if (head.size() < 0x15) return Kind::NotAccess;
    const QByteArray name = head.mid(4, 15);
    const bool jet = name == QByteArray("Standard Jet DB", 15);
    const bool ace = name == QByteArray("Standard ACE DB", 15);
    if (!jet && !ace) return Kind::NotAccess;
    const int version = static_cast<unsigned char>(head[0x14]);
    if (ace || version >= 2) return Kind::Ace;
    return version == 0 ? Kind::Jet3 : Kind::Jet4;
}

QString AccessFile::versionText(Kind k) {
    switch (k) {
    case Kind::Jet3:
        return QStringLiteral("Access 97");
    case Kind::Jet4:
        return QStringLiteral("Access 2000-2003");
    case Kind::Ace:
        return QStringLiteral("Access 2007 sau mai nou");
    default:
        return QString();
    }
}
