#include "ArchivePages.h"

#include <cmath>
#include <vector>

#include <nlohmann/json.hpp>

#include "ArchiveChat.h"
#include "GameArchive.h"
#include "LivePages.h"
#include "PageParts.h"
#include "StaticFiles.h"
#include "TableRules.h"
#include "WebPages.h"
#include "core/Move.h"
#include "net/PercentDecoding.h"

namespace pimra::server {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr int kListedGames = 50;
constexpr std::string_view kPlayerPrefix = "/u/";
constexpr std::string_view kGamePrefix = "/game/";
constexpr std::string_view kLivePath = "/live";
constexpr std::string_view kScriptPath = "/static/replay.js";
constexpr std::string_view kLiveScriptPath = "/static/live.js";
constexpr std::string_view kStylePath = "/static/archive.css";

SiteReply notFound() {
    return {404, kHtml, errorPage(404), ""};
}

std::string signedChange(double before, double after) {
    const long change = std::lround(after) - std::lround(before);
    return (change > 0 ? "+" : change < 0 ? "−" : "±") + std::to_string(std::labs(change));
}

std::string finishText(GameFinish finish) {
    switch (finish) {
        case GameFinish::Moves:
            return "партия доиграна до конца";
        case GameFinish::Time:
            return "по времени";
        case GameFinish::Resign:
        case GameFinish::Agreement:
        case GameFinish::None:
            break;
    }
    return "";
}

// The loser's login of a game given up; "" for any other game.
std::string resignedLogin(const TableRow& table, const GameOutcome& outcome) {
    if (outcome.finish != GameFinish::Resign) return "";
    return table.result == 1 ? table.login2 : table.result == 2 ? table.login1 : "";
}

std::string resultText(const TableRow& table, const GameOutcome& outcome) {
    if (table.status != TableStatus::Finished) return "Партия идёт";
    const bool agreed = outcome.finish == GameFinish::Agreement;
    std::string text = table.result == 1   ? "Победил " + htmlEscape(table.login1)
                       : table.result == 2 ? "Победил " + htmlEscape(table.login2)
                       : agreed            ? std::string("Ничья по согласию")
                                           : std::string("Ничья");
    if (const auto position = parsePosition(table.position)) {
        text += ", " + std::to_string((*position)[kBottomStore]) + " : " +
                std::to_string((*position)[kTopStore]);
    }
    const std::string resigned = resignedLogin(table, outcome);
    if (!resigned.empty()) return text + ". Сдался " + htmlEscape(resigned);
    const std::string how = finishText(outcome.finish);
    return how.empty() ? text : text + ", " + how;
}

// The board after every move, from the start; stops at a move the rules refuse.
std::vector<Position> positionsOf(const std::vector<Record>& records) {
    std::vector<Position> positions{Position::start()};
    Side side = Side::Bottom;
    for (const Record& record : records) {
        const MoveResult move = playMove(positions.back(), side, record.pit);
        if (!move.accepted) break;
        positions.push_back(move.position);
        side = move.sideToMove;
    }
    return positions;
}

std::string pitCell(int pit, const Position& position) {
    const std::string classes = Position::isStore(pit) ? "pit store p" : "pit p";
    return "<div class=\"" + classes + std::to_string(pit) + "\" data-pit=\"" +
           std::to_string(pit) + "\"><span class=\"count\">" + std::to_string(position[pit]) +
           "</span></div>";
}

// A running game's page shows each seat's clock beside its row.
std::string boardHtml(const TableRow& table, const Position& shown, std::int64_t nowMs) {
    const bool running = table.status == TableStatus::Playing;
    const auto clock = [&](Side seat) {
        return running ? seatClockHtml(table, seat, nowMs) : std::string();
    };
    std::string html = "<p class=\"row-label\" id=\"top-player\">" + htmlEscape(table.login2) +
                       " (верхний ряд)" + clock(Side::Top) +
                       "</p>\n<div class=\"board\" id=\"board\">";
    for (int pit = 14; pit >= 8; --pit) html += pitCell(pit, shown);
    for (int pit = 1; pit <= 7; ++pit) html += pitCell(pit, shown);
    html += "</div>\n<p class=\"row-label\" id=\"bottom-player\">" + htmlEscape(table.login1) +
            " (нижний ряд)" + clock(Side::Bottom) + "</p>\n";
    return html;
}

std::string moveListHtml(const TableRow& table, const std::vector<Record>& records,
                         std::size_t replayable) {
    // A running game's list is there from the start, for its script to add to.
    if (records.empty() && table.status == TableStatus::Finished) return "<p>Ходов не было.</p>\n";
    std::string html = "<ol class=\"moves\" id=\"moves\">";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& record = records[i];
        const std::string& login = record.seat == Side::Bottom ? table.login1 : table.login2;
        const int pit = record.pit - Position::firstPitOf(record.seat) + 1;
        const std::string text = htmlEscape(login) + ": " + std::to_string(pit);
        if (i < replayable) {
            html += "<li><button type=\"button\" data-step=\"" + std::to_string(i + 1) + "\">" +
                    text + "</button></li>";
        } else {
            html += "<li>" + text + "</li>";
        }
    }
    return html + "</ol>\n";
}

