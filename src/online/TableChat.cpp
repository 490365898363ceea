#include "online/TableChat.h"

#include <algorithm>

namespace pimra::online {

void TableChat::open() {
    serverHasChat_ = false;
    lastShownId_ = 0;
}

std::vector<net::ChatLine> TableChat::take(const net::Reply& reply) {
    const auto member = reply.is_object() ? reply.find("chat") : reply.end();
    std::optional<std::vector<net::ChatLine>> lines;
    if (member != reply.end()) lines = net::DecodeChatLines(*member);
    serverHasChat_ = lines.has_value();
    if (!on_ || !lines) return {};
    // Lines of a table are numbered in the order they were said: what is not above the last
    // one shown has been shown, or fell out of the last lines long ago.
    std::erase_if(*lines, [&](const net::ChatLine& line) { return line.id <= lastShownId_; });
    for (const net::ChatLine& line : *lines) lastShownId_ = std::max(lastShownId_, line.id);
    return std::move(*lines);
}

}  // namespace pimra::online
