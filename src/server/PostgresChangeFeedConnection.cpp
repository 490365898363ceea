#include "PostgresChangeFeedConnection.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace pimra::server {

namespace {

// Seconds to connect; then keepalives that find a dead peer within about half a minute.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kTimeouts{{
    {"connect_timeout", "10"},
    {"keepalives_idle", "10"},
    {"keepalives_interval", "5"},
    {"keepalives_count", "3"},
    {"tcp_user_timeout", "30000"},
}};

bool isUri(const std::string& text) {
    return text.starts_with("postgresql://") || text.starts_with("postgres://");
}

}  // namespace

std::string withFeedTimeouts(const std::string& uri) {
    std::string text = uri;
    for (const auto& [name, value] : kTimeouts) {
        if (text.find(name) != std::string::npos) continue;
        if (isUri(text)) {
            text += text.find('?') == std::string::npos ? '?' : '&';
        } else if (!text.empty()) {
            text += ' ';
        }
        text += std::string(name) + '=' + std::string(value);
    }
    return text;
}

std::unique_ptr<pqxx::connection> openFeedConnection(const std::string& uri) {
    return std::make_unique<pqxx::connection>(withFeedTimeouts(uri));
}

std::chrono::milliseconds FeedBackoff::next() {
    const auto wait = next_;
    next_ = std::min(max_, next_ * 2);
    return wait;
}

}  // namespace pimra::server