std::string replayData(const std::vector<Record>& records, const std::vector<Position>& positions) {
    nlohmann::json data;
    data["positions"] = nlohmann::json::array();
    for (const Position& position : positions) {
        nlohmann::json counts = nlohmann::json::array();
        for (int pit = 1; pit <= kPitCount; ++pit) counts.push_back(position[pit]);
        data["positions"].push_back(counts);
    }
    data["moves"] = nlohmann::json::array();
    for (std::size_t i = 0; i + 1 < positions.size(); ++i) {
        data["moves"].push_back({{"seat", sideNumber(records[i].seat)}, {"pit", records[i].pit}});
    }
    return "<script type=\"application/json\" id=\"replay-data\">" + scriptJson(data) +
           "</script>\n";
}

std::string seatFacts(const std::string& login, const char* row, double before, double after,
                      bool rated) {
    std::string text = "<li>" + playerLink(login) + ", " + row;
    if (rated) {
        text += ", рейтинг " + roundedRating(before) + " → " + roundedRating(after) + " (" +
                signedChange(before, after) + ")";
    }
    return text + "</li>";
}

struct StoredGame {
    std::optional<TableRow> table;  // none for a table without a game
    GameOutcome outcome;
    std::vector<Record> records;
    std::vector<ChatEntry> chat;
};

StoredGame readGame(Store& store, std::int64_t id) {
    StoredGame game;
    store.read([&](StoreTransaction& tx) {
        game = {};
        game.table = tx.findTable(id);
        if (!game.table || game.table->status == TableStatus::Waiting) {
            game.table.reset();
            return;
        }
        if (auto found = tx.findGameOutcome(id)) game.outcome = *found;
        game.records = tx.recordsOf(id);
        game.chat = tx.chatOf(id, kArchivedChatLines);
    });
    return game;
}

const char* const kReplayControls =
    "<div class=\"controls\" id=\"controls\" hidden>"
    "<button type=\"button\" id=\"first\" title=\"В начало\">«</button>"
    "<button type=\"button\" id=\"prev\" title=\"Назад\">◀</button>"
    "<span id=\"step\"></span>"
    "<button type=\"button\" id=\"next\" title=\"Вперёд\">▶</button>"
    "<button type=\"button\" id=\"last\" title=\"В конец\">»</button></div>\n";

// A finished game comes with its replay; a running one with its clocks and the script that
// follows it. Its facts are in one block, which the script takes from the finished page.
SiteReply gamePage(Store& store, std::string_view idText, std::int64_t nowMs) {
    if (idText.empty() || idText.size() > 18 ||
        idText.find_first_not_of("0123456789") != std::string_view::npos) {
        return notFound();
    }
    const std::int64_t id = std::stoll(std::string(idText));
    const StoredGame game = readGame(store, id);
    if (!game.table) return notFound();
    const TableRow& table = *game.table;
    const GameOutcome& outcome = game.outcome;

    const std::vector<Position> positions = positionsOf(game.records);
    const bool finished = table.status == TableStatus::Finished;
    std::string body =
        "<h1>Партия № " + std::to_string(id) + "</h1>\n<div id=\"game-facts\"><ul class=\"facts\">";
    body += seatFacts(table.login1, "нижний ряд, ходит первым", outcome.rating1Before,
                      outcome.rating1After, outcome.rated);
    body += seatFacts(table.login2, "верхний ряд", outcome.rating2Before, outcome.rating2After,
                      outcome.rated);
    body += "</ul>\n<p class=\"facts\">Контроль времени: " + timeControl(table) + "</p>\n";
    body += "<p class=\"facts\" id=\"result\">" + resultText(table, outcome) + "</p>\n";
    if (finished) {
        body += "<p class=\"facts\">Окончена " + utcTime(table.finishedMs) +
                (outcome.rated ? "" : ", без рейтинга") + "</p>\n";
    }
    body += "</div>\n";
    if (!finished) body += liveStatusHtml(table);
    body += boardHtml(table, positions.back(), nowMs);
    if (finished) body += kReplayControls;
    body +=
        "<h2>Ходы</h2>\n" + moveListHtml(table, game.records, finished ? positions.size() - 1 : 0);
    body += chatHtml(game.chat);
    if (finished) {
        body += replayData(game.records, positions) + "<script src=\"/static/replay.js\"></script>";
    } else {
        body += liveScriptHtml(table, nowMs);
    }
    // A running game's page is out of date at its next move.
    return {200, kHtml,
            sitePage("Партия № " + std::to_string(id) + " — Пимра", kArchiveStyleLink, body),
            finished ? "" : "no-cache"};
}

