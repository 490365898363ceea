// Feeds raw bytes to the server's request reader the way a connection receives them, and what
// it completes to the routes that take a body: engine actions against an in-memory store and
// the registration form's decoding and checks. The first byte picks the size of the pieces the
// bytes arrive in and whether the size limits are the server's or small ones the input can
// reach; the rest is the stream of one connection, pipelined requests included.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <boost/asio/buffer.hpp>
#include <nlohmann/json.hpp>

#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/CsrfToken.h"
#include "server/Engine.h"
#include "server/HttpRequestReader.h"
#include "server/SqliteStore.h"
#include "server/WebForm.h"

using namespace pimra::server;
namespace http = boost::beast::http;

namespace {

struct World {
    ManualClock clock;
    SqliteStore store{":memory:"};
    PasswordHasher hasher{PasswordHasher::Strength::Minimum};
    Accounts accounts{store, clock, hasher};
    Engine engine{store, clock, accounts};
    CsrfToken csrf{std::string(64, 'a')};

    World() { accounts.registerAccount("ann", "p", "p"); }
};

void checkEngineReply(const std::string& reply) {
    const auto json = nlohmann::json::parse(reply, nullptr, false);
    if (json.is_discarded() || !json.is_object() || !json.contains("response")) {
        __builtin_trap();
    }
}

// What the server does with a complete request short of writing the reply.
void serve(World& world, const HttpRequest& request) {
    const std::string_view path = pathOf(request.target());
    (void)request.keep_alive();
    if (request.method() != http::verb::post) return;
    if (isEnginePath(path)) {
        checkEngineReply(world.engine.answer(request.body(), "127.0.0.1"));
    } else if (path == "/ru/reg" || path == "/ru/reg/") {
        const auto fields = decodeWebForm(request.body());
        std::string field;
        if (fields) {
            const auto csrf = fields->find("csrf");
            if (csrf != fields->end()) field = csrf->second;
        }
        if (sameOrigin(request) && world.csrf.accepts(cookieValue(request, "pimra_csrf"), field)) {
            __builtin_trap();  // nothing here can forge a signed token
        }
    }
}

void append(boost::beast::flat_buffer& buffer, std::string_view bytes) {
    const auto room = buffer.prepare(bytes.size());
    boost::asio::buffer_copy(room, boost::asio::buffer(bytes.data(), bytes.size()));
    buffer.commit(bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::unique_ptr<World> world;
    static int runs = 0;
    if (!world || ++runs % 20000 == 0) {
        world.reset();
        world = std::make_unique<World>();
    }
    if (size == 0) return 0;
    const std::uint8_t control = data[0];
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t piece = (control & 0x3f) == 0 ? input.size() + 1 : (control & 0x3f);
    const bool small = (control & 0x40) != 0;
    const std::size_t maxHeader = small ? 64 : 8 * 1024;
    const std::size_t maxBody = small ? 16 : 64 * 1024;

    boost::beast::flat_buffer buffer;
    auto reader = std::make_unique<HttpRequestReader>(maxHeader, maxBody);
    while (true) {
        const auto outcome = reader->read(buffer);
        if (outcome == HttpRequestReader::Outcome::Refused) {
            (void)reader->refusal();
            if (reader->headerDone()) (void)isEnginePath(pathOf(reader->request().target()));
            break;  // the connection closes after the refusal
        }
        if (outcome == HttpRequestReader::Outcome::Complete) {
            const HttpRequest request = reader->release();
            if (request.body().size() > maxBody) __builtin_trap();
            serve(*world, request);
            reader = std::make_unique<HttpRequestReader>(maxHeader, maxBody);
            continue;  // pipelined bytes are parsed at once
        }
        if (input.empty()) break;
        append(buffer, input.substr(0, piece));
        input.remove_prefix(std::min(piece, input.size()));
    }
    return 0;
}
