#include "ServerLink.h"

namespace pimra {

ServerLink::ServerLink(const QUrl& site) {
    runner_.setSocket(&socket_);
    setSite(site);
}

void ServerLink::setSite(const QUrl& site) {
    // The worker thread reads the client while an exchange runs.
    if (runner_.busy()) return;
    site_ = site;
    curl_ = std::make_unique<net::CurlTransport>(
        page(QStringLiteral("/engine/")).toString().toStdString());
    socket_.setSite(site);
}

void ServerLink::resume() {
    if (runner_.busy()) return;
    runner_.resume();
    curl_->Resume();
}

QUrl ServerLink::page(const QString& path) const {
    QString base = site_.toString();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return QUrl(base + path);
}

QUrl ServerLink::playerPage(const std::string& login) const {
    const QByteArray encoded = QUrl::toPercentEncoding(QString::fromStdString(login));
    QUrl page = site_;
    page.setPath(QStringLiteral("/u/") + QString::fromLatin1(encoded), QUrl::TolerantMode);
    return page;
}

}  // namespace pimra
