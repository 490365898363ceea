#include <gtest/gtest.h>

#include "TestServer.h"
#include "server/FormBody.h"

namespace pimra::server {
namespace {

TEST(FormBody, DecodesTheClientsEncodingWithTrailingAmpersand) {
    const auto fields = decodeFormBody(
        test::clientBody({{"action", "login"}, {"login", "Иван Петров-2 & =x"}, {"pass", ""}}));
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->at("action"), "login");
    EXPECT_EQ(fields->at("login"), "Иван Петров-2 & =x");
    EXPECT_EQ(fields->at("pass"), "");
    EXPECT_EQ(decodeFormBody("action=tablelist&gameid=1&")->size(), 2u);
    EXPECT_EQ(decodeFormBody("action=tablelist&gameid=1")->size(), 2u);
    EXPECT_EQ(decodeFormBody("a=%c8%C8")->at("a"), "ИИ");
    EXPECT_TRUE(decodeFormBody("")->empty());
}

TEST(FormBody, KeepsEverythingAfterTheFirstEqualsSign) {
    EXPECT_EQ(decodeFormBody("move=a=b&")->at("move"), "a=b");
}

TEST(FormBody, RefusesBodiesThatDoNotDecode) {
    for (const char* body : {"a=%", "a=%4", "a=%G1", "a=%%41", "noequals&", "=value&", "a=1&a=2&",
                             "a=%98&" /* no character in Windows-1251 */}) {
        EXPECT_FALSE(decodeFormBody(body)) << body;
    }
    std::string many;
    for (int i = 0; i < 40; ++i) many += "f" + std::to_string(i) + "=1&";
    EXPECT_FALSE(decodeFormBody(many));
}

}  // namespace
}  // namespace pimra::server
