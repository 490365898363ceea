#pragma once

#include "PgCluster.h"

namespace pimra::server::test {

// The cluster of this test program, started before the first test.
PgCluster& postgresCluster();

}  // namespace pimra::server::test
