#include "tests/support/feedserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

FeedServer::FeedServer(Handler handler, int dripMs) : m_dripMs(dripMs), m_handler(std::move(handler)) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listen, 64);
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { serve(); });
}

FeedServer::~FeedServer() {
    m_stop = true;
    m_thread.join();
    for (int fd : m_held)
        ::close(fd);
    ::close(m_listen);
}

QUrl FeedServer::base() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port));
}

QStringList FeedServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void FeedServer::clearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

void FeedServer::setHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void FeedServer::serve() {
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd >= 0) answer(fd);
    }
}

void FeedServer::answer(int fd) {
    QByteArray request;
    char buf[4096];
    while (!request.contains("\r\n\r\n")) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, n);
    }
    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QString target = line.size() > 1 ? QString::fromLatin1(line[1]) : QString();
    // A connection the client opened and never used asked for nothing.
    if (target.isEmpty()) {
        ::close(fd);
        return;
    }
    Reply reply;
    {
        std::lock_guard lock(m_mutex);
        m_requests << target;
        reply = m_handler(target);
    }
    if (reply.kind == Reply::Hang) {
        m_held.push_back(fd); // never answered; closed when the server goes
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\nConnection: close\r\n";
    if (reply.kind == Reply::Redirect) head += "Location: " + reply.location + "\r\n";
    head += "Content-Type: text/xml\r\n";
    // A cut file announces more than it sends.
    const qsizetype announced = reply.kind == Reply::Truncate ? reply.body.size() * 2 + 10 : reply.body.size();
    if (reply.kind != Reply::Unsized) head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
    head += "\r\n";
    const auto sendAll = [fd](const QByteArray& bytes) {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += n;
        }
        return true;
    };
    if (reply.kind == Reply::Drip) {
        bool alive = sendAll(head);
        for (qsizetype i = 0; alive && i < reply.body.size() && !m_stop; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(m_dripMs));
            alive = sendAll(reply.body.mid(i, 1));
        }
    } else {
        sendAll(head + reply.body);
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}
