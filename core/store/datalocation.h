#pragma once

#include "core/outcome.h"

#include <QString>

// Where the program's files are. The rate history stays beside the program when
// that folder is writable and already holds it (a portable copy, and the layout of
// earlier versions; an Access file of the earlier generation there is not it); otherwise it lives in the user's data
// folder, made there from the shipped copy on first start. The shipped files sit beside the program (a portable copy,
// and on Windows an installed one, whose valuta.mdb there is only the template) or, installed elsewhere, in
// share/zorvel.
class DataLocation {
public:
    static constexpr const char* DatabaseName = "valuta.mdb";
    static constexpr const char* WorkbookName = "zv.xls";

    explicit DataLocation(QString programDir, QString userDataDir = {});

    QString database() const;
    // valuta.mdb beside the program, whatever it holds.
    QString besideDatabase() const { return besideProgram(DatabaseName); }
    QString workbook() const;
    // The spreadsheet helper: beside the program, or installed under libexec/zorvel.
    QString exportHelper() const;
    // The Access reader, likewise.
    QString accessHelper() const;
    QString sharedDir() const;
    // Installed by the Windows installer: its uninstaller sits beside the program.
    bool installed() const;

    // Makes the database where database() says when it is missing: a copy of the
    // history beside the program when that folder cannot be written, else of the
    // shipped one, else one made from the copy built into the program. An existing
    // file is never touched. The value is what the user should be told (the history
    // moved to the data folder), empty when nothing.
    Outcome<QString> ensureDatabase() const;
    // A new history at that place from the shipped one (or the copy built into the program).
    Status createFromShipped(const QString& target) const;

private:
    QString besideProgram(const char* name) const;
    QString helper(const QString& name) const;
    static bool copyChecked(const QString& from, const QString& target);

    QString m_programDir;
    QString m_userDataDir;
};
