#pragma once

#include <concepts>
#include <optional>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "net/Reply.h"

namespace pimra::net {

// The "nextrecord" reply: the first record after the one asked about, or, when there is
// none yet, the number asked about and no move.
struct RecordReply {
    std::optional<int> ind;   // the record's number
    std::optional<int> move;  // the pit played, 1 to 14

    bool operator==(const RecordReply&) const = default;
};

template <class Message, class Field>
requires std::same_as<std::remove_const_t<Message>, RecordReply>
void ForEachField(Message& record, Field&& field) {
    field("ind", record.ind);
    field("move", record.move);
}

nlohmann::json EncodeRecordReply(const RecordReply& reply);
RecordReply DecodeRecordReply(const Reply& reply);

}  // namespace pimra::net
