#pragma once

#include "core/feed/feedclient.h"
#include "core/update/rateupdater.h"
#include "core/usermessage.h"

#include <QObject>
#include <QTimer>
#include <QUrl>

// One update of the history, start to end, told as it goes so that a window can
// follow it: when it starts, when its progress is worth showing, how far it has
// come, and how it ended, with the message for the user.
class UpdateSession : public QObject {
    Q_OBJECT
public:
    // A request that hangs brings no progress, so the progress is due this long
    // after the start whatever the bank does.
    static constexpr int ShowProgressAfterMs = 400;

    UpdateSession(QString dbPath, QUrl feedBase, QObject* parent = nullptr);

    // Runs to the end, handling events meanwhile; the report `finished` also carried.
    RateUpdater::Report run();

    // The day the window's clock says it is (the computer's, unless a test moves it).
    void setToday(QDate today) { m_updater.setToday(today); }

    static UserMessage messageFor(const RateUpdater::Report& report);
    static QString progressText(const RateUpdater::Progress& progress);

public slots:
    // Aborts the request under way; the update ends as stopped and keeps what it stored.
    void stop();

signals:
    void started();
    void progressDue();
    void progressed(int done, int total, const QString& text);
    void finished(const RateUpdater::Report& report, const UserMessage& message);

private:
    FeedClient m_client;
    RateUpdater m_updater;
    QTimer m_dueTimer;
    bool m_running = false;
    bool m_stopAsked = false;
};
