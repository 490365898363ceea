#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "server/Options.h"

namespace pimra::server {
namespace {

TEST(Options, DefaultsToLoopbackAndTheFixedPort) {
    std::string error;
    const auto options = parseOptions({}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->bind, "127.0.0.1");
    EXPECT_EQ(options->port, 8455);
    EXPECT_EQ(options->db, "");
    EXPECT_FALSE(options->version);
    const auto version = parseOptions({"--version"}, error);
    ASSERT_TRUE(version);
    EXPECT_TRUE(version->version);
    const auto given =
        parseOptions({"--bind", "0.0.0.0", "--port", "9000", "--db", ":memory:"}, error);
    ASSERT_TRUE(given);
    EXPECT_EQ(given->bind, "0.0.0.0");
    EXPECT_EQ(given->port, 9000);
    EXPECT_EQ(given->db, ":memory:");
}

TEST(Options, RefusesBadArguments) {
    std::string error;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--port"},
                                               {"--port", "65536"},
                                               {"--port", "80x"},
                                               {"--port", "-1"},
                                               {"--db", ""},
                                               {"--verbose"}}) {
        EXPECT_FALSE(parseOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(Options, TrustProxyNamesTheFrontsAddresses) {
    std::string error;
    EXPECT_TRUE(parseOptions({}, error)->trustedProxies.empty());
    // Bare, as the scripts give it, last or before another option: a front on this machine.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--trust-proxy"}, {"--trust-proxy", "--port", "9000"}}) {
        const auto bare = parseOptions(args, error);
        ASSERT_TRUE(bare) << error;
        EXPECT_EQ(bare->trustedProxies, (std::vector<std::string>{"127.0.0.1", "::1"}));
    }
    const auto listed =
        parseOptions({"--trust-proxy", "10.0.0.5,::ffff:10.0.0.6,fd00::0:7"}, error);
    ASSERT_TRUE(listed) << error;
    EXPECT_EQ(listed->trustedProxies,
              (std::vector<std::string>{"10.0.0.5", "10.0.0.6", "fd00::7"}));
    for (const std::string bad : {"", "10.0.0.5,", "front.example", "10.0.0.0/8", "10.0.0.5 "}) {
        EXPECT_FALSE(parseOptions({"--trust-proxy", bad}, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST(Options, DefaultDatabaseLivesInTheUsersDataFolder) {
    const auto dir = std::filesystem::temp_directory_path() / "pimra-options-test";
    std::filesystem::remove_all(dir);
    ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    EXPECT_EQ(defaultDatabasePath(), (dir / "pimra" / "server.db").string());
    EXPECT_TRUE(std::filesystem::is_directory(dir / "pimra"));
    ::unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pimra::server
