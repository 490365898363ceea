// Reply reading, table-state parsing and the position text against arbitrary server bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/Cp1251.h"
#include "net/FormEncoding.h"
#include "net/PositionText.h"
#include "net/Reply.h"
#include "online/Clocks.h"
#include "online/Lobby.h"
#include "online/OnlineTable.h"
#include "online/TableList.h"

namespace {

using namespace pimra;
using namespace pimra::net;
using namespace pimra::online;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

Position Marked() {
    Position board;
    for (int pit = 1; pit <= kPitCount; ++pit) {
        board[pit] = 1000 + pit;  // no server count can look like this
    }
    return board;
}

void FuzzPosition(std::string_view text) {
    const Position after = ApplyPosition(Marked(), text);
    for (int pit = 1; pit <= kPitCount; ++pit) {
        Check(after[pit] == 1000 + pit || (after[pit] >= 0 && after[pit] <= 255));
    }
}

void FuzzText(std::string_view text) {
    const std::string cp1251 = Utf8ToCp1251Lossy(text);
    const std::string utf8 = Cp1251ToUtf8(text);
    Check(FitsCp1251(ThroughCp1251(text)));
    Check(Cp1251ToUtf8(cp1251).size() >= cp1251.size());
    const std::string encoded = EncodeFormValue(std::string(text));
    Check(encoded.find_first_of("& =") == std::string::npos);
    const std::size_t bar = text.find('|');
    const std::string time1(text.substr(0, bar));
    const std::string time2 =
        bar == std::string_view::npos ? "1" : std::string(text.substr(bar + 1));
    const ClockTexts clocks = SetClocks(time1, time2);
    Check(clocks.clock1.empty() == clocks.clock2.empty());
}

void FuzzReply(const Reply& reply) {
    Session session{"sid", "code", FieldText(reply, "me")};
    OnlineTable table(session);
    table.Open(1);
    const Position board = table.ApplyTableReply(reply, Marked());
    for (int pit = 1; pit <= kPitCount; ++pit) {
        Check(board[pit] == 1000 + pit || (board[pit] >= 0 && board[pit] <= 255));
    }
    const TableView view = table.View();
    Check(view.clocks.clock1.empty() == view.clocks.clock2.empty());
    table.OnClockTimer();
    table.UntilNextSecond();
    Check(table.Clocks().clock1.empty() == table.Clocks().clock2.empty());
    if (table.ApplyNextRecord(&reply) == NextRecordOutcome::Replay) {
        Check(Position::isValidIndex(table.State().OpponentMove));
    }
    for (int pit = 0; pit <= 15; ++pit) {
        table.AcceptsClick(pit);
    }
    EncodeForm(table.NextRecordRequest());

    Lobby lobby;
    lobby.Load(&reply);
    for (const TableRow& row : lobby.Rows()) {
        Check(FirstCharacters(row.login1, kListLoginLength) == row.login1);
        STime(row);
        InputActionFor(row, session);
    }
    lobby.Caption(session);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    FuzzPosition(input);
    FuzzText(input);
    if (const std::optional<Reply> reply = ParseReply(input)) {
        FuzzReply(*reply);
    }
    return 0;
}
