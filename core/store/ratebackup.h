#pragma once

#include "core/outcome.h"

#include <QByteArray>
#include <QString>

// The copy of the history a repair makes before it changes anything: taken through
// the engine, so it holds what every connection committed (a write-ahead log not yet
// folded in included), checked to open and to hold the same rows, synced to disk,
// and kept under a name of its own beside the history, never over an earlier copy.
class RateBackup {
public:
    // The copy's path: valuta.mdb.YYYYMMDD-HHMMSS.bak (-2, -3... when that name is taken).
    static Outcome<QString> make(const QString& dbPath);
    // Every table's rows, in a fixed order, as one hash: equal hashes, equal contents.
    static Outcome<QByteArray> digest(const QString& dbPath);
};
