#include "feedclient.h"

#include "appsettings.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#ifndef ZORVEL_FEED_DEFAULT
#define ZORVEL_FEED_DEFAULT "https://curs.bnr.ro"
#endif

namespace {

enum class Ending { Finished, Stalled, TooLarge, Stopped };

QString networkText(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("Serverul bancii nu poate fi contactat. Verificati legatura la internet.");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Serverul bancii nu raspunde.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Legatura sigura cu serverul bancii nu a putut fi stabilita.");
    default:
        return QStringLiteral("Legatura cu serverul bancii s-a intrerupt.");
    }
}

} // namespace

FeedClient::FeedClient(QUrl base, int timeoutMs) : m_base(std::move(base)), m_timeoutMs(timeoutMs) {}

QString FeedClient::feedPath() {
    return QStringLiteral("/nbrfxrates.xml");
}

QString FeedClient::dayPath(QDate day) {
    return QStringLiteral("/MakeXmlFile.aspx?date=%1.%2.%3").arg(day.day()).arg(day.month()).arg(day.year());
}

QString FeedClient::yearPath(int year) {
    return QStringLiteral("/files/xml/years/nbrfxrates%1.xml").arg(year);
}

QUrl FeedClient::configuredBase() {
    QString base = qEnvironmentVariable("ZORVEL_FEED_URL");
    if (base.isEmpty()) base = AppSettings::value(QStringLiteral("FeedUrl"), QStringLiteral(ZORVEL_FEED_DEFAULT));
    return QUrl(base);
}

void FeedClient::stop() {
    m_stopped = true;
    if (m_reply) m_reply->abort();
}

Outcome<QByteArray> FeedClient::get(const QString& pathAndQuery) {
    using R = Outcome<QByteArray>;
    if (m_stopped) return R::failure(QStringLiteral("Oprit"), Cause::Stopped);
    QString base = m_base.toString();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base + pathAndQuery);
    if (!url.isValid())
        return R::failure(QStringLiteral("Adresa bancii este invalida: ") + url.toString(), Cause::Network);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_network.get(request);
    m_reply = reply;
    QByteArray body;
    Ending ending = Ending::Finished;
    QEventLoop loop;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    qint64 atLastBeat = 0;
    const auto end = [&](Ending why) {
        ending = why;
        reply->abort();
    };
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] { end(Ending::Stalled); });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > MaxAnswerBytes) end(Ending::TooLarge);
    });
    // Read as it comes, so an answer is refused as soon as it passes the cap, never held whole.
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        body += reply->readAll();
        if (body.size() > MaxAnswerBytes) return end(Ending::TooLarge);
        if (body.size() - atLastBeat >= MinBytesPerTimeout) {
            atLastBeat = body.size();
            watchdog.start(m_timeoutMs);
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    watchdog.start(m_timeoutMs);
    if (!reply->isFinished()) loop.exec();
    if (m_stopped) ending = Ending::Stopped;
    if (ending == Ending::Finished && reply->error() == QNetworkReply::NoError) body += reply->readAll();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const auto error = reply->error();
    m_reply = nullptr;
    reply->deleteLater();
    switch (ending) {
    case Ending::Stopped:
        return R::failure(QStringLiteral("Oprit"), Cause::Stopped);
    case Ending::Stalled:
        return R::failure(QStringLiteral("Serverul bancii nu raspunde."), Cause::Network);
    case Ending::TooLarge:
        return R::failure(QStringLiteral("raspuns prea mare"), Cause::BadAnswer);
    case Ending::Finished:
        break;
    }
    if (error != QNetworkReply::NoError && status == 0) return R::failure(networkText(error), Cause::Network);
    if (status != 200)
        return R::failure(QStringLiteral("Serverul bancii a raspuns cu eroarea HTTP %1.").arg(status), Cause::Network);
    if (error != QNetworkReply::NoError) return R::failure(networkText(error), Cause::Network);
    return body;
}
