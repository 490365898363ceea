#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QWebSocketServer>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "net/SocketMessages.h"

namespace pimra::test {

// A game server as small as a test needs, on a loopback port: POSTs get `{"response":
// "Success"}`, and "/engine/ws" (unless it answers 404) takes socket requests, answered the
// same way, except the actions it is told to swallow: those close the socket unanswered.
class FakeGameServer {
  public:
    explicit FakeGameServer(bool withSocket, quint16 port = 0) : withSocket_(withSocket) {
        QObject::connect(&tcp_, &QTcpServer::newConnection, [this] { accept(); });
        QObject::connect(&ws_, &QWebSocketServer::newConnection, [this] { opened(); });
        tcp_.listen(QHostAddress::LocalHost, port);
    }

    ~FakeGameServer() {
        for (QWebSocket* client : clients_) {
            QObject::disconnect(client, nullptr, nullptr, nullptr);
            delete client;
        }
    }
    FakeGameServer(const FakeGameServer&) = delete;
    FakeGameServer& operator=(const FakeGameServer&) = delete;

    quint16 port() const { return tcp_.serverPort(); }
    QString site() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    // The actions of each way, in their order.
    std::vector<std::string> posted;
    std::vector<std::string> socketActions;
    std::set<std::string> swallowed;
    int sockets() const { return static_cast<int>(clients_.size()); }

    void push(const std::string& message) {
        for (QWebSocket* client : clients_)
            client->sendTextMessage(QString::fromStdString(message));
    }

  private:
    void accept() {
        while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { readHead(socket); });
        }
    }

    void readHead(QTcpSocket* socket) {
        const QByteArray head = socket->peek(8192);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0) return;
        if (head.startsWith("GET") && withSocket_) {
            QObject::disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);
            ws_.handleConnection(socket);
            return;
        }
        if (head.startsWith("GET")) {
            answer(socket, "404 Not Found", "");
            return;
        }
        const qsizetype lengthAt = head.toLower().indexOf("content-length:");
        const int length =
            lengthAt < 0 ? 0 : head.mid(lengthAt + 15).split('\r').front().trimmed().toInt();
        if (head.size() < end + 4 + length) return;
        const QByteArray body = socket->read(end + 4 + length).mid(end + 4);
        const qsizetype action = body.indexOf("action=");
        posted.push_back(body.mid(action + 7).split('&').front().toStdString());
        answer(socket, "200 OK", R"({"response":"Success"})");
    }

    static void answer(QTcpSocket* socket, const char* status, const std::string& body) {
        socket->write(QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: application/json" +
                      "\r\nConnection: close\r\nContent-Length: " +
                      QByteArray::number(static_cast<int>(body.size())) + "\r\n\r\n" +
                      QByteArray::fromStdString(body));
        socket->disconnectFromHost();
    }

    void opened() {
        while (QWebSocket* client = ws_.nextPendingConnection()) {
            clients_.insert(client);
            QObject::connect(client, &QWebSocket::textMessageReceived, client,
                             [this, client](const QString& text) { received(client, text); });
            QObject::connect(client, &QWebSocket::disconnected, client, [this, client] {
                clients_.erase(client);
                client->deleteLater();
            });
        }
    }

    void received(QWebSocket* client, const QString& text) {
        const auto request = net::DecodeSocketRequest(text.toStdString());
        if (!request) return;
        std::string action;
        for (const auto& line : request->fields) {
            if (line.name == "action") action = line.value;
        }
        socketActions.push_back(action);
        if (swallowed.contains(action)) {
            client->close();
            return;
        }
        client->sendTextMessage(QString::fromStdString(
            net::EncodeSocketReply(request->id, R"({"response":"Success"})")));
    }

    bool withSocket_;
    QTcpServer tcp_;
    QWebSocketServer ws_{QStringLiteral("fake"), QWebSocketServer::NonSecureMode};
    std::set<QWebSocket*> clients_;
};

}  // namespace pimra::test
