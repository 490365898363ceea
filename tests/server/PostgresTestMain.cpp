// The tests of the PostgreSQL store share one throw-away cluster, started here. Where
// PostgreSQL cannot start, the whole run is skipped (77 to ctest) with the reason; with
// PIMRA_POSTGRES_OPTIONAL only the tests that need it skip.
#include <gtest/gtest.h>

#include <iostream>

#include "PostgresTestCluster.h"

namespace pimra::server::test {

namespace {
PgCluster* theCluster = nullptr;
std::string whyNoCluster;
}  // namespace

PgCluster& postgresCluster() {
    return *theCluster;
}

PgCluster* startedPostgresCluster(std::string& why) {
    why = whyNoCluster;
    return theCluster;
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
#ifndef PIMRA_POSTGRES_OPTIONAL
        std::cout << "skipped: " << error << '\n';
        return 77;
#endif
        pimra::server::test::whyNoCluster = error;
    }
    pimra::server::test::theCluster = cluster.get();
    const int result = RUN_ALL_TESTS();
    pimra::server::test::theCluster = nullptr;
    return result;
}
