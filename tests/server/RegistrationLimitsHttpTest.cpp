#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

using RegistrationLimitsHttpTest = ServerTest;

const std::string kTaken = "Этот логин уже занят.";
const std::string kLikeTaken = "Этот логин или похожий на него уже занят.";
const std::string kTooMany = "Слишком много регистраций с вашего адреса, попробуйте через час.";

bool says(const std::optional<HttpReply>& page, const std::string& message) {
    return page && page->body.find("id=\"error\">" + message) != std::string::npos;
}

TEST_F(RegistrationLimitsHttpTest, TakenLoginsAreRefusedWithoutAHashAndCountAgainstTheAddress) {
    auto c = client();
    ASSERT_NE(c.registration("bob", "p", "p")->body.find("успешно"), std::string::npos);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(says(c.registration("bob", "p", "p"), kTaken)) << i;
    for (const char* like : {"BOB", "b0b", "B0B", "BoB"}) {
        EXPECT_TRUE(says(c.registration(like, "p", "p"), kLikeTaken)) << like;
    }
    // Ten attempts from this address this hour: a free login waits as well ...
    EXPECT_TRUE(says(c.registration("alice", "p", "p"), kTooMany));
    // ... while another address registers it, and the account works.
    EXPECT_EQ(server_->accounts().registerAccount("alice", "p", "p", "10.0.0.2"),
              RegistrationError::None);
    EXPECT_EQ(logIn("alice", "p")["response"], "Success");
    EXPECT_EQ(logIn("bob", "p")["response"], "Success");
}

TEST_F(RegistrationLimitsHttpTest, LookAlikeDigitsAndLettersAreTakenAndTheFirstAccountStays) {
    Accounts& accounts = server_->accounts();
    int address = 0;
    const auto registration = [&](const std::string& login) {
        // Each from an address of its own, clear of the hourly limit.
        return accounts.registerAccount(login, "p", "p", "10.1.0." + std::to_string(++address));
    };
    for (const char* first : {"bob", "Зоя", "llya", "Ivan0"}) {
        ASSERT_EQ(registration(first), RegistrationError::None) << first;
    }
    for (const char* like :
         {"b0b", "BOB", "3оя", "зоя", "Ilya", "1lya", "IIya", "lvan0", "IvanO", "1van0"}) {
        EXPECT_EQ(registration(like), RegistrationError::LoginLikeTaken) << like;
    }
    EXPECT_EQ(registration("bobby"), RegistrationError::None);
    for (const char* login : {"bob", "Зоя", "llya", "Ivan0", "bobby"}) {
        EXPECT_EQ(logIn(login, "p")["response"], "Success") << login;
    }
}

TEST_F(RegistrationLimitsHttpTest, PunctuationAndOverlongLoginsAreRefusedBeforeAnythingIsKept) {
    auto c = client();
    for (const char* login : {".", "..", "-_-", ". ."}) {
        EXPECT_TRUE(says(c.registration(login, "p", "p"),
                         "Логин должен содержать хотя бы одну букву или цифру."))
            << login;
    }
    EXPECT_TRUE(says(c.registration(std::string(60 * 1024 / 2, 'x'), "p", "p"),
                     "Логин длиннее 20 символов."));
    account("alice", "right");
    // Forty failed logins with a 60 KB login would throttle the address; they are not kept.
    const std::string huge(60 * 1024, 'x');
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(logIn(huge + std::to_string(i), "x")["response"], "Неверный логин или пароль");
    }
    EXPECT_EQ(logIn("alice", "right")["response"], "Success");
    // None of the refused forms counted against the address either.
    EXPECT_NE(c.registration("carol", "p", "p")->body.find("успешно"), std::string::npos);
}

}  // namespace
}  // namespace pimra::server::test
