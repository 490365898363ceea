#pragma once

#include <memory>

namespace pimra::server {

class HttpConnection;

// Hands the connection's complete request to what serves its path: the engine, the
// registration form, the archive's pages or the fixed pages.
void routeRequest(const std::shared_ptr<HttpConnection>& connection);

}  // namespace pimra::server
