#include <gtest/gtest.h>

#include "OnlinePlayFixture.h"
#include "server/PageParts.h"

namespace pimra::server::test {
namespace {

using LivePagesHttpTest = OnlinePlayTest;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The JSON a running game's page hands its script.
nlohmann::json liveData(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"live-data\">";
    const std::size_t start = page.find(open);
    if (start == std::string::npos) return nullptr;
    const std::size_t from = start + open.size();
    return nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
}

TEST_F(LivePagesHttpTest, ARunningGamesPageShowsItsClocksAndMovesAndFollowsItUntilTheEnd) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 5);
    clock_.advanceMs(7000);
    // Pit 3 ends in the top row: the turn passes to bob, and ann's clock gets the bonus.
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    clock_.advanceMs(10'500);

    auto page = client().get("/game/" + table);
    ASSERT_EQ(page->status, 200);
    EXPECT_EQ(page->header("Cache-Control"), "no-cache");
    EXPECT_TRUE(contains(page->body, "Партия идёт"));
    EXPECT_TRUE(contains(page->body, "<span class=\"clock\" id=\"clock1\">4:58</span>"));
    EXPECT_TRUE(contains(page->body, "<span class=\"clock running\" id=\"clock2\">4:49</span>"));
    EXPECT_TRUE(contains(page->body, "<ol class=\"moves\" id=\"moves\"><li>ann: 3</li></ol>"));
    EXPECT_TRUE(contains(page->body, "data-pit=\"7\"><span class=\"count\">1</span>"));
    EXPECT_TRUE(contains(page->body, "href=\"/game/" + table + "\" id=\"refresh\""));
    EXPECT_TRUE(contains(page->body, "<script src=\"/static/live.js\"></script>"));
    EXPECT_FALSE(contains(page->body, "replay"));
    EXPECT_FALSE(contains(page->body, "<script>"));  // nothing inline for the script policy
    const auto data = liveData(page->body);
    ASSERT_TRUE(data.is_object());
    EXPECT_EQ(data, nlohmann::json::parse(R"({"table": ")" + table +
                                          R"(", "logins": ["ann", "bob"], "seconds": [298, 289],
                                             "active": 2, "lastRecord": 1})"));
    // The script may open the game socket and fetch the finished page.
    const std::string policy = page->header("Content-Security-Policy");
    EXPECT_TRUE(contains(policy, "connect-src 'self'"));
    EXPECT_TRUE(contains(policy, "script-src 'self'"));

    const auto script = client().get("/static/live.js");
    ASSERT_EQ(script->status, 200);
    EXPECT_EQ(script->header("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(script->header("Cache-Control"), "public, max-age=300");
    EXPECT_EQ(script->header("X-Content-Type-Options"), "nosniff");
    EXPECT_TRUE(contains(script->body, "/engine/ws"));
    EXPECT_TRUE(contains(script->body, "live-data"));

    // Over, the same address is the finished game's page with its replay.
    ASSERT_EQ(resign(bob, table)["response"], "Success");
    page = client().get("/game/" + table);
    ASSERT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "Победил ann"));
    EXPECT_TRUE(contains(page->body, "id=\"replay-data\""));
    EXPECT_FALSE(contains(page->body, "live.js"));
    EXPECT_FALSE(contains(page->body, "class=\"clock"));
    EXPECT_EQ(page->header("Cache-Control"), "");
}

TEST_F(LivePagesHttpTest, TheLivePageAndPlayerPagesLinkToRunningGamesOnly) {
    const Login ann = account("ann"), bob = account("bob"), cat = account("cat");
    auto c = client();
    auto live = c.get("/live");
    ASSERT_EQ(live->status, 200);
    EXPECT_TRUE(contains(live->body, "Сейчас никто не играет."));
    EXPECT_TRUE(contains(live->header("Content-Security-Policy"), "default-src 'none'"));

    // Accounts made before today's login rules may hold any character.
    const std::string evil = "<b>\"x'&";
    server_->accounts().registerAccount("dan", "secret", "secret");
    server_->store().write([&](StoreTransaction& tx) {
        tx.addAccount({evil, tx.findAccount("dan")->passwordHash, evil}, clock_.nowMs());
    });
    const auto reply =
        c.engine({{"action", "login"}, {"login", evil}, {"pass", clientDigest("secret")}});
    const Login bad{evil, reply.value("sid", ""), reply.value("code", "")};

    const std::string finished = startedGame(ann, cat);
    ASSERT_EQ(resign(cat, finished)["response"], "Success");
    const std::string waiting = newTable(cat).value("ind", "");
    const std::int64_t startMs = clock_.nowMs();
    const std::string first = startedGame(ann, bob, 600, 0);
    const std::string second = startedGame(bad, cat, 900, 2);
    // Moves minutes later change neither the start nor the order.
    clock_.advanceMs(5 * 60 * 1000);
    ASSERT_EQ(move(ann, first, 3)["response"], "Success");
    ASSERT_EQ(move(bob, first, 10)["response"], "Success");

    live = c.get("/live");
    ASSERT_EQ(live->status, 200);
    const std::string& body = live->body;
    EXPECT_TRUE(contains(body, "<tr><td><a href=\"/game/" + first + "\">№ " + first +
                                   "</a></td><td><a href=\"/u/ann\">ann</a> (1500) — <a "
                                   "href=\"/u/bob\">bob</a> (1500)</td><td>10 мин + 0 с за "
                                   "ход</td><td>" +
                                   utcTime(startMs) + "</td><td>2</td>"));
    EXPECT_TRUE(contains(body, "15 мин + 2 с за ход"));
    EXPECT_LT(body.find("/game/" + first + "\""), body.find("/game/" + second + "\""));
    EXPECT_FALSE(contains(body, "/game/" + finished + "\""));
    EXPECT_FALSE(contains(body, "/game/" + waiting + "\""));
    EXPECT_FALSE(contains(body, evil));
    EXPECT_TRUE(contains(body, "&lt;b&gt;&quot;x&#39;&amp;"));
    EXPECT_FALSE(contains(body, utcTime(clock_.nowMs())));

    const auto annPage = c.get("/u/ann")->body;
    EXPECT_TRUE(contains(annPage, "<a href=\"/game/" + first + "\">Смотреть</a>"));
    EXPECT_TRUE(contains(annPage, "против <a href=\"/u/bob\">bob</a>"));
    EXPECT_FALSE(contains(annPage, "<a href=\"/game/" + finished + "\">Смотреть</a>"));
    const auto catPage = c.get("/u/cat")->body;
    EXPECT_TRUE(contains(catPage, "<a href=\"/game/" + second + "\">Смотреть</a>"));
    EXPECT_FALSE(contains(catPage, "<a href=\"/game/" + waiting + "\">Смотреть</a>"));
    EXPECT_FALSE(contains(catPage, evil));

    // Ended games leave the list and the players' pages.
    ASSERT_EQ(resign(ann, first)["response"], "Success");
    ASSERT_EQ(resign(cat, second)["response"], "Success");
    EXPECT_TRUE(contains(c.get("/live")->body, "Сейчас никто не играет."));
    EXPECT_FALSE(contains(c.get("/u/ann")->body, "Смотреть"));
    EXPECT_EQ(c.postRaw("/live", "x=1")->status, 404);
}

}  // namespace
}  // namespace pimra::server::test
