#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ChangeFeed.h"

namespace pimra::server {

// What travels in a NOTIFY between instances: one change of a table, or word that changes were
// dropped (a publisher that could not reach the database for long) and every watched table is
// to be announced again.
struct ResyncNotice {
    bool operator==(const ResyncNotice&) const = default;
};
using FeedNotice = std::variant<TableChange, ResyncNotice>;

// PostgreSQL refuses payloads of 8000 bytes and more; a change is a few dozen.
inline constexpr std::size_t kMaxPayloadBytes = 2000;

// A JSON object of strings: the table event's wire members, "listchanged" ("1" or "0") and
// "runsout" (milliseconds, while a game runs).
// A change that would not fit kMaxPayloadBytes is written as a resync notice.
std::string EncodeFeedNotice(const FeedNotice& notice);
// None for anything else, e.g. a payload of another version of the server.
std::optional<FeedNotice> DecodeFeedNotice(std::string_view payload);

}  // namespace pimra::server
