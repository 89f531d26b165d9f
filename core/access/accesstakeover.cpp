#include "core/access/accesstakeover.h"

#include "core/access/accessfile.h"
#include "core/store/ratedb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#ifndef _WIN32
#include <unistd.h>
#endif

QString AccessTakeover::found(const DataLocation& where) {
    const QString history = where.database();
    if (AccessFile::isAccess(history)) return history;
    const QString beside = where.besideDatabase();
    if (!QFileInfo::exists(history) && AccessFile::isAccess(beside)) return beside;
    return {};
}

QString AccessTakeover::offerText(const QString& accessFile) {
    return QStringLiteral("Fisierul %1 este o baza de cursuri Access, din versiunea anterioara a programului.\r"
                          "Aduceti istoricul ei in Zorvel? Fisierul Access ramane neschimbat.")
        .arg(QDir::toNativeSeparators(accessFile));
}

QString AccessTakeover::keptName(const QString& accessFile, const QDateTime& now) {
    const QString base = accessFile + QStringLiteral(".access-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

namespace {

// The Access file under its kept name and the new history in its place, as one step where the system allows:
// a second name for the Access file, then the history renamed over the first (on POSIX an atomic replace).
// Stopped between the two, the Access file still stands at the history's place and is offered again.
// Two renames, where a file cannot have a second name (Windows, a FAT stick): a moment without either at the place.
bool renameBoth(const QString& accessFile, const QString& keptAs, const QString& newHistory) {
    if (!QFile::rename(accessFile, keptAs)) return false;
    if (QFile::rename(newHistory, accessFile)) return true;
    QFile::rename(keptAs, accessFile);
    return false;
}

bool swapIn(const QString& accessFile, const QString& keptAs, const QString& newHistory) {
#ifdef _WIN32
    return renameBoth(accessFile, keptAs, newHistory);
#else
    if (::link(QFile::encodeName(accessFile).constData(), QFile::encodeName(keptAs).constData()) != 0)
        return renameBoth(accessFile, keptAs, newHistory);
    if (::rename(QFile::encodeName(newHistory).constData(), QFile::encodeName(accessFile).constData()) == 0)
        return true;
    QFile::remove(keptAs);
    return false;
#endif
}

QString unchangedText(const QString& accessFile) {
    return QStringLiteral("\rFisierul Access %1 a ramas neschimbat, la locul lui; va fi oferit din nou la pornire.")
        .arg(QDir::toNativeSeparators(accessFile));
}

} // namespace

Outcome<AccessTakeover::Result> AccessTakeover::takeOver(const DataLocation& where, const QString& accessFile,
                                                         const AccessImport::Options& options, const QDateTime& now) {
    using R = Outcome<Result>;
    Result r;
    r.keptAs = accessFile;
    const QFileInfo info(accessFile);
    const bool atHistoryPlace = accessFile == where.database() || accessFile == where.besideDatabase();
    if (!atHistoryPlace || !QFileInfo(info.absolutePath()).isWritable()) {
        r.database = where.database();
        if (auto made = where.ensureDatabase(); !made) return R::failure(made);
        auto imported = AccessImport::run(accessFile, r.database, options);
        if (!imported) return R::failure(imported);
        r.report = *imported;
        return r;
    }
    return takeOverInPlace(where, accessFile, options, now);
}

// All or nothing: the new history is made and filled beside the Access file, which stays where and as it is
// until the import is committed; a failure, a stop or a kill before that leaves it to be offered again.
Outcome<AccessTakeover::Result> AccessTakeover::takeOverInPlace(const DataLocation& where, const QString& accessFile,
                                                                const AccessImport::Options& options,
                                                                const QDateTime& now) {
    using R = Outcome<Result>;
    const QString aside = RateDb::uniqueSibling(accessFile);
    if (Status made = where.createFromShipped(aside); !made) return R::failure(made);
    auto imported = AccessImport::run(accessFile, aside, options);
    if (!imported) {
        QFile::remove(aside);
        return R::failure(imported.error() + unchangedText(accessFile), imported.cause());
    }
    Result r{accessFile, keptName(accessFile, now), *imported};
    if (!swapIn(accessFile, r.keptAs, aside)) {
        QFile::remove(aside);
        return R::failure(QStringLiteral("Fisierul %1 nu poate fi redenumit; istoricul nu a fost adus.")
                                  .arg(QDir::toNativeSeparators(accessFile)) +
                              unchangedText(accessFile),
                          Cause::DbReadOnly);
    }
    return r;
}
