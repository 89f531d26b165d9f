#pragma once

#include <QNetworkProxyFactory>
#include <QProcessEnvironment>

// The proxy an office's computer is set up with. On Linux that is the
// environment's http_proxy, https_proxy, all_proxy and no_proxy, as curl and
// wget read them; elsewhere the system's own settings.
class ProxyFactory : public QNetworkProxyFactory {
public:
    explicit ProxyFactory(QProcessEnvironment env = QProcessEnvironment::systemEnvironment());
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override;

    // The proxy for a URL under the environment's variables; NoProxy when none applies.
    static QNetworkProxy fromEnvironment(const QProcessEnvironment& env, const QUrl& url);

private:
    QProcessEnvironment m_env;
};
