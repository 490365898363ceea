#include <gtest/gtest.h>

#include "CapturedReplies.h"
#include "net/ChatText.h"
#include "net/PercentDecoding.h"
#include "net/RecordReply.h"
#include "net/TableListReply.h"
#include "net/TableReply.h"

using namespace pimra;
using namespace pimra::net;
namespace captured = pimra::test::captured;

namespace {

Reply Parsed(const char* text) {
    return nlohmann::json::parse(text);
}

}  // namespace

// What the server wrote before the codec is what the codec reads and writes back, to the byte.
TEST(TableCodecTest, CapturedRepliesComeBackToTheByte) {
    for (const char* text : {captured::kWaitingTable, captured::kOneReady, captured::kPlaying,
                             captured::kAway, captured::kFinished, captured::kRematchAsked,
                             captured::kRematched, captured::kLostOnTime}) {
        EXPECT_EQ(EncodeTableReply(DecodeTableReply(Parsed(text))).dump(), text);
    }
    for (const char* text : {captured::kEmptyList, captured::kList, captured::kListAfter}) {
        EXPECT_EQ(EncodeTableList(DecodeTableList(Parsed(text))).dump(), text);
    }
    for (const char* text : {captured::kRecord, captured::kNoRecord}) {
        EXPECT_EQ(EncodeRecordReply(DecodeRecordReply(Parsed(text))).dump(), text);
    }
}

TEST(TableCodecTest, CapturedRepliesReadAsTypedValues) {
    const TableReply waiting = DecodeTableReply(Parsed(captured::kWaitingTable));
    EXPECT_EQ(waiting.seat1, (SeatReply{"Анна", 300, false, 1500, false, false}));
    EXPECT_EQ(waiting.seat2, (SeatReply{"", 300, false, std::nullopt, false, false}));
    EXPECT_EQ(waiting.result, TableResult::Running);
    EXPECT_EQ(waiting.lastRecord, 0);
    EXPECT_EQ(waiting.nextTable, std::nullopt);
    EXPECT_EQ(waiting.finish, FinishReason::None);

    const TableReply finished = DecodeTableReply(Parsed(captured::kRematched));
    EXPECT_EQ(finished.position, "0|0|0|0|0|0|51|0|0|0|0|0|0|21");
    EXPECT_EQ(finished.activeLogin, "");
    EXPECT_EQ(finished.result, TableResult::Seat1Won);
    EXPECT_EQ(finished.finish, FinishReason::Moves);
    EXPECT_EQ(finished.lastRecord, 28);
    EXPECT_EQ(finished.nextTable, 2);
    EXPECT_EQ(finished.seat(Side::Top), (SeatReply{"bob", 352, true, 1338, false, true}));

    const TableReply onTime = DecodeTableReply(Parsed(captured::kLostOnTime));
    EXPECT_EQ(onTime.finish, FinishReason::Time);
    EXPECT_EQ(onTime.seat2.seconds, 0);
    EXPECT_TRUE(onTime.seat1.away && onTime.seat2.away);

    const TableListReply list = DecodeTableList(Parsed(captured::kListAfter));
    ASSERT_EQ(list.tables.size(), 3u);
    EXPECT_EQ(list.tables[1], (ListedTable{3, "Анна", "bob", 60, 0, 1662, 1338}));

    EXPECT_EQ(DecodeRecordReply(Parsed(captured::kRecord)), (RecordReply{1, 1}));
    EXPECT_EQ(DecodeRecordReply(Parsed(captured::kNoRecord)), (RecordReply{1, std::nullopt}));
}

TEST(TableCodecTest, EveryValueSurvivesTheRoundTrip) {
    TableReply reply;
    reply.position = "1|2|3|4|5|6|7|8|9|10|11|12|13|14";
    reply.seat1 = {"Ann", -3, true, 2100, true, false, true};
    reply.seat2 = {"Боб", std::nullopt, false, std::nullopt, false, true, false};
    reply.activeLogin = "Боб";
    reply.lastRecord = std::nullopt;
    reply.nextTable = 77;
    for (const TableResult result :
         {TableResult::Running, TableResult::Seat1Won, TableResult::Seat2Won, TableResult::Draw}) {
        for (const FinishReason finish :
             {FinishReason::None, FinishReason::Moves, FinishReason::Time, FinishReason::Resign,
              FinishReason::Agreement}) {
            reply.result = result;
            reply.finish = finish;
            EXPECT_EQ(DecodeTableReply(EncodeTableReply(reply)), reply);
        }
    }
    EXPECT_EQ(EncodeTableReply(reply)["result"], "3");
    EXPECT_EQ(EncodeTableReply(reply)["time2"], "");

    const TableListReply list{{{1, "a", "", 60, 0, 1500, std::nullopt}, {}}};
    EXPECT_EQ(DecodeTableList(EncodeTableList(list)), list);
    EXPECT_EQ(DecodeRecordReply(EncodeRecordReply({5, 12})), (RecordReply{5, 12}));
}

