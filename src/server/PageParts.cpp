#include "PageParts.h"

#include <cmath>
#include <ctime>

#include <nlohmann/json.hpp>

#include "ArchivePages.h"
#include "WebPages.h"

namespace pimra::server {

std::string roundedRating(double rating) {
    return std::to_string(std::lround(rating));
}

std::string utcTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &parts);
    return text;
}

std::string timeControl(const TableRow& table) {
    std::string text = table.timeLimit % 60 == 0 ? std::to_string(table.timeLimit / 60) + " мин"
                                                 : std::to_string(table.timeLimit) + " с";
    return text + " + " + std::to_string(table.bonus) + " с за ход";
}

std::string playerLink(const std::string& login) {
    return "<a href=\"" + htmlEscape(playerPath(login)) + "\">" + htmlEscape(login) + "</a>";
}

std::string clockText(std::int64_t seconds) {
    const auto twoDigits = [](std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    const std::int64_t minutes = seconds / 60;
    if (minutes < 60) return std::to_string(minutes) + ":" + twoDigits(seconds % 60);
    return std::to_string(minutes / 60) + ":" + twoDigits(minutes % 60) + ":" +
           twoDigits(seconds % 60);
}

std::string scriptJson(const nlohmann::json& data) {
    std::string text;
    for (char c : data.dump()) {
        if (c == '<') {
            text += "\\u003c";
        } else {
            text += c;
        }
    }
    return text;
}

}  // namespace pimra::server
