#include "LivePages.h"

#include <limits>

#include <nlohmann/json.hpp>

#include "GameArchive.h"
#include "PageParts.h"
#include "TableRules.h"
#include "WebPages.h"

namespace pimra::server {

namespace {

constexpr int kGameId = 1;
// A page of bounded size and cost: two rating reads per game.
constexpr int kListedGames = 100;

std::string gameLink(std::int64_t id, const std::string& text) {
    return "<a href=\"/game/" + std::to_string(id) + "\">" + text + "</a>";
}

std::string seatWithRating(StoreTransaction& tx, const std::string& login) {
    return playerLink(login) + " (" + roundedRating(GameArchive::playerOf(tx, login).rating) + ")";
}

// No move and no ready changes a running table's `changedMs`: it is the moment the second
// player got ready, when the game began.
std::string liveRow(StoreTransaction& tx, const TableRow& table) {
    return "<tr><td>" + gameLink(table.id, "№ " + std::to_string(table.id)) + "</td><td>" +
           seatWithRating(tx, table.login1) + " — " + seatWithRating(tx, table.login2) +
           "</td><td>" + timeControl(table) + "</td><td>" + utcTime(table.changedMs) + "</td><td>" +
           std::to_string(table.lastRecord) + "</td><td>" + gameLink(table.id, "Смотреть") +
           "</td></tr>";
}

}  // namespace

SiteReply livePage(Store& store) {
    std::string rows;
    int count = 0;
    store.read([&](StoreTransaction& tx) {
        rows.clear();
        count = 0;
        const auto tables =
            tx.listTables(kGameId, std::numeric_limits<std::int64_t>::max(), kListedGames, 0);
        for (const TableRow& table : tables) {
            if (table.status != TableStatus::Playing) continue;
            rows += liveRow(tx, table);
            ++count;
        }
    });
    std::string body = "<h1>Идущие партии</h1>\n";
    if (count == 0) {
        body += "<p id=\"no-games\">Сейчас никто не играет.</p>\n";
    } else {
        body +=
            "<div class=\"scroll\"><table class=\"games\" id=\"live-games\"><thead><tr>"
            "<th>Партия</th><th>Игроки</th><th>Контроль времени</th><th>Начата</th>"
            "<th>Ходов</th><th></th></tr></thead><tbody>" +
            rows + "</tbody></table></div>\n";
    }
    body += "<p><a href=\"/live\">Обновить список</a></p>";
    return {200, "text/html; charset=utf-8",
            sitePage("Идущие партии — Пимра", kArchiveStyleLink, body), ""};
}

std::string watchLinksHtml(const std::vector<TableRow>& running, const std::string& login) {
    if (running.empty()) return "";
    std::string html = "<h2>Играет сейчас</h2>\n<ul class=\"facts\" id=\"running\">";
    for (const TableRow& table : running) {
        const std::string& opponent = table.login1 == login ? table.login2 : table.login1;
        html += "<li>" + gameLink(table.id, "Смотреть") + " партию № " + std::to_string(table.id) +
                " против " + playerLink(opponent) + ", " + std::to_string(table.lastRecord) +
                " ход. (" + timeControl(table) + ")</li>";
    }
    return html + "</ul>\n<p><a href=\"/live\">Все идущие партии</a></p>\n";
}

std::string seatClockHtml(const TableRow& table, Side seat, std::int64_t nowMs) {
    const bool running = table.status == TableStatus::Playing && table.seatToMove == seat;
    return " <span class=\"clock" + std::string(running ? " running" : "") + "\" id=\"clock" +
           std::to_string(sideNumber(seat)) + "\">" +
           clockText(TableRules::reportedSeconds(table, seat, nowMs)) + "</span>";
}

std::string liveStatusHtml(const TableRow& table) {
    return "<p class=\"facts\"><span id=\"live-status\">Позиция на момент загрузки "
           "страницы.</span> <a href=\"/game/" +
           std::to_string(table.id) + "\" id=\"refresh\">Обновить</a></p>\n";
}

std::string liveScriptHtml(const TableRow& table, std::int64_t nowMs) {
    const nlohmann::json data = {
        {"table", std::to_string(table.id)},
        {"logins", nlohmann::json::array({table.login1, table.login2})},
        {"seconds", nlohmann::json::array({TableRules::reportedSeconds(table, Side::Bottom, nowMs),
                                           TableRules::reportedSeconds(table, Side::Top, nowMs)})},
        {"active", sideNumber(table.seatToMove)},
        {"lastRecord", table.lastRecord},
    };
    return "<script type=\"application/json\" id=\"live-data\">" + scriptJson(data) +
           "</script>\n<script src=\"/static/live.js\"></script>";
}

}  // namespace pimra::server
