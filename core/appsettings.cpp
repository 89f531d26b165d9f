#include "appsettings.h"

#include <QSettings>
#include <memory>

namespace {

std::unique_ptr<QSettings> open() {
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\prjZorvel\\Settings"),
        QSettings::NativeFormat);
#else
    auto s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("prjZorvel"));
    s->beginGroup(QStringLiteral("Settings"));
    return s;
#endif
}

} // namespace

QString AppSettings::value(const QString& key, const QString& defaultValue) {
    return open()->value(key, defaultValue).toString();
}

void AppSettings::setValue(const QString& key, const QString& value) {
    auto s = open();
    s->setValue(key, value);
    s->sync();
}

QString AppSettings::location() {
    return open()->fileName();
}
