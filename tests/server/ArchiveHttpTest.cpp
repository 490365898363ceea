#include <gtest/gtest.h>

#include "OnlinePlayFixture.h"
#include "core/Move.h"
#include "net/PercentDecoding.h"
#include "server/ArchivePages.h"
#include "server/Glicko2.h"

namespace pimra::server::test {
namespace {

using ArchiveHttpTest = OnlinePlayTest;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The JSON handed to the replay script on a game's page.
nlohmann::json replayData(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"replay-data\">";
    const std::size_t start = page.find(open);
    if (start == std::string::npos) return nullptr;
    const std::size_t from = start + open.size();
    return nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
}

PlayerRecord playerIn(Store& store, const std::string& login) {
    PlayerRecord player;
    store.read([&](StoreTransaction& tx) { player = tx.findPlayer(login).value_or(player); });
    return player;
}

TEST_F(ArchiveHttpTest, FinishedGamesStayAndCountWithRatingsOnlyWhenBothMoved) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string full = startedGame(ann, bob, 600, 0);
    playToTheEnd(full, ann, bob);
    const std::string fullResult = getTable(full)["result"];
    ASSERT_TRUE(fullResult == "1" || fullResult == "2");
    const std::string& winner = fullResult == "1" ? ann.login : bob.login;
    const std::string& loser = fullResult == "1" ? bob.login : ann.login;

    // The ratings moved as one rating period between two new players.
    const Glicko2Rating won = glicko2Update({}, {{{}, 1}});
    const Glicko2Rating lost = glicko2Update({}, {{{}, 0}});
    const PlayerRecord w = playerIn(server_->store(), winner);
    EXPECT_DOUBLE_EQ(w.rating, won.rating);
    EXPECT_DOUBLE_EQ(w.deviation, won.deviation);
    EXPECT_DOUBLE_EQ(w.volatility, won.volatility);
    EXPECT_DOUBLE_EQ(playerIn(server_->store(), loser).rating, lost.rating);

    // Bob never moves in the second game: counted, not rated.
    const std::string timeout = startedGame(ann, bob, 60, 0);
    secondSeatLosesOnTime(ann, timeout, 60);
    EXPECT_DOUBLE_EQ(playerIn(server_->store(), winner).rating, won.rating);
    const PlayerRecord annAfter = playerIn(server_->store(), "ann");
    const PlayerRecord bobAfter = playerIn(server_->store(), "bob");
    EXPECT_EQ(annAfter.played, 2);
    EXPECT_EQ(bobAfter.played, 2);
    EXPECT_EQ(annAfter.won + bobAfter.won, 2);
    EXPECT_EQ(annAfter.lost + bobAfter.lost, 2);
    EXPECT_EQ(annAfter.won, fullResult == "1" ? 2 : 1);
    // Looking again, or a restart, counts nothing twice.
    getTable(timeout);
    tableList();
    restart();
    EXPECT_EQ(playerIn(server_->store(), "ann").played, 2);

    // Long after, past every expiry, both games are still there.
    clock_.advanceMs(48LL * 60 * 60 * 1000);
    tableList();
    newTable(ann);
    EXPECT_EQ(getTable(full)["result"], fullResult);
    EXPECT_EQ(getTable(timeout)["finish"], "time");
    EXPECT_EQ(client().get("/game/" + full)->status, 200);
    EXPECT_EQ(client().get("/game/" + timeout)->status, 200);
    const auto page = client().get("/u/ann");
    ASSERT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "Партий: 2, побед: " + std::to_string(annAfter.won) +
                                         ", поражений: " + std::to_string(annAfter.lost) +
                                         ", ничьих: 0"));
    EXPECT_TRUE(contains(page->body, "href=\"/game/" + full + "\""));
    EXPECT_TRUE(contains(page->body, "href=\"/game/" + timeout + "\""));
    EXPECT_LT(page->body.find("/game/" + timeout + "\""), page->body.find("/game/" + full + "\""))
        << "newest first";
}

