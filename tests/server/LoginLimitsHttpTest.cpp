#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "TestServer.h"

namespace pimra::server::test {
namespace {

const std::string kThrottled = "Слишком много попыток входа, подождите минуту";
const std::string kRefused = "Неверный логин или пароль";

using LoginLimitsHttpTest = ServerTest;

TEST_F(LoginLimitsHttpTest, FiveWrongPasswordsPerLoginAMinuteThenWait) {
    account("alice", "right");
    account("bob", "right");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(logIn("alice", "wrong")["response"], kRefused) << i;
    EXPECT_EQ(logIn("alice", "wrong")["response"], kThrottled);
    // Even the right password waits: the attempt is not tried at all.
    EXPECT_EQ(logIn("alice", "right")["response"], kThrottled);
    // Other logins are not held back.
    EXPECT_EQ(logIn("bob", "right")["response"], "Success");
    clock_.advanceMs(61'000);
    EXPECT_EQ(logIn("alice", "right")["response"], "Success");
}

TEST_F(LoginLimitsHttpTest, ThirtyFailedLoginsPerAddressAMinuteOverAllLogins) {
    account("alice", "right");
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(logIn("nobody" + std::to_string(i), "x")["response"], kRefused) << i;
    }
    EXPECT_EQ(logIn("someone else", "x")["response"], kThrottled);
    EXPECT_EQ(logIn("alice", "right")["response"], kThrottled);
    clock_.advanceMs(61'000);
    EXPECT_EQ(logIn("alice", "right")["response"], "Success");
}

TEST_F(LoginLimitsHttpTest, ThrottlingSurvivesARestartOfTheServer) {
    account("alice", "right");
    for (int i = 0; i < 5; ++i) logIn("alice", "wrong");
    restart();
    EXPECT_EQ(logIn("alice", "right")["response"], kThrottled);
}

TEST_F(LoginLimitsHttpTest, TenAccountsPerAddressAnHour) {
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(
            server_->accounts().registerAccount("user" + std::to_string(i), "p", "p", "1.2.3.4"),
            RegistrationError::None);
    }
    EXPECT_EQ(server_->accounts().registerAccount("user10", "p", "p", "1.2.3.4"),
              RegistrationError::TooManyRegistrations);
    EXPECT_EQ(server_->accounts().registerAccount("user10", "p", "p", "5.6.7.8"),
              RegistrationError::None);
    clock_.advanceMs(60 * 60 * 1000 + 1);
    EXPECT_EQ(server_->accounts().registerAccount("user11", "p", "p", "1.2.3.4"),
              RegistrationError::None);
}

TEST_F(LoginLimitsHttpTest, SessionsEndAfterThirtyDaysWithoutUse) {
    const Login kept = account("kept");
    const Login idle = account("idle");
    for (int day = 0; day < 40; day += 10) {
        clock_.advanceMs(10LL * 24 * 60 * 60 * 1000);
        EXPECT_EQ(newTable(kept)["response"], "Success") << day;
    }
    EXPECT_EQ(newTable(idle)["response"], "Вы не авторизованы");
}

TEST(ConcurrencyGate, LetsNoMoreThanItsLimitInAtOnce) {
    ConcurrencyGate gate(2);
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                gate.enter();
                const int now = ++inside;
                int seen = most.load();
                while (now > seen && !most.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::yield();
                --inside;
                gate.leave();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_LE(most.load(), 2);
    EXPECT_GE(most.load(), 1);
}

}  // namespace
}  // namespace pimra::server::test
