#include "GameArchive.h"

#include "Glicko2.h"

namespace pimra::server {

namespace {

Glicko2Rating ratingOf(const PlayerRecord& player) {
    return {player.rating, player.deviation, player.volatility};
}

// Counts the game and, when it is rated, moves the rating against the opponent's rating
// before the game.
void score(PlayerRecord& player, const PlayerRecord& opponentBefore, double points, bool rated) {
    player.played += 1;
    if (points == 1) {
        player.won += 1;
    } else if (points == 0) {
        player.lost += 1;
    } else {
        player.drawn += 1;
    }
    if (!rated) return;
    const Glicko2Rating after =
        glicko2Update(ratingOf(player), {Glicko2Game{ratingOf(opponentBefore), points}});
    player.rating = after.rating;
    player.deviation = after.deviation;
    player.volatility = after.volatility;
}

}  // namespace

PlayerRecord GameArchive::playerOf(StoreTransaction& tx, const std::string& login) {
    if (auto player = tx.findPlayer(login)) return *player;
    PlayerRecord fresh;
    fresh.login = login;
    return fresh;
}

bool GameArchive::isRated(const std::vector<Record>& records) {
    bool moved1 = false;
    bool moved2 = false;
    for (const Record& record : records) {
        moved1 = moved1 || record.seat == Side::Bottom;
        moved2 = moved2 || record.seat == Side::Top;
    }
    return moved1 && moved2;
}

void GameArchive::recordEnd(StoreTransaction& tx, const TableRow& table, GameFinish finish) {
    if (table.status != TableStatus::Finished || tx.findGameOutcome(table.id)) return;
    GameOutcome outcome;
    outcome.tableId = table.id;
    outcome.finish = finish;
    const bool seated = !table.login1.empty() && !table.login2.empty();
    outcome.rated = seated && isRated(tx.recordsOf(table.id));
    if (seated) {
        const PlayerRecord before1 = playerOf(tx, table.login1);
        const PlayerRecord before2 = playerOf(tx, table.login2);
        const double points1 = table.result == 1 ? 1 : table.result == 2 ? 0 : 0.5;
        PlayerRecord after1 = before1;
        PlayerRecord after2 = before2;
        score(after1, before2, points1, outcome.rated);
        score(after2, before1, 1 - points1, outcome.rated);
        tx.savePlayer(after1);
        tx.savePlayer(after2);
        outcome.rating1Before = before1.rating;
        outcome.rating1After = after1.rating;
        outcome.rating2Before = before2.rating;
        outcome.rating2After = after2.rating;
    }
    tx.addGameOutcome(outcome);
}

}  // namespace pimra::server
