#include <gtest/gtest.h>

#include "OnlinePlayFixture.h"
#include "server/Glicko2.h"

namespace pimra::server::test {
namespace {

class GameEndingsHttpTest : public OnlinePlayTest {
  protected:
    // Each seat plays one move that passes the turn: the game is then rated when it ends.
    void bothMove(const Login& first, const Login& second, const std::string& table) {
        ASSERT_EQ(move(first, table, 3)["response"], "Success");
        ASSERT_EQ(move(second, table, 10)["response"], "Success");
    }
    nlohmann::json seatAction(const std::string& action, const Login& who,
                              const std::string& table) {
        return client().engine(
            {{"action", action}, {"sid", who.sid}, {"code", who.code}, {"tableid", table}});
    }
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

PlayerRecord playerIn(Store& store, const std::string& login) {
    PlayerRecord player;
    store.read([&](StoreTransaction& tx) { player = tx.findPlayer(login).value_or(player); });
    return player;
}

TEST_F(GameEndingsHttpTest, OnlyASeatedPlayerOfARunningGameMayResignOrOfferADraw) {
    const Login ann = account("ann"), bob = account("bob"), eve = account("eve");
    const std::string waiting = newTable(ann).value("ind", "");
    regTable(bob, waiting);
    for (const char* action : {"resign", "offerdraw"}) {
        EXPECT_EQ(seatAction(action, ann, waiting)["response"], "Партия ещё не началась");
        EXPECT_EQ(seatAction(action, eve, waiting)["response"], "Вы не сидите за этим столом");
        EXPECT_EQ(seatAction(action, Login{"ann", ann.sid, "x"}, waiting)["response"],
                  "Вы не авторизованы");
        EXPECT_EQ(seatAction(action, ann, "999")["response"], "Стол не найден");
    }
    EXPECT_EQ(client().engine({{"action", "resign"}, {"tableid", waiting}})["response"],
              "Неверный запрос");

    // A clock that ran out decides first: the loss on time stands.
    const std::string table = startedGame(ann, bob, 60, 0);
    clock_.advanceMs(63'000);
    EXPECT_EQ(offerDraw(ann, table)["response"], "Партия завершена");
    EXPECT_EQ(resign(bob, table)["response"], "Партия завершена");
    const auto state = getTable(table);
    EXPECT_EQ(state["result"], "2");
    EXPECT_EQ(state["finish"], "time");
    EXPECT_EQ(state["drawoffer1"], "0");
}

TEST_F(GameEndingsHttpTest, AResignationEndsTheGameRatedAndArchived) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 5);
    bothMove(ann, bob, table);
    clock_.advanceMs(4'000);
    const auto timesBefore = getTable(table);
    ASSERT_EQ(timesBefore["activelogin"], "ann");

    EXPECT_EQ(resign(ann, table)["response"], "Success");
    auto state = getTable(table);
    EXPECT_EQ(state["result"], "2");  // old clients see bob's win as any other
    EXPECT_EQ(state["finish"], "resign");
    EXPECT_EQ(state["activelogin"], "");
    // The clocks stand where the resignation found them.
    clock_.advanceMs(60'000);
    EXPECT_EQ(getTable(table)["time1"], timesBefore["time1"]);
    EXPECT_EQ(getTable(table)["time2"], timesBefore["time2"]);
    EXPECT_EQ(resign(bob, table)["response"], "Партия завершена");
    EXPECT_EQ(move(ann, table, 4)["response"], "Партия завершена");

    const Glicko2Rating won = glicko2Update({}, {{{}, 1}});
    EXPECT_DOUBLE_EQ(playerIn(server_->store(), "bob").rating, won.rating);
    EXPECT_EQ(playerIn(server_->store(), "ann").lost, 1);
    const auto page = client().get("/game/" + table);
    ASSERT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "Победил bob, 1 : 1. Сдался ann")) << page->body;
    EXPECT_TRUE(contains(client().get("/u/ann")->body, "Поражение, сдался"));
    EXPECT_TRUE(contains(client().get("/u/bob")->body, "Победа, соперник сдался"));
    // The rematch follows as after any other end.
    EXPECT_EQ(rematch(ann, table)["response"], "Success");
}

TEST_F(GameEndingsHttpTest, ADrawOfferedBackEndsTheGameAndAMoveLetsTheOfferLapse) {
    const Login ann = account("ann"), bob = account("bob");
    const std::string table = startedGame(ann, bob, 300, 5);
    EXPECT_EQ(offerDraw(ann, table)["response"], "Success");
    EXPECT_EQ(offerDraw(ann, table)["response"], "Success");  // still one offer
    auto state = getTable(table);
    EXPECT_EQ(state["drawoffer1"], "1");
    EXPECT_EQ(state["drawoffer2"], "0");
    EXPECT_EQ(state["result"], "0");

    // Ann moves instead of waiting for an answer: her offer is gone.
    ASSERT_EQ(move(ann, table, 3)["response"], "Success");
    state = getTable(table);
    EXPECT_EQ(state["drawoffer1"], "0");
    EXPECT_EQ(offerDraw(bob, table)["response"], "Success");
    EXPECT_EQ(getTable(table)["drawoffer2"], "1");
    ASSERT_EQ(move(bob, table, 10)["response"], "Success");
    EXPECT_EQ(getTable(table)["drawoffer2"], "0");

    // Offered and offered back: drawn, whoever's turn it is.
    EXPECT_EQ(offerDraw(bob, table)["response"], "Success");
    EXPECT_EQ(offerDraw(ann, table)["response"], "Success");
    state = getTable(table);
    EXPECT_EQ(state["result"], "3");
    EXPECT_EQ(state["finish"], "agreement");
    EXPECT_EQ(state["drawoffer1"], "0");
    EXPECT_EQ(state["drawoffer2"], "0");
    EXPECT_EQ(offerDraw(ann, table)["response"], "Партия завершена");

    // Both moved: rated as a draw between equals, and counted.
    const PlayerRecord annAfter = playerIn(server_->store(), "ann");
    EXPECT_EQ(annAfter.drawn, 1);
    EXPECT_DOUBLE_EQ(annAfter.rating, glicko2Update({}, {{{}, 0.5}}).rating);
    EXPECT_EQ(playerIn(server_->store(), "bob").drawn, 1);
    const auto page = client().get("/game/" + table);
    EXPECT_TRUE(contains(page->body, "Ничья по согласию")) << page->body;
    EXPECT_FALSE(contains(page->body, ", без рейтинга"));
    EXPECT_TRUE(contains(client().get("/u/ann")->body, "Ничья, по согласию"));
    // A restart keeps the game as it ended.
    restart();
    EXPECT_EQ(getTable(table)["finish"], "agreement");
}

}  // namespace
}  // namespace pimra::server::test