// The client reads what older servers and odd replies send as it always has.
TEST(TableCodecTest, MissingAndUnknownMembersReadAsBefore) {
    const TableReply old = DecodeTableReply(Parsed(
        R"({"response":"Success","login1":"Ann","login2":"Bob","time1":"5","time2":"x",)"
        R"("activelogin":"Ann","isready1":"1","isready2":"true","result":"0","lastrecord":"4"})"));
    EXPECT_EQ(old.seat1, (SeatReply{"Ann", 5, true, std::nullopt, false, false}));
    EXPECT_EQ(old.seat2, (SeatReply{"Bob", std::nullopt, false, std::nullopt, false, false}));
    EXPECT_EQ(old.finish, FinishReason::None);
    EXPECT_EQ(old.nextTable, std::nullopt);

    // Any result but "0", "1" and "2" is a draw, a missing one included.
    EXPECT_EQ(DecodeTableReply(Parsed(R"({"result":"7"})")).result, TableResult::Draw);
    EXPECT_EQ(DecodeTableReply(Parsed(R"({})")).result, TableResult::Draw);
    EXPECT_EQ(DecodeTableReply(Parsed(R"({"result":1})")).result, TableResult::Draw);
    EXPECT_EQ(DecodeTableReply(Parsed(R"({"finish":"withdrawn"})")).finish, FinishReason::Unknown);
    // Logins come through the server's character set.
    EXPECT_EQ(DecodeTableReply(Parsed(R"({"login2":"\u03a9mega"})")).seat2.login, "?mega");

    EXPECT_TRUE(DecodeTableList(Parsed(R"({"tables":{"ind":"1"}})")).tables.empty());
    EXPECT_TRUE(DecodeTableList(Parsed(R"([1,2])")).tables.empty());
    const TableListReply odd = DecodeTableList(Parsed(R"({"tables":[3,{"ind":"x"},"a"]})"));
    EXPECT_EQ(odd.tables, std::vector<ListedTable>{ListedTable{}});
}

TEST(TableCodecTest, PercentDecodingIsStrict) {
    EXPECT_EQ(PercentDecode("a+b%20c%2B%2b", PlusSign::Blank), "a b c++");
    EXPECT_EQ(PercentDecode("a+b%41", PlusSign::Plus), "a+bA");
    EXPECT_EQ(PercentDecode("%D0%90", PlusSign::Plus), "\xD0\x90");
    for (const char* broken : {"%", "%4", "a%4", "%G1", "%1G", "%%41"}) {
        EXPECT_EQ(PercentDecode(broken, PlusSign::Blank), std::nullopt) << broken;
    }
    EXPECT_EQ(FormPieces("&a=1&&b=2&"), (std::vector<std::string_view>{"a=1", "b=2"}));
    EXPECT_TRUE(FormPieces("").empty());
}

// The chat travels as an array of objects of strings beside the table's strings; an old
// server's reply has none, and a reply without it writes none back.
TEST(TableCodecTest, ChatLinesSurviveTheRoundTripAndBrokenOnesAreReadSafely) {
    TableReply reply;
    reply.chat = std::vector<ChatLine>{{7, "Анна", "привет, <b>bob</b>", 1'765'000'000, true},
                                       {9, "eve", "", 0, false}};
    const nlohmann::json written = EncodeTableReply(reply);
    ASSERT_TRUE(written["chat"].is_array());
    EXPECT_EQ(written["chat"][0]["time"], "1765000000");
    EXPECT_EQ(written["chat"][1]["player"], "0");
    EXPECT_EQ(DecodeTableReply(written), reply);
    EXPECT_EQ(DecodeTableReply(Parsed(captured::kPlaying)).chat, std::vector<ChatLine>{});
    nlohmann::json old = Parsed(captured::kPlaying);
    old.erase("chat");
    EXPECT_EQ(DecodeTableReply(old).chat, std::nullopt);

    nlohmann::json broken = written;
    broken["chat"] = nlohmann::json::array(
        {"line", 5, nlohmann::json{{"id", "-3"}, {"time", 12}, {"login", {1}}, {"player", "yes"}}});
    const auto lines = DecodeTableReply(broken).chat;
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 1u);
    EXPECT_EQ(lines->front(), ChatLine{});
    broken["chat"] = "not lines";
    EXPECT_EQ(DecodeTableReply(broken).chat, std::nullopt);

    // A flood keeps only the newest lines.
    broken["chat"] = nlohmann::json::array();
    for (int i = 1; i <= 5000; ++i) broken["chat"].push_back({{"id", std::to_string(i)}});
    const auto kept = DecodeTableReply(broken).chat;
    ASSERT_EQ(kept->size(), kMaxReadChatLines);
    EXPECT_EQ(kept->back().id, 5000);
}

TEST(TableCodecTest, ChatTextIsOnePlainLineOfAtMostTwoHundredCharacters) {
    const auto clean = [](std::string_view text) {
        const auto result = CleanChatText(text);
        const auto* line = std::get_if<std::string>(&result);
        return line ? *line : "problem " + std::to_string(static_cast<int>(std::get<1>(result)));
    };
    EXPECT_EQ(clean("  привет\t\tвсем\r\n"), "привет всем");
    // Reordering, hidden and zero-width characters are blanks too.
    EXPECT_EQ(clean("a\u202Eb\u200Bc\u00A0d\u2066"), "a b c d");
    EXPECT_EQ(clean(std::string("a\0b", 3)), "a b");
    EXPECT_EQ(clean("\u200B \x7F\u2028"), "problem 0");
    EXPECT_EQ(clean(std::string(200, 'x')), std::string(200, 'x'));
    EXPECT_EQ(clean(std::string(201, 'x')), "problem 1");
    std::string emoji;
    for (int i = 0; i < 200; ++i) emoji += "\U0001F600";
    EXPECT_EQ(clean(emoji), emoji);
    for (const char* broken :
         {"\xC0\xAF", "a\xE2\x82", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xFF"}) {
        EXPECT_EQ(clean(broken), "problem 2") << broken;
    }
}
