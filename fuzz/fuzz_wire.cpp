// The client's readers of the table, list and record replies against arbitrary server bytes:
// what they read, written back the server's way and read again, is what they read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/PercentDecoding.h"
#include "net/RecordReply.h"
#include "net/Reply.h"
#include "net/TableListReply.h"
#include "net/TableReply.h"

namespace {

using namespace pimra::net;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void FuzzTable(const Reply& reply) {
    TableReply table = DecodeTableReply(reply);
    // A finish this client does not know has no text of its own to go back as.
    if (table.finish == FinishReason::Unknown) table.finish = FinishReason::None;
    const nlohmann::json encoded = EncodeTableReply(table);
    Check(encoded["response"] == "Success");
    Check(DecodeTableReply(encoded) == table);
}

void FuzzList(const Reply& reply) {
    const TableListReply list = DecodeTableList(reply);
    Check(DecodeTableList(EncodeTableList(list)) == list);
}

void FuzzRecord(const Reply& reply) {
    const RecordReply record = DecodeRecordReply(reply);
    Check(DecodeRecordReply(EncodeRecordReply(record)) == record);
}

void FuzzPercent(std::string_view text) {
    const auto blank = PercentDecode(text, PlusSign::Blank);
    const auto plus = PercentDecode(text, PlusSign::Plus);
    Check(blank.has_value() == plus.has_value());
    if (blank) Check(blank->size() == plus->size() && blank->size() <= text.size());
    for (const std::string_view piece : FormPieces(text)) {
        Check(!piece.empty() && piece.find('&') == std::string_view::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    FuzzPercent(input);
    if (const std::optional<Reply> reply = ParseReply(input)) {
        FuzzTable(*reply);
        FuzzList(*reply);
        FuzzRecord(*reply);
    }
    return 0;
}
