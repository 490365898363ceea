#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "Engine.h"
#include "HttpServer.h"

namespace pimra::server {

// Runs `task` on the network thread after `wait`, unless the client has gone by then.
using Later =
    std::function<void(std::chrono::steady_clock::duration wait, std::function<void()> task)>;

// Hands one engine request, whether it came by POST or over the game socket, to the thread
// that answers it, with the table lists paced per client and in all. `respond` gets the reply
// on any thread.
void dispatchEngine(HttpServer::Impl& server, const std::string& client, FormFields fields,
                    Engine::Respond respond, const Later& later);

}  // namespace pimra::server
