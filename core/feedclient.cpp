#include "feedclient.h"

#include "appsettings.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#ifndef ZORVEL_FEED_DEFAULT
#define ZORVEL_FEED_DEFAULT "https://curs.bnr.ro"
#endif

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

Outcome<QByteArray> FeedClient::get(const QString& pathAndQuery) {
    using R = Outcome<QByteArray>;
    QString base = m_base.toString();
    while (base.endsWith(u'/'))
        base.chop(1);
    const QUrl url(base + pathAndQuery);
    if (!url.isValid()) return R::failure(QStringLiteral("Adresa invalida: ") + url.toString());
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_network.get(request);
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    // The transfer timeout only counts silence; the guard bounds the whole request.
    QObject::connect(&guard, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    guard.start(m_timeoutMs * 3);
    loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const auto error = reply->error();
    const QString errorText = reply->errorString();
    const QByteArray body = error == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->deleteLater();
    if (error != QNetworkReply::NoError) return R::failure(url.toString() + QStringLiteral(": ") + errorText);
    if (status != 200) return R::failure(url.toString() + QStringLiteral(": HTTP %1").arg(status));
    return body;
}
