#include "core/store/datalocation.h"

#include "core/access/accessfile.h"
#include "core/store/ratedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

DataLocation::DataLocation(QString programDir, QString userDataDir)
    : m_programDir(std::move(programDir)), m_userDataDir(std::move(userDataDir)) {
    if (m_userDataDir.isEmpty()) m_userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString DataLocation::sharedDir() const {
    return QDir::cleanPath(m_programDir + QStringLiteral("/../share/zorvel"));
}

QString DataLocation::besideProgram(const char* name) const {
    return m_programDir + u'/' + QLatin1String(name);
}

// An installer leaves its uninstaller beside the program: a valuta.mdb there is the shipped template,
// which the uninstaller removes, never a user's history. A folder without one is a portable copy.
bool DataLocation::installed() const {
    return QFileInfo::exists(besideProgram("uninstall.exe"));
}

QString DataLocation::database() const {
    const QString beside = besideProgram(DatabaseName);
    if (!installed() && QFileInfo(beside).isFile() && QFileInfo(m_programDir).isWritable() &&
        !AccessFile::isAccess(beside))
        return beside;
    return m_userDataDir + u'/' + QLatin1String(DatabaseName);
}

QString DataLocation::workbook() const {
    const QString beside = besideProgram(WorkbookName);
    if (QFileInfo(beside).isFile()) return beside;
    return sharedDir() + u'/' + QLatin1String(WorkbookName);
}

QString DataLocation::helper(const QString& name) const {
    const QString beside = m_programDir + u'/' + name;
    if (QFileInfo(beside).isExecutable()) return beside;
    return QDir::cleanPath(m_programDir + QStringLiteral("/../libexec/zorvel/") + name);
}

QString DataLocation::exportHelper() const {
#ifdef Q_OS_WIN
    // Excel's helper ships beside the program.
    return m_programDir + QStringLiteral("/zorvel-excel.exe");
#else
    return helper(QStringLiteral("zorvel-calc"));
#endif
}

QString DataLocation::accessHelper() const {
#ifdef Q_OS_WIN
    return m_programDir + QStringLiteral("/zorvel-access.exe");
#else
    return helper(QStringLiteral("zorvel-access"));
#endif
}

// Copied aside under a name of this start's own, checked, and renamed into place only
// where no file is yet: two first starts never write one file, nor leave half of one.
// A damaged copy would make the user's file look damaged for good, so it is not placed.
bool DataLocation::copyChecked(const QString& from, const QString& target) {
    const QString temp = RateDb::uniqueSibling(target);
    bool sound = QFile::copy(from, temp);
    if (sound) {
        QFile::setPermissions(temp, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        sound = bool(RateDb(temp).check());
    }
    const bool placed = sound && QFile::rename(temp, target);
    QFile::remove(temp);
    return placed || QFileInfo::exists(target);
}

Outcome<QString> DataLocation::ensureDatabase() const {
    const QString target = database();
    if (QFileInfo::exists(target)) return QString();
    if (!QDir().mkpath(QFileInfo(target).absolutePath()))
        return Outcome<QString>::failure(QStringLiteral("Directorul %1 nu poate fi creat.")
                                             .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath())),
                                         Cause::DbMissing);
    // A history beside a program in a folder it cannot write is the user's, maybe years of
    // it: the new file starts from it, not from the shipped one, and the user learns where
    // it is kept from now on.
    const QString beside = besideProgram(DatabaseName);
    if (!installed() && target != beside && QFileInfo(beside).isFile() && copyChecked(beside, target))
        return QStringLiteral("Dosarul programului (%1) nu poate fi scris. Istoricul de curs de acolo a fost copiat "
                              "in %2 si va fi tinut la zi acolo.")
            .arg(QDir::toNativeSeparators(m_programDir), QDir::toNativeSeparators(target));
    if (const Status made = createFromShipped(target); !made) return Outcome<QString>::failure(made);
    return QString();
}

Status DataLocation::createFromShipped(const QString& target) const {
    const QString shipped =
        installed() ? besideProgram(DatabaseName) : sharedDir() + u'/' + QLatin1String(DatabaseName);
    if (QFileInfo(shipped).isFile() && copyChecked(shipped, target)) return succeeded();
    return RateDb::createShipped(target);
}
