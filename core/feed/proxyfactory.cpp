#include "core/feed/proxyfactory.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace {

QString variable(const QProcessEnvironment& env, const QString& name) {
    const QString lower = env.value(name);
    return lower.isEmpty() ? env.value(name.toUpper()) : lower;
}

// no_proxy: names and addresses separated by commas or spaces; a name covers its
// subdomains, a leading dot or "*." is the same, "*" covers everything.
bool bypassed(const QString& noProxy, const QString& host) {
    const QString h = host.toLower();
    for (QString entry : noProxy.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        entry = entry.trimmed().toLower();
        if (entry == u"*") return true;
        if (entry.startsWith(QStringLiteral("*."))) entry.remove(0, 1);
        if (entry.startsWith(u'.')) entry.remove(0, 1);
        // A port on the entry does not narrow it.
        if (const qsizetype colon = entry.lastIndexOf(u':');
            colon > 0 && !entry.contains(u']') && entry.count(u':') == 1)
            entry.truncate(colon);
        if (entry.isEmpty()) continue;
        if (h == entry || h.endsWith(u'.' + entry)) return true;
        const auto [net, bits] = QHostAddress::parseSubnet(entry);
        if (!net.isNull() && entry.contains(u'/') && QHostAddress(h).isInSubnet(net, bits)) return true;
    }
    return false;
}

} // namespace

ProxyFactory::ProxyFactory(QProcessEnvironment env) : m_env(std::move(env)) {}

QNetworkProxy ProxyFactory::fromEnvironment(const QProcessEnvironment& env, const QUrl& url) {
    if (bypassed(variable(env, QStringLiteral("no_proxy")), url.host())) return QNetworkProxy::NoProxy;
    const bool https = url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0;
    QString text = https ? variable(env, QStringLiteral("https_proxy")) : env.value(QStringLiteral("http_proxy"));
    // HTTP_PROXY in capitals is left alone, as curl does: a web server's environment can set it from a request header.
    if (text.isEmpty()) text = variable(env, QStringLiteral("all_proxy"));
    text = text.trimmed();
    if (text.isEmpty()) return QNetworkProxy::NoProxy;
    if (!text.contains(QStringLiteral("://"))) text.prepend(QStringLiteral("http://"));
    const QUrl proxy(text);
    if (!proxy.isValid() || proxy.host().isEmpty()) return QNetworkProxy::NoProxy;
    const bool socks = proxy.scheme().startsWith(QStringLiteral("socks"), Qt::CaseInsensitive);
    return QNetworkProxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, proxy.host(),
                         quint16(proxy.port(socks ? 1080 : 80)), proxy.userName(QUrl::FullyDecoded),
                         proxy.password(QUrl::FullyDecoded));
}

QList<QNetworkProxy> ProxyFactory::queryProxy(const QNetworkProxyQuery& query) {
#ifdef Q_OS_WIN
    return systemProxyForQuery(query);
#else
    return {fromEnvironment(m_env, query.url())};
#endif
}
