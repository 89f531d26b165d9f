#pragma once

#include "core/access/accessdump.h"
#include "core/outcome.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>

class QProcess;

// Reads an Access file through the helper program, in a process of its own: the
// reader may crash, hang or stop short on a damaged file, and none of that may
// reach the program. Each table comes back whole or with the reason it is not.
class AccessReader {
public:
    // What one run of the helper may print: a year of rates is a few hundred KB; read back, a cell takes
    // about sixteen times its text, so this keeps a table's cells within about 200 MB.
    static constexpr qint64 kMaxOutput = 12ll << 20;
    // For the whole file, however many times the helper runs.
    static constexpr int kTimeoutMs = 60000;
    // Access files end at 2 GB: a larger file is no Access file to read.
    static constexpr qint64 kMaxFileBytes = 2ll << 30;

    // keepGoing is asked now and then while the helper runs; false stops it. The time bound counts from here.
    explicit AccessReader(QString helper, std::function<bool()> keepGoing = {}, int timeoutMs = kTimeoutMs);

    // The file's tables with their columns and declared rows, without rows.
    Outcome<AccessDump> tables(const QString& file) const;
    // The named tables with every row. Where one run of the helper fails part way,
    // each table not yet read whole is read again alone, so one bad table costs only itself.
    Outcome<AccessDump> read(const QString& file, const QStringList& names) const;

private:
    struct Run {
        QByteArray out, err;
        QString failure; // the helper did not end by itself, or ended badly
        int exitCode = 0;
        bool stopped = false;
        bool overLimit = false; // past the program's own bound of output or time
        bool outOfTime = false;
    };
    Run run(const QStringList& arguments) const;
    // Why the file is not even handed to the helper.
    Status refusal(const QString& file) const;
    // Gathers the helper's output until it ends; why it had to be stopped, empty when it ended by itself.
    QString watch(QProcess& p, Run& r) const;
    static QString helperFailure(const Run& r);
    // One table read by a run of its own, after a run of several failed part way.
    Outcome<AccessTable> readAlone(const QString& file, const QString& name) const;

    QString m_helper;
    std::function<bool()> m_keepGoing;
    int m_timeoutMs;
    QElapsedTimer m_clock; // since the reader was made: one bound for every run of the helper
};
