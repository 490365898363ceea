#pragma once

#include <string>

#include "PgCluster.h"

namespace pimra::server::test {

// The cluster of this test program, started before the first test.
PgCluster& postgresCluster();
// The same, or nothing in a program whose PostgreSQL tests are optional and where it could not
// start; `why` then says why.
PgCluster* startedPostgresCluster(std::string& why);

}  // namespace pimra::server::test
