#include "net/Reply.h"

#include "net/Cp1251.h"

namespace pimra::net {

std::optional<Reply> ParseReply(std::string_view body) {
    static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (body.starts_with(kByteOrderMark)) {
        body.remove_prefix(kByteOrderMark.size());
    }
    Reply reply = Reply::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
    if (!reply.is_object()) {
        return std::nullopt;
    }
    return reply;
}

std::string FieldText(const Reply& reply, std::string_view name) {
    if (!reply.is_object()) {
        return {};
    }
    const auto member = reply.find(name);
    if (member == reply.end() || !member->is_string()) {
        return {};
    }
    return ThroughCp1251(member->get_ref<const std::string&>());
}

}  // namespace pimra::net
