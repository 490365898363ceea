// The tests of the PostgreSQL store share one throw-away cluster, started here; the whole run
// is skipped (77 to ctest) with the reason where PostgreSQL cannot start.
#include <gtest/gtest.h>

#include <iostream>

#include "PostgresTestCluster.h"

namespace pimra::server::test {

namespace {
PgCluster* theCluster = nullptr;
}

PgCluster& postgresCluster() {
    return *theCluster;
}

}  // namespace pimra::server::test

// libpqxx 6.4 keeps libpq's result of a BEGIN that finds its connection broken: a few hundred
// bytes, once per connection the database dropped, which the store then replaces. libpq's
// frames carry no frame pointers, so the leak is known by its library only.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libpq.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string error;
    auto cluster = pimra::server::test::PgCluster::start(error);
    if (!cluster) {
        std::cout << "skipped: " << error << '\n';
        return 77;
    }
    pimra::server::test::theCluster = cluster.get();
    const int result = RUN_ALL_TESTS();
    pimra::server::test::theCluster = nullptr;
    return result;
}
