#include <algorithm>

#include <gtest/gtest.h>

#include "net/SocketMessages.h"

namespace pimra::net {
namespace {

TEST(SocketMessages, RequestsKeepEveryFieldAndTheirUtf8Text) {
    const SocketRequest request{42,
                                {{"action", "say"}, {"tableid", "7"}, {"text", "привет \"всем\""}}};
    const auto decoded = DecodeSocketRequest(EncodeSocketRequest(request));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->id, 42);
    // The order of the fields is not kept by JSON; their names and values are.
    Request sorted = decoded->fields;
    std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(sorted, (Request{{"action", "say"}, {"tableid", "7"}, {"text", "привет \"всем\""}}));
}

TEST(SocketMessages, MalformedRequestsAreRefused) {
    for (const char* text :
         {"", "[]", "{", R"({"action":"gettable"})", R"({"id":"1","action":"x"})",
          R"({"id":1.5,"action":"x"})", R"({"id":1})",
          R"({"id":1,"action":"gettable","tableid":7})", R"({"id":1,"action":{"a":"b"}})"}) {
        EXPECT_FALSE(DecodeSocketRequest(text)) << text;
    }
}

TEST(SocketMessages, ClientReadsRepliesAndEvents) {
    const auto reply = DecodeSocketMessage(EncodeSocketReply(3, R"({"response":"Success"})"));
    ASSERT_TRUE(reply);
    ASSERT_TRUE(std::holds_alternative<SocketReply>(*reply));
    EXPECT_EQ(std::get<SocketReply>(*reply).id, 3);
    EXPECT_EQ(std::get<SocketReply>(*reply).reply["response"], "Success");

    const TableEvent event{"7", 12, TableResult::Seat2Won, "ivan"};
    const auto table = DecodeSocketMessage(EncodeTableEvent(event));
    ASSERT_TRUE(table);
    EXPECT_EQ(std::get<TableEvent>(*table), event);

    const auto lobby = DecodeSocketMessage(EncodeLobbyEvent());
    ASSERT_TRUE(lobby);
    EXPECT_TRUE(std::holds_alternative<LobbyEvent>(*lobby));
}

TEST(SocketMessages, ClientIgnoresWhatItDoesNotKnow) {
    for (const char* text : {"", "null", R"({"event":"chat"})", R"({"event":"table"})",
                             R"({"id":1,"reply":"Success"})", R"({"event":7})"}) {
        EXPECT_FALSE(DecodeSocketMessage(text)) << text;
    }
    // A table event before the first move has no last record.
    const auto fresh = DecodeSocketMessage(R"({"event":"table","tableid":"9","lastrecord":""})");
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(std::get<TableEvent>(*fresh).lastRecord);
}

}  // namespace
}  // namespace pimra::net