TEST_F(ArchiveHttpTest, TheGamePageReplaysTheServersRecords) {
    const Login ann = account("Анна"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 5);
    const int moves = playToTheEnd(table, ann, bob);
    const auto state = getTable(table);

    const auto page = client().get("/game/" + table);
    ASSERT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "href=\"/u/%D0%90%D0%BD%D0%BD%D0%B0\">Анна</a>"));
    EXPECT_TRUE(contains(page->body, "Контроль времени: 5 мин + 5 с за ход"));
    EXPECT_TRUE(contains(page->body, "партия доиграна до конца"));
    EXPECT_TRUE(contains(page->body, "<script src=\"/static/replay.js\"></script>"));
    EXPECT_FALSE(contains(page->body, "<script>"));  // nothing inline for the script policy
    EXPECT_TRUE(contains(page->header("Content-Security-Policy"), "script-src 'self'"));

    const auto data = replayData(page->body);
    ASSERT_TRUE(data.is_object());
    ASSERT_EQ(data["moves"].size(), static_cast<std::size_t>(moves));
    ASSERT_EQ(data["positions"].size(), static_cast<std::size_t>(moves + 1));
    Position replay = Position::start();
    Side side = Side::Bottom;
    for (int ind = 0; ind < moves; ++ind) {
        const auto record = nextRecord(table, ind);
        const int pit = std::stoi(record["move"].get<std::string>());
        EXPECT_EQ(data["moves"][ind]["pit"], pit);
        const auto played = pimra::playMove(replay, side, pit);
        replay = played.position;
        side = played.sideToMove;
        for (int i = 1; i <= kPitCount; ++i) {
            ASSERT_EQ(data["positions"][ind + 1][i - 1], replay[i]) << "move " << ind + 1;
        }
    }
    EXPECT_EQ(formatPosition(replay), state["position"]);
    // Without the script the board shows the final position.
    EXPECT_TRUE(contains(page->body, "data-pit=\"7\"><span class=\"count\">" +
                                         std::to_string(replay[7]) + "</span>"));
}

TEST_F(ArchiveHttpTest, UnknownPlayersGamesAndFilesAreNotFound) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string waiting = newTable(ann).value("ind", "");
    const std::string running = startedGame(ann, bob);
    auto c = client();
    for (const std::string& path : std::vector<std::string>{
             "/u/nobody", "/u/", "/u/%ZZ", "/u/%4", "/game/", "/game/abc", "/game/999",
             "/game/99999999999999999999", "/game/" + waiting, "/static/nothing.js"}) {
        const auto reply = c.get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
        EXPECT_TRUE(contains(reply->body, "Такой страницы нет.")) << path;
    }
    EXPECT_EQ(c.get("/u/ann")->status, 200);
    EXPECT_TRUE(contains(c.get("/u/ann")->body, "Сыгранных партий пока нет."));
    EXPECT_TRUE(contains(c.get("/u/ann")->body, "<b id=\"rating\">1500</b>"));
    EXPECT_TRUE(contains(c.get("/game/" + running)->body, "Партия идёт"));
    const auto script = c.get("/static/replay.js");
    ASSERT_EQ(script->status, 200);
    EXPECT_TRUE(contains(script->header("Content-Type"), "javascript"));
    EXPECT_TRUE(contains(script->body, "replay-data"));
    EXPECT_TRUE(contains(c.get("/static/archive.css")->header("Content-Type"), "text/css"));
    EXPECT_EQ(c.postRaw("/u/ann", "x=1")->status, 404);
}

TEST_F(ArchiveHttpTest, LoginsAreEscapedOnThePagesAndInLinks) {
    // Accounts made before today's login rules may hold any character.
    const std::string evil = "<i>\"o'&";
    server_->store().write([&](StoreTransaction& tx) {
        tx.addAccount(
            {evil, PasswordHasher(PasswordHasher::Strength::Minimum).hash(clientDigest("p")), evil},
            clock_.nowMs());
    });
    const auto reply =
        client().engine({{"action", "login"}, {"login", evil}, {"pass", clientDigest("p")}});
    const Login bad{evil, reply.value("sid", ""), reply.value("code", "")};
    const Login bob = account("bob");
    const std::string table = startedGame(bad, bob, 60, 0);
    secondSeatLosesOnTime(bad, table, 60);

    const std::string path = playerPath(evil);
    EXPECT_EQ(path, "/u/%3Ci%3E%22o%27%26");
    EXPECT_EQ(net::PercentDecode(path.substr(3), net::PlusSign::Plus), evil);
    for (const std::string& page : {path, "/game/" + table, std::string("/u/bob")}) {
        const auto html = client().get(page);
        ASSERT_EQ(html->status, 200) << page;
        EXPECT_FALSE(contains(html->body, evil)) << page;
        EXPECT_TRUE(contains(html->body, "&lt;i&gt;&quot;o&#39;&amp;")) << page;
    }
}

}  // namespace
}  // namespace pimra::server::test
