#pragma once

#include <string>

namespace pimra::net {

struct HttpResult {
    enum class Outcome {
        Received,   // a 2xx reply arrived; `body` holds it
        Failed,     // no connection, broken connection, non-2xx status or redirect
        Cancelled,  // the caller gave up waiting
    };
    Outcome outcome = Outcome::Failed;
    std::string body;
    std::string error;  // what went wrong, for a developer's eyes only
};

// Posts one form body to the game server and waits for the reply. Kept behind an interface
// so that tests and the window can put something else in its place.
class HttpTransport {
  public:
    virtual ~HttpTransport() = default;
    virtual HttpResult Post(const std::string& body) = 0;
};

}  // namespace pimra::net