std::string gameRow(const ArchivedGame& game, const std::string& login) {
    const TableRow& table = game.table;
    // The list holds only games the login played.
    const Side seat = TableRules::seatOf(table, login).value_or(Side::Bottom);
    const std::string& opponent = seat == Side::Bottom ? table.login2 : table.login1;
    const bool bottom = seat == Side::Bottom;
    const double before = bottom ? game.outcome.rating1Before : game.outcome.rating2Before;
    const double after = bottom ? game.outcome.rating1After : game.outcome.rating2After;
    const std::string verdict = table.result == 3                  ? "<td>Ничья"
                                : table.result == sideNumber(seat) ? "<td class=\"win\">Победа"
                                                                   : "<td class=\"loss\">Поражение";
    const bool lost = table.result != 3 && table.result != sideNumber(seat);
    const std::string how = game.outcome.finish == GameFinish::Time
                                ? ", " + finishText(GameFinish::Time)
                            : game.outcome.finish == GameFinish::Agreement ? ", по согласию"
                            : game.outcome.finish != GameFinish::Resign    ? ""
                            : lost                                         ? ", сдался"
                                   : ", соперник сдался";
    std::string row = "<tr><td><a href=\"/game/" + std::to_string(table.id) + "\">№ " +
                      std::to_string(table.id) + "</a></td><td>" + utcTime(table.finishedMs) +
                      "</td><td>" + playerLink(opponent) + "</td>" + verdict + how + "</td><td>";
    row += game.outcome.rated ? signedChange(before, after) : "—";
    return row + "</td></tr>";
}

SiteReply playerPage(Store& store, std::string_view encoded) {
    const auto login = net::PercentDecode(encoded, net::PlusSign::Plus);
    if (!login || login->empty()) return notFound();
    bool known = false;
    PlayerRecord player;
    std::vector<ArchivedGame> games;
    std::vector<TableRow> running;
    store.read([&](StoreTransaction& tx) {
        known = tx.findAccount(*login).has_value();
        if (!known) return;
        player = GameArchive::playerOf(tx, *login);
        games = tx.finishedGamesOf(*login, kListedGames);
        running = tx.runningTablesOf(*login);
    });
    if (!known) return notFound();

    std::string body = "<h1>Игрок " + htmlEscape(*login) + "</h1>\n";
    body += "<p class=\"facts\">Рейтинг: <b id=\"rating\">" + roundedRating(player.rating) +
            "</b> (отклонение " + roundedRating(player.deviation) + ")</p>\n";
    body += "<p class=\"facts\" id=\"counts\">Партий: " + std::to_string(player.played) +
            ", побед: " + std::to_string(player.won) +
            ", поражений: " + std::to_string(player.lost) +
            ", ничьих: " + std::to_string(player.drawn) + "</p>\n";
    body += watchLinksHtml(running, *login);
    body += "<h2>Последние партии</h2>\n";
    if (games.empty()) {
        body += "<p>Сыгранных партий пока нет.</p>";
    } else {
        body +=
            "<div class=\"scroll\"><table class=\"games\" id=\"games\"><thead><tr><th>Партия</th>"
            "<th>Окончена</th><th>Соперник</th><th>Итог</th><th>Рейтинг</th></tr></thead><tbody>";
        for (const ArchivedGame& game : games) body += gameRow(game, *login);
        body += "</tbody></table></div>";
    }
    return {200, kHtml, sitePage(*login + " — Пимра", kArchiveStyleLink, body), ""};
}

// The files keep their names across versions: a browser asks again after a few minutes, so
// that a new server's pages do not run long with an old script.
SiteReply staticFile(const char* type, std::string_view content) {
    return {200, type, std::string(content), "public, max-age=300"};
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool isArchivePath(std::string_view path) {
    return path == kLivePath || startsWith(path, kPlayerPrefix) || startsWith(path, kGamePrefix) ||
           startsWith(path, "/static/");
}

SiteReply archiveReply(Store& store, std::string_view path, std::int64_t nowMs) {
    if (path == kScriptPath) return staticFile("text/javascript; charset=utf-8", replayScript());
    if (path == kLiveScriptPath) return staticFile("text/javascript; charset=utf-8", liveScript());
    if (path == kStylePath) return staticFile("text/css; charset=utf-8", archiveStyle());
    if (path == kLivePath) return livePage(store);
    if (startsWith(path, kPlayerPrefix))
        return playerPage(store, path.substr(kPlayerPrefix.size()));
    if (startsWith(path, kGamePrefix)) {
        return gamePage(store, path.substr(kGamePrefix.size()), nowMs);
    }
    return notFound();
}

std::string playerPath(std::string_view login) {
    static const char* const digits = "0123456789ABCDEF";
    std::string path(kPlayerPrefix);
    for (const char c : login) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            path += c;
        } else {
            path += '%';
            path += digits[byte >> 4];
            path += digits[byte & 15];
        }
    }
    return path;
}

}  // namespace pimra::server
