#include "HttpRouter.h"

#include <algorithm>
#include <optional>

#include <boost/asio/post.hpp>
#include <boost/beast/http/field.hpp>
#include <boost/beast/http/verb.hpp>

#include "ArchivePages.h"
#include "Engine.h"
#include "FormBody.h"
#include "HttpConnection.h"
#include "HttpServerImpl.h"

namespace pimra::server {

namespace asio = boost::asio;
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
        OpenAnswers& answers = connection->server().answers_;
        HttpConnection& self = *connection;
        self.post([connection = std::move(connection), body = std::move(body)]() mutable {
            sendEngineReply(*connection, std::move(body));
        });
        answers.end();
    };
}

// Logins run on the hashers, reads on the workers. A change is handed straight to a store that
// queues writes, from this thread; its reply comes from the store once it is durable, and no
// thread waits for it meanwhile. The store takes it without waiting for room: a connection
// reads its next request only once this one is answered, so no more changes wait than there
// are open connections, and a flood of changes slows the changes alone.
void answerEngine(const std::shared_ptr<HttpConnection>& connection, FormFields fields) {
    HttpServer::Impl& server = connection->server();
    server.answers_.begin();
    if (Engine::onlyChanges(fields) && server.store_.queuesWrites()) {
        server.engine_.answer(fields, connection->clientAddress(), replyLater(connection));
        return;
    }
    const auto action = fields.find("action");
    const bool hashes = action != fields.end() && action->second == "login";
    asio::post(hashes ? server.hashers_ : server.workers_,
               [connection, fields = std::move(fields)] {
                   connection->server().engine_.answer(fields, connection->clientAddress(),
                                                       replyLater(connection));
               });
}

// A list is the largest reply there is: each client, and all clients together, get lists at a
// steady rate, so that a flood of them, from one host or many, cannot take the network thread
// from the players' moves. Over the rate a list waits; over the longest wait it is refused,
// after that wait.
void paceList(const std::shared_ptr<HttpConnection>& connection, FormFields fields) {
    HttpServer::Impl& server = connection->server();
    const auto now = RequestPacer::Clock::now();
    auto turn = server.lists_.turnOf(connection->clientAddress(), now);
    if (turn) {
        const auto shared = server.allLists_.turnOf({}, now);
        turn = shared ? std::optional(std::max(*turn, *shared)) : std::nullopt;
    }
    if (turn && *turn == RequestPacer::Clock::duration::zero()) {
        answerEngine(connection, std::move(fields));
        return;
    }
    connection->after(turn.value_or(server.lists_.maxWait()),
                      [connection, fields = std::move(fields), served = turn.has_value()] {
                          if (served) {
                              answerEngine(connection, fields);
                          } else {
                              sendEngineReply(*connection, Engine::tooManyRequestsReply());
                          }
                      });
}

void engineRequest(const std::shared_ptr<HttpConnection>& connection) {
    HttpServer::Impl& server = connection->server();
    const std::string& body = connection->request().body();
    auto fields = decodeFormBody(body);
    if (!fields) {
        sendEngineReply(*connection, server.engine_.answer(body));
        return;
    }
    if (Engine::isList(*fields)) {
        paceList(connection, std::move(*fields));
    } else {
        answerEngine(connection, std::move(*fields));
    }
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
