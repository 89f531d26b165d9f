#include "core/access/accesstakeover.h"

#include "core/access/accessfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

Outcome<AccessTakeover::Result> AccessTakeover::takeOver(const DataLocation& where, const QString& accessFile,
                                                         const AccessImport::Options& options, const QDateTime& now) {
    using R = Outcome<Result>;
    Result r;
    r.keptAs = accessFile;
    const QFileInfo info(accessFile);
    const bool atHistoryPlace = accessFile == where.database() || accessFile == where.besideDatabase();
    if (atHistoryPlace && QFileInfo(info.absolutePath()).isWritable()) {
        r.keptAs = keptName(accessFile, now);
        // A rename moves no byte of the file: it is the same file under its new name.
        if (!QFile::rename(accessFile, r.keptAs))
            return R::failure(QStringLiteral("Fisierul %1 nu poate fi redenumit; istoricul nu a fost adus.")
                                  .arg(QDir::toNativeSeparators(accessFile)),
                              Cause::DbReadOnly);
        r.database = accessFile;
        if (Status made = where.createFromShipped(r.database); !made) {
            QFile::rename(r.keptAs, accessFile);
            return R::failure(made);
        }
    } else {
        r.database = where.database();
        if (auto made = where.ensureDatabase(); !made) return R::failure(made);
    }
    auto imported = AccessImport::run(r.keptAs, r.database, options);
    if (!imported)
        return R::failure(imported.error() +
                              QStringLiteral("\rIstoricul %1 a ramas cel livrat cu programul; "
                                             "fisierul Access este pastrat in %2.")
                                  .arg(QDir::toNativeSeparators(r.database), QDir::toNativeSeparators(r.keptAs)),
                          imported.cause());
    r.report = *imported;
    return r;
}
