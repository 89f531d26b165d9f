#pragma once

#include "core/outcome.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QTextStream;

// The program without its window, for scripts and cron: bring the history up to
// date, print a stored rate, convert an amount, print average rates. It uses the
// same core functions as the window, so the numbers are the window's.
class CommandLine {
public:
    // Partial: the update stored what the bank sent, but left some of its rates empty (unreadable).
    enum Exit { Done = 0, Failed = 1, WrongUse = 2, Partial = 3 };
    struct Context {
        QString database;
        QUrl feedBase;
        QDate today = QDate::currentDate();
        int timeoutMs = 20000;
        QString version;
        QString accessHelper; // the program that reads Access files
        // Makes the database when it is missing; run before any action that reads it.
        // Its value, when not empty, is a notice for the user.
        std::function<Outcome<QString>()> prepareDatabase;
    };

    // arguments without the program's name.
    static int run(const QStringList& arguments, const Context& context, QTextStream& out, QTextStream& err);
    // The same on the process's standard output and error: a result that cannot be written
    // whole (a full disk, a closed output, a file size limit) is said, with its cause, and exits 1.
    static int runOnConsole(const QStringList& arguments, const Context& context, bool outputClosed);
    // Run first of all, before anything opens a file: a standard stream the caller closed gets
    // /dev/null in its place, so no file opened later takes its number and receives the output.
    // Whether the standard output was closed.
    static bool guardStandardStreams();
    static QString helpText();
};
