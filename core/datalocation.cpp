#include "core/datalocation.h"

#include "core/ratedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

DataLocation::DataLocation(QString programDir, QString userDataDir)
    : m_programDir(std::move(programDir)), m_userDataDir(std::move(userDataDir)) {
    if (m_userDataDir.isEmpty()) m_userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString DataLocation::sharedDir() const {
    return QDir::cleanPath(m_programDir + QStringLiteral("/../share/zorvel"));
}

QString DataLocation::database() const {
    const QString beside = m_programDir + u'/' + QLatin1String(DatabaseName);
    if (QFileInfo(beside).isFile() && QFileInfo(m_programDir).isWritable()) return beside;
    return m_userDataDir + u'/' + QLatin1String(DatabaseName);
}

QString DataLocation::workbook() const {
    const QString beside = m_programDir + u'/' + QLatin1String(WorkbookName);
    if (QFileInfo(beside).isFile()) return beside;
    return sharedDir() + u'/' + QLatin1String(WorkbookName);
}

QString DataLocation::exportHelper() const {
    const QString beside = m_programDir + QStringLiteral("/zorvel-calc");
    if (QFileInfo(beside).isExecutable()) return beside;
    return QDir::cleanPath(m_programDir + QStringLiteral("/../libexec/zorvel/zorvel-calc"));
}

Status DataLocation::ensureDatabase() const {
    const QString target = database();
    if (QFileInfo::exists(target)) return succeeded();
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return Status::failure(QStringLiteral("Directorul %1 nu poate fi creat.")
                                   .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath())),
                               Cause::DbMissing);
    const QString shipped = sharedDir() + u'/' + QLatin1String(DatabaseName);
    if (QFileInfo(shipped).isFile()) {
        // Copied aside under a name of this start's own, checked, and renamed into place only
        // where no file is yet: two first starts never write one file, nor leave half of one.
        const QString temp = RateDb::uniqueSibling(target);
        bool sound = QFile::copy(shipped, temp);
        if (sound) {
            QFile::setPermissions(temp, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
            // A damaged shipped copy would make the user's file look damaged for good: the built-in one serves then.
            sound = bool(RateDb(temp).check());
        }
        const bool placed = sound && QFile::rename(temp, target);
        QFile::remove(temp);
        if (placed || QFileInfo::exists(target)) return succeeded();
    }
    return RateDb::createShipped(target);
}
