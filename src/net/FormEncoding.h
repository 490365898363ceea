#pragma once

#include <string>
#include <vector>

namespace pimra::net {

// One "name=value" line of a request; the value is UTF-8 text.
struct RequestLine {
    std::string name;
    std::string value;

    bool operator==(const RequestLine&) const = default;
};

using Request = std::vector<RequestLine>;

// The request body as the server expects it, byte for byte: each name unchanged, "=", the
// value's Windows-1251 bytes with letters and digits kept, a blank as "+" and every other
// byte as "%XX"; every line followed by "&". A character Windows-1251 cannot hold goes as "?".
std::string EncodeForm(const Request& request);

// One value's bytes in that encoding.
std::string EncodeFormValue(const std::string& cp1251Bytes);

}  // namespace pimra::net
