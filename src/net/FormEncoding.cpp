#include "net/FormEncoding.h"

#include "net/Cp1251.h"

namespace pimra::net {
namespace {

bool IsKeptAsIs(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
           (byte >= '0' && byte <= '9');
}

}  // namespace

std::string EncodeFormValue(const std::string& cp1251Bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(cp1251Bytes.size() * 3);
    for (const char c : cp1251Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsKeptAsIs(byte)) {
            encoded.push_back(c);
        } else if (byte == ' ') {
            encoded.push_back('+');
        } else {
            encoded.push_back('%');
            encoded.push_back(kHex[byte >> 4]);
            encoded.push_back(kHex[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string EncodeForm(const Request& request) {
    std::string body;
    for (const RequestLine& line : request) {
        body += line.name;
        body += '=';
        body += EncodeFormValue(Utf8ToCp1251Lossy(line.value));
        body += '&';
    }
    return body;
}

}  // namespace pimra::net
