#include "tests/support/feedserver.h"

#include <chrono>
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// Winsock wants starting once a process.
const bool kSocketsReady = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();
constexpr qintptr kNoSocket = qintptr(INVALID_SOCKET);
constexpr int kNoSignal = 0, kShutWrite = SD_SEND;
void closeSocket(qintptr s) {
    ::closesocket(SOCKET(s));
}
int pollOne(qintptr s, int ms) {
    WSAPOLLFD p{SOCKET(s), POLLIN, 0};
    return ::WSAPoll(&p, 1, ms);
}
#else
constexpr qintptr kNoSocket = -1;
constexpr int kNoSignal = MSG_NOSIGNAL, kShutWrite = SHUT_WR;
void closeSocket(qintptr s) {
    ::close(int(s));
}
int pollOne(qintptr s, int ms) {
    pollfd p{int(s), POLLIN, 0};
    return ::poll(&p, 1, ms);
}
#endif

} // namespace

FeedServer::FeedServer(Handler handler, int dripMs) : m_dripMs(dripMs), m_handler(std::move(handler)) {
    m_listen = qintptr(::socket(AF_INET, SOCK_STREAM, 0));
    int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
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
    for (qintptr fd : m_held)
        closeSocket(fd);
    closeSocket(m_listen);
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
        if (pollOne(m_listen, 50) <= 0) continue;
        const qintptr fd = qintptr(::accept(m_listen, nullptr, nullptr));
        if (fd != kNoSocket) answer(fd);
    }
}

void FeedServer::answer(qintptr fd) {
    QByteArray request;
    char buf[4096];
    while (!request.contains("\r\n\r\n")) {
        if (pollOne(fd, 2000) <= 0) break;
        const auto n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        request.append(buf, n);
    }
    const QList<QByteArray> line = request.left(request.indexOf("\r\n")).split(' ');
    const QString target = line.size() > 1 ? QString::fromLatin1(line[1]) : QString();
    // A connection the client opened and never used asked for nothing.
    if (target.isEmpty()) {
        closeSocket(fd);
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
            const auto n = ::send(fd, bytes.constData() + sent, int(bytes.size() - sent), kNoSignal);
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
    ::shutdown(fd, kShutWrite);
    closeSocket(fd);
}
