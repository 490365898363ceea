#include <gtest/gtest.h>

#include "net/Cp1251.h"
#include "server/LoginRules.h"

namespace pimra::server {
namespace {

LoginProblem check(const std::string& utf8) {
    return checkNewLogin(net::Utf8ToCp1251Lossy(utf8));
}

TEST(LoginRules, NewLoginsUseOneAlphabetDigitsAndSingleInnerBlanks) {
    for (const char* good :
         {"alice", "Ёжик в тумане", "a.b-c_d 9", "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ", "007"}) {
        EXPECT_EQ(check(good), LoginProblem::None) << good;
    }
    EXPECT_EQ(check(""), LoginProblem::Empty);
    EXPECT_EQ(check(std::string(21, 'a')), LoginProblem::TooLong);
    for (const char* bad : {"a&b", "a\tb", "a+b", "«a»", "a@b", "№1", "a\x7f"}) {
        EXPECT_EQ(check(bad), LoginProblem::BadCharacter) << bad;
    }
    // Latin "a" among Cyrillic letters, Cyrillic "а" among Latin ones.
    EXPECT_EQ(check("пaроль"), LoginProblem::MixedAlphabets);
    EXPECT_EQ(check("аlice"), LoginProblem::MixedAlphabets);
    for (const char* bad : {" alice", "alice ", "a  b"}) {
        EXPECT_EQ(check(bad), LoginProblem::BadBlanks) << bad;
    }
}

TEST(LoginRules, KeysMeetAcrossLetterCaseAndLookAlikeAlphabets) {
    const auto key = [](const std::string& utf8) { return loginKeyOfUtf8(utf8); };
    EXPECT_EQ(key("ALICE"), key("alice"));
    EXPECT_EQ(key("ЁЖИК"), key("ёжик"));
    EXPECT_EQ(key("Иван"), key("иВАН"));
    // All-Cyrillic "ВОР" looks like all-Latin "BOP".
    EXPECT_EQ(key("ВОР"), key("BOP"));
    EXPECT_EQ(key("сокол"), key("cokoл"));
    EXPECT_NE(key("alice"), key("alise"));
    EXPECT_NE(key("Иван"), key("Иван1"));
}

}  // namespace
}  // namespace pimra::server
