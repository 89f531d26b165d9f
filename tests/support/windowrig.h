#pragma once

#include "app/frmzorvel.h"
#include "tests/support/feedserver.h"
#include "tests/support/recordingsink.h"
#include "tests/support/testenv.h"

#include <QUrl>
#include <memory>

// A window in a folder of its own, a loopback bank, and what it showed and opened.
struct WindowRig {
    explicit WindowRig(FeedServer::Handler bank = {});
    // Start-up as the program does it; show() also lays the panels out.
    frmZorvel& start(bool show = true);
    frmZorvel& restart(bool show = true);

    TempAppDir app;
    RecordingSink sink;
    FeedServer server;
    QList<QUrl> opened;
    bool openSucceeds = true;
    QString database;                 // valuta.mdb elsewhere than the program's folder, when set
    QString exportHelper;             // the spreadsheet helper; one that does not exist unless set
    std::function<QDateTime()> clock; // the window's clock, when a test runs it
    QString chosenFile;               // what a file dialog of the window answers
    bool accessReader = true;         // false: the Access reader is not installed
    std::unique_ptr<frmZorvel> window;
};

// Chooses, in the next context menu that opens, the item whose text starts with `start`.
void chooseInNextMenu(const QString& start);
