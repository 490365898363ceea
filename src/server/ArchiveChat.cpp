#include "ArchiveChat.h"

#include <ctime>

#include "WebPages.h"

namespace pimra::server {

namespace {

std::string clockTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &parts);
    return text;
}

}  // namespace

std::string chatHtml(const std::vector<ChatEntry>& lines) {
    if (lines.empty()) return "";
    std::string html = "<h2>Чат</h2>\n<ol class=\"chat\" id=\"chat\">";
    for (const ChatEntry& line : lines) {
        html += line.player ? "<li class=\"player\">" : "<li class=\"spectator\">";
        html += "<time>" + clockTime(line.saidMs) + "</time> <b>" + htmlEscape(line.login) + "</b>";
        if (!line.player) html += " (зритель)";
        html += ": " + htmlEscape(line.text) + "</li>";
    }
    return html + "</ol>\n<p class=\"facts\">Время чата — UTC.</p>\n";
}

}  // namespace pimra::server
