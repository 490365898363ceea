#include "HttpServer.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "Accounts.h"
#include "Engine.h"
#include "WebPages.h"

namespace pimra::server {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";
// The library listens with a queue of 5; thousands of clients on fresh connections need more.
constexpr int kListenBacklog = 16384;
constexpr int kDeferAcceptSeconds = 10;

}  // namespace

HttpServer::HttpServer(Engine& engine, Accounts& accounts)
    : engine_(engine), accounts_(accounts), server_(std::make_unique<httplib::Server>()) {
    server_->set_payload_max_length(kMaxBodyBytes);
    server_->set_read_timeout(5, 0);
    server_->set_write_timeout(5, 0);
    server_->set_socket_options([this](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        // Each connection takes a worker thread until it is closed; let the kernel hold a
        // connection until its request arrives, so idle sockets cannot tie the workers up.
        int seconds = kDeferAcceptSeconds;
        setsockopt(sock, IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof(seconds));
        socket_ = sock;
    });
    addRoutes();
}

HttpServer::~HttpServer() = default;

void HttpServer::addRoutes() {
    const auto engine = [this](const httplib::Request& request, httplib::Response& response) {
        response.set_content(engine_.answer(request.body, request.remote_addr), kJson);
    };
    server_->Post("/engine/", engine);
    server_->Post("/engine", engine);

    const auto form = [](const httplib::Request&, httplib::Response& response) {
        response.set_content(registrationFormPage("", ""), kHtml);
    };
    const auto submit = [this](const httplib::Request& request, httplib::Response& response) {
        const std::string login = request.get_param_value("login");
        const RegistrationError error =
            accounts_.registerAccount(login, request.get_param_value("password"),
                                      request.get_param_value("repeat"), request.remote_addr);
        response.set_content(error == RegistrationError::None
                                 ? registrationDonePage(login)
                                 : registrationFormPage(login, registrationErrorText(error)),
                             kHtml);
    };
    for (const char* path : {"/ru/reg", "/ru/reg/"}) {
        server_->Get(path, form);
        server_->Post(path, submit);
    }
    server_->Get("/rules.html", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(rulesPage(), kHtml);
    });
    server_->Get("/info.html", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(infoPage(), kHtml);
    });
    server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/info.html");
    });
    server_->set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            response.status = 500;
            response.set_content("{\"response\":\"Ошибка сервера, попробуйте позже\"}", kJson);
        });
}

int HttpServer::bind(const std::string& host, int port) {
    int bound = -1;
    if (port == 0) {
        bound = server_->bind_to_any_port(host);
    } else if (server_->bind_to_port(host, port)) {
        bound = port;
    }
    if (bound > 0 && socket_ >= 0) {
        // Listening again only widens the queue of the socket already bound.
        ::listen(socket_, kListenBacklog);
    }
    return bound;
}

bool HttpServer::run() {
    return server_->listen_after_bind();
}

void HttpServer::stop() {
    server_->stop();
}

bool HttpServer::isRunning() const {
    return server_->is_running();
}

void HttpServer::waitUntilReady() const {
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace pimra::server
