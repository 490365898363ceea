#include "HttpRouter.h"

#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>

#include "ArchivePages.h"
#include "Engine.h"
#include "EngineDispatch.h"
#include "FormBody.h"
#include "GameSocket.h"
#include "HttpConnection.h"
#include "HttpServerImpl.h"

namespace pimra::server {

namespace http = boost::beast::http;

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

void sendEngineReply(HttpConnection& connection, std::string body) {
    HttpResponse response = responseTo(connection.request(), http::status::ok);
    response.set(http::field::content_type, kJson);
    response.body() = std::move(body);
    connection.send(std::move(response));
}

// Sends the engine's reply from the network thread, whichever thread it comes from. The
// connection goes with the reply, so nothing holds it once the reply is sent.
Engine::Respond replyLater(std::shared_ptr<HttpConnection> connection) {
    return [connection = std::move(connection)](std::string body) mutable {
        HttpConnection& self = *connection;
        self.post([connection = std::move(connection), body = std::move(body)]() mutable {
            sendEngineReply(*connection, std::move(body));
        });
    };
}

void engineRequest(const std::shared_ptr<HttpConnection>& connection) {
    HttpServer::Impl& server = connection->server();
    const std::string& body = connection->request().body();
    auto fields = decodeFormBody(body);
    if (!fields) {
        sendEngineReply(*connection, server.engine_.answer(body));
        return;
    }
    dispatchEngine(server, connection->clientAddress(), std::move(*fields), replyLater(connection),
                   [connection](auto wait, std::function<void()> task) {
                       connection->after(wait, std::move(task));
                   });
}

}  // namespace

void routeRequest(const std::shared_ptr<HttpConnection>& connection) {
    HttpServer::Impl& server = connection->server();
    const HttpRequest& request = connection->request();
    const std::string_view path = pathOf(request.target());
    const bool post = request.method() == http::verb::post;
    const bool read = request.method() == http::verb::get || request.method() == http::verb::head;
    if (isEnginePath(path) && post) {
        engineRequest(connection);
    } else if (path == kGameSocketPath && read) {
        connection->upgrade();
    } else if (const auto language = registrationLanguage(path); language && post) {
        connection->sendFrom(server.hashers_, [connection, language = *language] {
            return connection->server().pages_.registration(connection->request(), language,
                                                            connection->clientAddress());
        });
    } else if (isArchivePath(path) && read) {
        connection->sendFrom(server.workers_, [connection, path = std::string(path)] {
            return connection->server().pages_.archive(connection->request(), path);
        });
    } else {
        connection->send(server.pages_.fixed(request, path));
    }
}

}  // namespace pimra::server
