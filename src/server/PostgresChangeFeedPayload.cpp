#include "PostgresChangeFeedPayload.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "net/WireFields.h"

namespace pimra::server {

namespace {

constexpr const char* kListChanged = "listchanged";
constexpr const char* kResync = "resync";
constexpr const char* kRunsOut = "runsout";

std::string dump(const nlohmann::json& object) {
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string EncodeFeedNotice(const FeedNotice& notice) {
    const auto* change = std::get_if<TableChange>(&notice);
    if (change) {
        auto object = net::FieldsToObject(change->event);
        object[kListChanged] = net::ToWire(change->listChanged);
        if (change->runsOutInMs) object[kRunsOut] = std::to_string(*change->runsOutInMs);
        auto payload = dump(object);
        if (payload.size() <= kMaxPayloadBytes) return payload;
    }
    return dump({{kResync, "1"}});
}

std::optional<FeedNotice> DecodeFeedNotice(std::string_view payload) {
    const auto object = nlohmann::json::parse(payload, nullptr, false);
    if (object.is_discarded() || !object.is_object()) return std::nullopt;
    if (object.contains(kResync)) return ResyncNotice{};
    // Texts are kept as sent (UTF-8): the change goes out again to watchers as it came.
    const auto raw = [&](const std::string& name) -> std::string {
        const auto it = object.find(name);
        return it != object.end() && it->is_string() ? it->get<std::string>() : "";
    };
    TableChange change;
    net::ForEachField(change.event, [&](const std::string& name, auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
            value = raw(name);
        } else {
            net::FromWire(raw(name), value);
        }
    });
    if (change.event.tableId.empty()) return std::nullopt;
    net::FromWire(raw(kListChanged), change.listChanged);
    // Milliseconds as sent; an unreadable figure is dropped, and the clock is settled by a poll.
    const std::string runsOut = raw(kRunsOut);
    std::int64_t ms = 0;
    const auto [end, error] = std::from_chars(runsOut.data(), runsOut.data() + runsOut.size(), ms);
    if (!runsOut.empty() && error == std::errc() && end == runsOut.data() + runsOut.size()) {
        change.runsOutInMs = ms;
    }
    return change;
}

}  // namespace pimra::server
