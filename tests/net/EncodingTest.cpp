#include <gtest/gtest.h>

#include "net/Cp1251.h"
#include "net/Decimal.h"
#include "net/FormEncoding.h"
#include "net/Md5.h"
#include "net/PositionText.h"
#include "net/Reply.h"

using namespace pimra;
using namespace pimra::net;

TEST(Cp1251Test, ConvertsCyrillicBothWaysAndRefusesWhatItCannotHold) {
    EXPECT_EQ(Utf8ToCp1251("Юзер"), std::optional<std::string>("\xDE\xE7\xE5\xF0"));
    EXPECT_EQ(Cp1251ToUtf8("\xDE\xE7\xE5\xF0"), "Юзер");
    EXPECT_EQ(Utf8ToCp1251("ёЁ№€"), std::optional<std::string>("\xB8\xA8\xB9\x88"));
    EXPECT_TRUE(FitsCp1251("Игрок 1 & co."));
    EXPECT_FALSE(FitsCp1251("漢字"));
    EXPECT_FALSE(FitsCp1251("smile 😀"));
    EXPECT_FALSE(FitsCp1251("\xFF broken utf-8"));
    EXPECT_FALSE(FitsCp1251("cut \xD0"));
    EXPECT_EQ(Utf8ToCp1251Lossy("a漢😀б"), "a??\xE1");
    EXPECT_EQ(Utf8ToCp1251Lossy("x\xFF\xD0"), "x??");
    // 0x98 has no character in Windows-1251.
    EXPECT_EQ(Cp1251ToUtf8("a\x98z"), "a?z");
    // The server must not take such a byte for a question mark.
    EXPECT_FALSE(Cp1251ToUtf8Strict("a\x98z"));
    EXPECT_EQ(Cp1251ToUtf8Strict("\xDE\xE7\xE5\xF0 1"), "Юзер 1");
    EXPECT_EQ(ThroughCp1251(std::string("nul\0in", 6)), std::string("nul\0in", 6));
}

TEST(FormEncodingTest, KeepsOnlyLettersAndDigitsAndEndsEveryLineWithAmpersand) {
    EXPECT_EQ(EncodeForm({{"action", "tablelist"}, {"gameid", "1"}}), "action=tablelist&gameid=1&");
    EXPECT_EQ(EncodeForm({{"login", "Ab 9&=-._*~+%"}, {"pass", ""}}),
              "login=Ab+9%26%3D%2D%2E%5F%2A%7E%2B%25&pass=&");
    EXPECT_EQ(EncodeForm({{"login", "Юзер"}}), "login=%DE%E7%E5%F0&");
    EXPECT_EQ(EncodeFormValue(std::string("\x00\x7F\x80\xFF", 4)), "%00%7F%80%FF");
    EXPECT_EQ(EncodeForm({{"bonus", "漢"}}), "bonus=%3F&");
}

TEST(Md5Test, DigestsTheWindows1251Bytes) {
    EXPECT_EQ(MD5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5Hex("secret 1"), "1e67102c7dd63c3f369617c7bc3340dc");
    EXPECT_EQ(MD5Hex("пароль"), "749789e4982b0c563f6729aac100a614");
}

TEST(ReplyTest, OnlyAJsonObjectIsAReply) {
    EXPECT_TRUE(ParseReply(R"({"response":"Success"})"));
    EXPECT_TRUE(ParseReply("\xEF\xBB\xBF{}"));
    EXPECT_TRUE(ParseReply(" \n{ } \n"));
    for (const char* body : {"", "\xEF\xBB\xBF", "[]", "\"Success\"", "42", "null", "{",
                             "<html><body>Error</body></html>", "{} {}", "{\"a\":\"\xFF\"}"}) {
        EXPECT_FALSE(ParseReply(body)) << body;
    }
}

TEST(ReplyTest, FieldTextReadsStringsOnly) {
    const Reply reply = *ParseReply(
        R"({"response":"Success","time1":300,"ok":true,"none":null,"obj":{},"arr":["x"],)"
        R"("login":"\u042e\u0437\u0435\u0440","han":"a\u6f22b","pair":"\ud83d\ude00","Case":"c"})");
    EXPECT_EQ(FieldText(reply, "response"), "Success");
    EXPECT_EQ(FieldText(reply, "login"), "Юзер");
    EXPECT_EQ(FieldText(reply, "han"), "a?b");
    EXPECT_EQ(FieldText(reply, "pair"), "?");
    for (const char* name : {"time1", "ok", "none", "obj", "arr", "missing", "case", "RESPONSE"}) {
        EXPECT_EQ(FieldText(reply, name), "") << name;
    }
    EXPECT_EQ(FieldText(Reply::array(), "response"), "");
}

TEST(DecimalTest, AcceptsOnlyPlainDecimalIntegers) {
    EXPECT_EQ(ParseDecimal("0"), 0);
    EXPECT_EQ(ParseDecimal("007"), 7);
    EXPECT_EQ(ParseDecimal("-12"), -12);
    EXPECT_EQ(ParseDecimal("2147483647"), 2147483647);
    for (const char* text :
         {"", "-", "+5", " 5", "5 ", "5x", "0x10", "1e3", "2147483648", "--1", "1.0", "٣"}) {
        EXPECT_FALSE(ParseDecimal(text)) << text;
    }
}

TEST(PositionTextTest, KeepsEveryPitWhoseItemIsUnusable) {
    Position board;
    for (int pit = 1; pit <= kPitCount; ++pit) {
        board[pit] = 100 + pit;
    }
    // Missing 14th item, blanks around items, garbage, out-of-range counts.
    const Position after = ApplyPosition(board, " 1 |2|x||255|256|-1|  |+3|10|11|12|13");
    const int expected[] = {1, 2, 103, 104, 255, 106, 107, 108, 109, 10, 11, 12, 13, 114};
    for (int pit = 1; pit <= kPitCount; ++pit) {
        EXPECT_EQ(after[pit], expected[pit - 1]) << "pit " << pit;
    }
    EXPECT_EQ(ApplyPosition(board, ""), board);
    EXPECT_EQ(ApplyPosition(board, "|||||||||||||||||||"), board);
    const Position full = ApplyPosition(board, "6|6|6|6|6|6|0|6|6|6|6|6|6|0|99|99");
    EXPECT_EQ(full, Position::start());
}
