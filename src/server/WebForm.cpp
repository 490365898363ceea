#include "WebForm.h"

#include "net/PercentDecoding.h"

namespace pimra::server {

std::optional<std::map<std::string, std::string, std::less<>>> decodeWebForm(
    std::string_view body) {
    std::map<std::string, std::string, std::less<>> fields;
    for (const std::string_view pair : net::FormPieces(body)) {
        const std::size_t equals = pair.find('=');
        const auto name = net::PercentDecode(pair.substr(0, equals), net::PlusSign::Blank);
        const auto value = net::PercentDecode(
            equals == std::string_view::npos ? std::string_view{} : pair.substr(equals + 1),
            net::PlusSign::Blank);
        if (!name || !value) return std::nullopt;
        if (!fields.emplace(*name, *value).second) return std::nullopt;
    }
    return fields;
}

}  // namespace pimra::server
