#include "EngineDispatch.h"

#include <algorithm>
#include <memory>
#include <optional>

#include <boost/asio/post.hpp>

#include "HttpServerImpl.h"

namespace pimra::server {

namespace asio = boost::asio;

namespace {

// Logins run on the hashers, reads on the workers. A change is handed straight to a store that
// queues writes, from this thread; its reply comes from the store once it is durable, and no
// thread waits for it meanwhile. The store takes it without waiting for room: each client has
// a bounded number of requests under way (one per connection, a few per socket), so no more
// changes wait than that, and a flood of changes slows the changes alone.
void answerEngine(HttpServer::Impl& server, const std::string& client, FormFields fields,
                  Engine::Respond respond) {
    server.answers_.begin();
    auto answered = [&answers = server.answers_, respond = std::move(respond)](std::string body) {
        respond(std::move(body));
        answers.end();
    };
    if (Engine::onlyChanges(fields) && server.store_.queuesWrites()) {
        server.engine_.answer(fields, client, std::move(answered));
        return;
    }
    const auto action = fields.find("action");
    const bool hashes = action != fields.end() && action->second == "login";
    asio::post(hashes ? server.hashers_ : server.workers_,
               [&server, client, fields = std::move(fields), answered = std::move(answered)] {
                   server.engine_.answer(fields, client, answered);
               });
}

// A list is the largest reply there is: each client, and all clients together, get lists at a
// steady rate, so that a flood of them, from one host or many, cannot take the network thread
// from the players' moves. Over the rate a list waits; over the longest wait it is refused,
// after that wait.
void paceList(HttpServer::Impl& server, const std::string& client, FormFields fields,
              Engine::Respond respond, const Later& later) {
    const auto now = RequestPacer::Clock::now();
    auto turn = server.lists_.turnOf(client, now);
    if (turn) {
        const auto shared = server.allLists_.turnOf({}, now);
        turn = shared ? std::optional(std::max(*turn, *shared)) : std::nullopt;
    }
    if (turn && *turn == RequestPacer::Clock::duration::zero()) {
        answerEngine(server, client, std::move(fields), std::move(respond));
        return;
    }
    later(turn.value_or(server.lists_.maxWait()),
          [&server, client, fields = std::move(fields), respond = std::move(respond),
           served = turn.has_value()]() mutable {
              if (served) {
                  answerEngine(server, client, std::move(fields), std::move(respond));
              } else {
                  respond(Engine::tooManyRequestsReply());
              }
          });
}

}  // namespace

void dispatchEngine(HttpServer::Impl& server, const std::string& client, FormFields fields,
                    Engine::Respond respond, const Later& later) {
    if (Engine::isList(fields)) {
        paceList(server, client, std::move(fields), std::move(respond), later);
    } else {
        answerEngine(server, client, std::move(fields), std::move(respond));
    }
}

}  // namespace pimra::server
