#pragma once

#include "core/export/exportstatus.h"
#include "core/usermessage.h"

#include <QByteArray>
#include <QDate>
#include <QString>

struct LocalCurrency;
struct StoredDay;

// Hands one stored day's rates to the spreadsheet program through the helper that
// drives it (a program of its own, so the window works where no office is installed).
class SpreadsheetExport {
public:
    // What the helper did: its status and the line it printed, or why it never ran to the end.
    struct Run {
        ExportStatus status = ExportStatus::Failed;
        QString said;
        bool ranToEnd = false; // false: it could not start, or it crashed
        QString processError;  // when it did not run to the end
    };

    SpreadsheetExport(QString helperPath, QString workbookPath);

    // The newest stored day before `day`, from the tables of `local`, into workbook 1;
    // what to tell the user, nothing when the rates were written.
    UserMessage exportDayBefore(const QString& dbPath, QDate day, const LocalCurrency& local) const;
    // Runs the helper on one row; events keep being handled meanwhile (user input
    // excepted), so a window stays painted while a cold office starts.
    Run run(const StoredDay& row) const;

    static UserMessage messageFor(const Run& run);
    // Two tab-separated lines: the names, then the date as yyyy-mm-dd and the rates.
    static QByteArray rowsForHelper(const StoredDay& row);
    // The spreadsheet program's name, as the messages give it.
    static QString programName();
    // What to do when the helper is not there.
    static QString missingHelperText();

private:
    QString m_helper;
    QString m_workbook;
};
