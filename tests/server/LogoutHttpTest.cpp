#include <gtest/gtest.h>

#include <string>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

const std::string kNotLoggedIn = "Вы не авторизованы";

class LogoutHttpTest : public ServerTest {
  protected:
    nlohmann::json logout(const std::string& sid, const std::string& code) {
        return client().engine({{"action", "logout"}, {"sid", sid}, {"code", code}});
    }
};

TEST_F(LogoutHttpTest, EndsTheSessionAndOnlyThatOne) {
    const Login kept = account("olga");
    const Login ended = account("olga");
    ASSERT_FALSE(ended.sid.empty());
    ASSERT_NE(kept.sid, ended.sid);

    // The right sid with a wrong code ends nothing.
    EXPECT_EQ(logout(ended.sid, kept.code)["response"], kNotLoggedIn);
    EXPECT_EQ(newTable(ended)["response"], "Success");

    EXPECT_EQ(logout(ended.sid, ended.code)["response"], "Success");
    EXPECT_EQ(newTable(ended)["response"], kNotLoggedIn);
    EXPECT_EQ(logout(ended.sid, ended.code)["response"], kNotLoggedIn);
    // Ended for good: not brought back by a restart either.
    restart();
    EXPECT_EQ(newTable(ended)["response"], kNotLoggedIn);
    // The login's other session goes on, and a new login works.
    EXPECT_EQ(newTable(kept)["response"], "Success");
    EXPECT_EQ(logIn("olga", "secret")["response"], "Success");
    EXPECT_EQ(logout("", "")["response"], kNotLoggedIn);
}

}  // namespace
}  // namespace pimra::server::test
