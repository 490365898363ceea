#include "FormBody.h"

#include "net/Cp1251.h"
#include "net/PercentDecoding.h"

namespace pimra::server {

namespace {

constexpr std::size_t kMaxFields = 32;

std::optional<std::string> decodeText(std::string_view text) {
    const auto bytes = net::PercentDecode(text, net::PlusSign::Blank);
    if (!bytes) return std::nullopt;
    return net::Cp1251ToUtf8Strict(*bytes);
}

}  // namespace

std::optional<FormFields> decodeFormBody(std::string_view body) {
    FormFields fields;
    for (const std::string_view line : net::FormPieces(body)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0 || fields.size() == kMaxFields) {
            return std::nullopt;
        }
        auto name = decodeText(line.substr(0, eq));
        auto value = decodeText(line.substr(eq + 1));
        if (!name || !value || name->empty() || fields.count(*name) != 0) {
            return std::nullopt;
        }
        fields.emplace(std::move(*name), std::move(*value));
    }
    return fields;
}

}  // namespace pimra::server
