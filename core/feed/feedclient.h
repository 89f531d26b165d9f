#pragma once

#include "core/outcome.h"

#include <QByteArray>
#include <QDate>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <vector>

class QNetworkReply;

// Fetches the bank's files one at a time and waits for each, while the caller's
// event loop keeps running (the window repaints, a progress dialog can stop it).
// A request fails when it stalls, when its answer grows past a size no rate file
// has, or at once when the caller stops it. A missing address (404, 410) and a
// web page where a rate file was expected are failures of their own kind, so the
// update can tell "the bank does not serve this" from "the bank is down". The
// system's proxy is honoured.
class FeedClient {
public:
    static constexpr int DefaultTimeoutMs = 20000;
    // The bank's yearly file is about 250 KB.
    static constexpr qint64 MaxAnswerBytes = 4 * 1024 * 1024;
    // Less than this much in a whole timeout counts as silence: a drip does not keep a request alive.
    static constexpr qint64 MinBytesPerTimeout = 1024;

    // However it trickles, no request lives longer: the largest file (a year, 250 KB) takes seconds.
    static constexpr int DefaultDeadlineMs = 120000;

    explicit FeedClient(QUrl base, int timeoutMs = DefaultTimeoutMs, int deadlineMs = DefaultDeadlineMs);

    Outcome<QByteArray> get(const QString& pathAndQuery);
    // Several requests, up to atOnce of them under way together; the answers in the order asked.
    std::vector<Outcome<QByteArray>> getMany(const QStringList& pathsAndQueries, int atOnce = 4);
    // Aborts the request under way and every later one, until reset.
    void stop();
    void reset() { m_stopped = false; }
    bool stopped() const { return m_stopped; }

    static QString feedPath();
    // The last ten banking days, newest first.
    static QString tenDaysPath();
    static QString dayPath(QDate day);
    static QString yearPath(int year);
    // Where the files come from: ZORVEL_FEED_URL, then the "FeedUrl" setting, then the bank.
    static QUrl configuredBase();

    const QUrl& base() const { return m_base; }

private:
    enum class Ending { Finished, Stalled, TooLarge, Stopped };
    struct Transfer;
    QNetworkReply* start(const QUrl& url, Transfer& t);
    Outcome<QByteArray> finish(Transfer& t);

    QUrl m_base;
    int m_timeoutMs;
    int m_deadlineMs;
    bool m_stopped = false;
    QList<QPointer<QNetworkReply>> m_active;
    QNetworkAccessManager m_network;
};
