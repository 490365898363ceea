#include "net/TableReply.h"

#include <array>
#include <utility>

#include "net/WireFields.h"

namespace pimra::net {

namespace {

constexpr std::array<std::pair<TableResult, std::string_view>, 4> kResults = {{
    {TableResult::Running, "0"},
    {TableResult::Seat1Won, "1"},
    {TableResult::Seat2Won, "2"},
    {TableResult::Draw, "3"},
}};

constexpr std::array<std::pair<FinishReason, std::string_view>, 5> kFinishes = {{
    {FinishReason::None, ""},
    {FinishReason::Moves, "moves"},
    {FinishReason::Time, "time"},
    {FinishReason::Resign, "resign"},
    {FinishReason::Agreement, "agreement"},
}};

template <class Value, std::size_t N>
std::string NameOf(const std::array<std::pair<Value, std::string_view>, N>& names, Value value) {
    for (const auto& [known, name] : names) {
        if (known == value) return std::string(name);
    }
    return {};
}

template <class Value, std::size_t N>
Value ValueOf(const std::array<std::pair<Value, std::string_view>, N>& names, std::string_view text,
              Value otherwise) {
    for (const auto& [value, name] : names) {
        if (name == text) return value;
    }
    return otherwise;
}

}  // namespace

std::string ToWire(TableResult result) {
    return NameOf(kResults, result);
}

void FromWire(std::string_view text, TableResult& result) {
    result = ValueOf(kResults, text, TableResult::Draw);
}

std::string ToWire(FinishReason finish) {
    return NameOf(kFinishes, finish);
}

void FromWire(std::string_view text, FinishReason& finish) {
    finish = ValueOf(kFinishes, text, FinishReason::Unknown);
}

nlohmann::json EncodeTableReply(const TableReply& reply) {
    nlohmann::json object = SuccessReply(reply);
    if (reply.chat) object["chat"] = EncodeChatLines(*reply.chat);
    return object;
}

TableReply DecodeTableReply(const Reply& reply) {
    TableReply table = FieldsFromObject<TableReply>(reply);
    if (const auto chat = reply.find("chat"); reply.is_object() && chat != reply.end()) {
        table.chat = DecodeChatLines(*chat);
    }
    return table;
}

}  // namespace pimra::net
