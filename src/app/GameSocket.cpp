#include "GameSocket.h"

#include <algorithm>
#include <utility>
#include <variant>

namespace pimra {

namespace {

int ms(std::chrono::milliseconds duration) {
    return static_cast<int>(duration.count());
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};

}  // namespace

QUrl socketUrlOf(const QUrl& site) {
    QString base = site.toString();
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    QUrl url(base + QStringLiteral("/engine/ws"));
    url.setScheme(site.scheme() == QStringLiteral("https") ? QStringLiteral("wss")
                                                           : QStringLiteral("ws"));
    return url;
}

GameSocket::GameSocket() {
    socket_.setMaxAllowedIncomingMessageSize(kLargestMessage);
    retry_.setSingleShot(true);
    replyTimer_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &GameSocket::connectNow);
    connect(&replyTimer_, &QTimer::timeout, &socket_, &QWebSocket::abort);
    connect(&ping_, &QTimer::timeout, this, &GameSocket::checkSilence);
    connect(&socket_, &QWebSocket::connected, this, &GameSocket::opened);
    connect(&socket_, &QWebSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state == QAbstractSocket::UnconnectedState) closed();
    });
    connect(&socket_, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
            [this](QAbstractSocket::SocketError) {
                // Qt names the status of a refused upgrade only in its text.
                noSocket_ = socket_.errorString().contains(QStringLiteral(" 404"));
            });
    connect(&socket_, &QWebSocket::textMessageReceived, this, &GameSocket::received);
    connect(&socket_, &QWebSocket::binaryMessageReceived, this, [this] { heard_.restart(); });
    connect(&socket_, &QWebSocket::pong, this, [this] { heard_.restart(); });
}

GameSocket::~GameSocket() {
    // Whoever waits for a reply is going too: nobody is told.
    hooks_ = {};
    waiting_.clear();
    QObject::disconnect(&socket_, nullptr, this, nullptr);
    socket_.abort();
}

void GameSocket::setSite(const QUrl& site) {
    const QUrl url = socketUrlOf(site);
    if (url == url_) return;
    url_ = url;
    socket_.abort();
    retry_.stop();
    nextPause_ = pauses_.first;
    if (wanted_) connectNow();
}

void GameSocket::start() {
    wanted_ = true;
    if (socket_.state() != QAbstractSocket::UnconnectedState || retry_.isActive()) return;
    connectNow();
}

void GameSocket::connectNow() {
    if (!url_.isValid() || socket_.state() != QAbstractSocket::UnconnectedState) return;
    ++attempts_;
    noSocket_ = false;
    // A server that takes the connection and never answers the upgrade is given up too.
    replyTimer_.start(ms(pauses_.replyTimeout));
    socket_.open(url_);
}

void GameSocket::opened() {
    open_ = true;
    replyTimer_.stop();
    nextPause_ = pauses_.first;
    heard_.start();
    ping_.start(ms(pauses_.ping));
    watchChanged();
    if (hooks_.openChanged) hooks_.openChanged(true);
}

void GameSocket::closed() {
    const bool wasOpen = open_;
    open_ = false;
    ping_.stop();
    replyTimer_.stop();
    watched_.clear();
    watchIds_.clear();
    std::map<std::int64_t, ReplyDone> lost = std::exchange(waiting_, {});
    if (wasOpen && hooks_.openChanged) hooks_.openChanged(false);
    for (auto& [id, done] : lost) done(std::nullopt);
    if (!wanted_ || retry_.isActive()) return;
    if (noSocket_) {
        retry_.start(ms(pauses_.noSocket));
        return;
    }
    retry_.start(ms(nextPause_));
    nextPause_ = std::min(nextPause_ * 2, pauses_.longest);
}

void GameSocket::received(const QString& text) {
    heard_.restart();
    const std::optional<net::SocketMessage> message = net::DecodeSocketMessage(text.toStdString());
    if (!message) return;  // a message of a later server, or garbage: nothing to do with it
    std::visit(Overloaded{
                   [this](const net::SocketReply& reply) {
                       if (watchIds_.erase(reply.id) > 0) return;
                       const auto waiting = waiting_.find(reply.id);
                       if (waiting == waiting_.end()) return;
                       ReplyDone done = std::move(waiting->second);
                       waiting_.erase(waiting);
                       if (waiting_.empty()) replyTimer_.stop();
                       done(reply.reply);
                   },
                   [this](const net::TableEvent& event) {
                       if (hooks_.tableEvent) hooks_.tableEvent(event);
                   },
                   [this](const net::LobbyEvent&) {
                       if (hooks_.lobbyEvent) hooks_.lobbyEvent();
                   },
               },
               *message);
}

bool GameSocket::send(const net::Request& request, ReplyDone done) {
    if (!open_) return false;
    waiting_[transmit(request)] = std::move(done);
    replyTimer_.start(ms(pauses_.replyTimeout));
    return true;
}

std::int64_t GameSocket::transmit(net::Request request) {
    const std::int64_t id = ++lastId_;
    socket_.sendTextMessage(
        QString::fromStdString(net::EncodeSocketRequest({id, std::move(request)})));
    return id;
}

void GameSocket::watchTable(int tableId) {
    if (tableId == tableId_) return;
    tableId_ = tableId;
    watchChanged();
}

void GameSocket::watchLobby(bool on) {
    if (on == lobby_) return;
    lobby_ = on;
    watchChanged();
}

void GameSocket::watchChanged() {
    if (!open_) return;
    std::set<std::string> wanted;
    if (lobby_) wanted.insert(std::string(net::kLobbyTableId));
    if (tableId_ > 0) wanted.insert(std::to_string(tableId_));
    for (const std::string& table : watched_) {
        if (!wanted.contains(table)) sendWatch(net::kUnwatchAction, table);
    }
    for (const std::string& table : wanted) {
        if (!watched_.contains(table)) sendWatch(net::kWatchAction, table);
    }
    watched_ = std::move(wanted);
}

void GameSocket::sendWatch(std::string_view action, const std::string& tableId) {
    watchIds_.insert(transmit({{"action", std::string(action)}, {"tableid", tableId}}));
}

void GameSocket::checkSilence() {
    // The server pings too, but a connection that died without a word is noticed here.
    if (heard_.hasExpired(pauses_.silence.count())) {
        socket_.abort();
        return;
    }
    socket_.ping();
}

}  // namespace pimra
