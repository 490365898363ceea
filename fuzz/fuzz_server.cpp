// Feeds request bodies to the engine on an in-memory store. The input is a list of requests
// separated by newlines; the first byte of each picks who sends it (none, or one of three
// logged-in players, whose sid and code are appended) and how far the clock moves first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "net/Md5.h"
#include "server/Accounts.h"
#include "server/Clock.h"
#include "server/Credentials.h"
#include "server/Engine.h"
#include "server/SqliteStore.h"

using namespace pimra::server;

namespace {

struct World {
    ManualClock clock;
    SqliteStore store{":memory:"};
    PasswordHasher hasher{PasswordHasher::Strength::Minimum};
    Accounts accounts{store, clock, hasher};
    Engine engine{store, clock, accounts};
    std::string credentials[4];

    World() {
        const char* logins[] = {"ann", "Боб", "cid"};
        for (int i = 0; i < 3; ++i) {
            accounts.registerAccount(logins[i], "p", "p");
            const auto session = accounts.logIn(logins[i], pimra::net::MD5Hex("p"));
            credentials[i + 1] =
                "sid=" + session.session.sid + "&code=" + session.session.code + "&";
        }
        // Table 1 with a game under way, table 2 waiting for a second player.
        engine.answer("action=newtable&gameid=1&timelimit=60&bonus=3&" + credentials[1]);
        engine.answer("action=regtable&tableid=1&" + credentials[2]);
        engine.answer("action=ready&tableid=1&" + credentials[1]);
        engine.answer("action=ready&tableid=1&" + credentials[2]);
        engine.answer("action=newtable&gameid=1&timelimit=600&bonus=0&" + credentials[2]);
    }
};

// Every member is a string but the lists: the tables of a list and the lines of a table's
// chat, objects of strings each.
bool onlyStrings(const nlohmann::json& object) {
    if (!object.is_object()) return false;
    for (const auto& [key, value] : object.items()) {
        if ((key == "tables" || key == "chat") && value.is_array()) {
            for (const auto& item : value) {
                if (!onlyStrings(item)) return false;
            }
        } else if (!value.is_string()) {
            return false;
        }
    }
    return true;
}

void check(const std::string& reply) {
    const auto json = nlohmann::json::parse(reply, nullptr, false);
    if (json.is_discarded() || !onlyStrings(json) || !json.contains("response")) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A world lives for many inputs (setting one up costs more than a request); renewing it
    // now and then keeps the database small.
    static std::unique_ptr<World> world;
    static int runs = 0;
    if (!world || ++runs % 5000 == 0) {
        world.reset();
        world = std::make_unique<World>();
    }
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const std::size_t end = input.find('\n');
        std::string_view request = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
        if (request.empty()) continue;
        const auto control = static_cast<std::uint8_t>(request[0]);
        world->clock.advanceMs((control >> 2) * 1000);
        std::string body(request.substr(1));
        body += world->credentials[control & 3];
        check(world->engine.answer(body));
    }
    return 0;
}
