#pragma once

#include "outcome.h"

#include <QByteArray>
#include <QDate>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

// Fetches the bank's files one at a time and waits for each, with a time limit,
// while the caller's event loop keeps running (the window repaints, a progress
// dialog can be cancelled).
class FeedClient {
public:
    static constexpr int DefaultTimeoutMs = 20000;

    explicit FeedClient(QUrl base, int timeoutMs = DefaultTimeoutMs);

    Outcome<QByteArray> get(const QString& pathAndQuery);

    static QString feedPath();
    static QString dayPath(QDate day);
    static QString yearPath(int year);
    // Where the files come from: ZORVEL_FEED_URL, then the "FeedUrl" setting, then the bank.
    static QUrl configuredBase();

    const QUrl& base() const { return m_base; }

private:
    QUrl m_base;
    int m_timeoutMs;
    QNetworkAccessManager m_network;
};
