#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    // "." and ".." would be the site's own folders in a link to the player's page.
    for (const char* bad : {".", "..", "_", "-.-", ". ."}) {
        EXPECT_EQ(check(bad), LoginProblem::NoLetterOrDigit) << bad;
    }
    EXPECT_EQ(check("007."), LoginProblem::None);
    EXPECT_FALSE(isOverlongLogin("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));
    EXPECT_TRUE(isOverlongLogin("ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ"));
    EXPECT_TRUE(isOverlongLogin(std::string(60 * 1024, 'x')));
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

TEST(LoginRules, KeysMeetAcrossDigitsAndLettersThatLookAlike) {
    const auto key = [](const std::string& utf8) { return loginKeyOfUtf8(utf8); };
    // Each group is drawn alike: zero and O, one and l and I, three and З, six and б.
    const std::vector<std::vector<std::string>> groups = {
        {"0", "o", "O", "о", "О"},
        {"1", "l", "L", "i", "I", "і", "І"},
        {"3", "з", "З"},
        {"6", "б"},
        {"a", "а", "А"},
        {"b", "в", "В"},
        {"c", "с"},
        {"e", "е", "ё"},
        {"h", "н"},
        {"k", "к"},
        {"m", "м"},
        {"p", "р"},
        {"t", "т"},
        {"x", "х"},
        {"y", "у"},
    };
    for (const auto& group : groups) {
        for (const auto& member : group) EXPECT_EQ(key(member), key(group[0])) << member;
    }
    for (std::size_t i = 1; i < groups.size(); ++i) {
        EXPECT_NE(key(groups[i][0]), key(groups[i - 1][0])) << groups[i][0];
    }
    EXPECT_EQ(key("b0b"), key("bob"));
    EXPECT_EQ(key("3оя"), key("Зоя"));
    EXPECT_EQ(key("Ilya"), key("llya"));
    EXPECT_NE(key("bob"), key("bod"));
    EXPECT_NE(key("Зоя"), key("Зоя2"));
}

}  // namespace
}  // namespace pimra::server
