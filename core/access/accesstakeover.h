#pragma once

#include "core/access/accessimport.h"
#include "core/outcome.h"
#include "core/store/datalocation.h"

#include <QDateTime>
#include <QString>

// A user of the earlier generation starts the program on its Access valuta.mdb: the
// file is found where the program looks for its history, and, when the user agrees,
// its days come into a new history. The Access file is never written nor deleted.
class AccessTakeover {
public:
    // The Access file the program would open, or start its history from; empty when none.
    static QString found(const DataLocation& where);
    // What the user is asked.
    static QString offerText(const QString& accessFile);

    struct Result {
        QString database; // the new history
        QString keptAs;   // where the Access file is now; its own place when it was not moved
        AccessImport::Report report;
    };
    // Where the Access file stands in a folder that can be written, a new history is made and
    // filled beside it; only once the import is committed is the Access file renamed to
    // valuta.mdb.access-YYYYMMDD-HHMMSS and the new history put in its place. An import that
    // fails or is stopped (or a program killed) leaves the Access file where and as it was, to be
    // offered again. Elsewhere the history is made where the program keeps it and the file stays.
    static Outcome<Result> takeOver(const DataLocation& where, const QString& accessFile,
                                    const AccessImport::Options& options, const QDateTime& now);
    // The name a moved Access file gets, free of any file already there.
    static QString keptName(const QString& accessFile, const QDateTime& now);

private:
    static Outcome<Result> takeOverInPlace(const DataLocation& where, const QString& accessFile,
                                           const AccessImport::Options& options, const QDateTime& now);
};
