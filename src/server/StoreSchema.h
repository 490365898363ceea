#pragma once

#include <string>

#include "SqlDialect.h"
#include "SqlSession.h"

namespace pimra::server {

// The schema both stores keep: version N has had the first N changes applied, each in a
// transaction of its own.
int latestSchemaVersion();

// Throws a StoreError that names the database `where` for a version this server cannot open:
// a broken one, or one written by a newer server.
void checkSchemaVersion(int version, const std::string& where);

// Brings the schema from `toVersion - 1` to `toVersion` inside the session's transaction; the
// caller records the new version there too.
void upgradeSchema(SqlSession& session, const SqlDialect& dialect, int toVersion);

}  // namespace pimra::server
