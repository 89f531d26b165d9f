#pragma once

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP server on 127.0.0.1 for the tests, on a thread of its own. It can
// answer normally, with an error status, not at all, with a file cut short, or
// with a redirect, a body of no announced length, or one byte at a time.
class FeedServer {
public:
    struct Reply {
        enum Kind { Normal, Hang, Truncate, Redirect, Unsized, Drip };
        int status = 200;
        QByteArray body;
        Kind kind = Normal;
        QByteArray location;

        static Reply ok(QByteArray b) { return {200, std::move(b), Normal, {}}; }
        static Reply error(int status) { return {status, "error", Normal, {}}; }
        static Reply hang() { return {200, {}, Hang, {}}; }
        static Reply truncated(QByteArray b) { return {200, std::move(b), Truncate, {}}; }
        static Reply redirect(QByteArray to) { return {302, {}, Redirect, std::move(to)}; }
        // No length announced: the body ends when the connection closes.
        static Reply unsized(QByteArray b) { return {200, std::move(b), Unsized, {}}; }
        // The body a byte at a time, dripMs apart.
        static Reply drip(QByteArray b) { return {200, std::move(b), Drip, {}}; }
    };
    using Handler = std::function<Reply(const QString& pathAndQuery)>;

    explicit FeedServer(Handler handler, int dripMs = 200);
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    QUrl base() const;
    QStringList requests() const;
    void clearRequests();
    void setHandler(Handler handler);

private:
    void serve();
    void answer(qintptr fd);

    qintptr m_listen = -1; // a socket: a handle on Windows
    int m_port = 0;
    int m_dripMs;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    Handler m_handler;
    QStringList m_requests;
    std::vector<qintptr> m_held;
    std::thread m_thread;
};
