#include "ClientAddress.h"

#include <boost/asio/ip/address.hpp>

namespace pimra::server {

std::optional<std::string> canonicalAddress(std::string_view text) {
    namespace ip = boost::asio::ip;
    boost::system::error_code ec;
    const ip::address address = ip::make_address(text, ec);
    if (ec) return std::nullopt;
    if (address.is_v6() && address.to_v6().is_v4_mapped()) {
        return ip::make_address_v4(ip::v4_mapped, address.to_v6()).to_string();
    }
    return address.to_string();
}

}  // namespace pimra::server
