#include <gtest/gtest.h>

#include "Match.h"
#include "core/Levels.h"
#include "core/Move.h"

namespace pimra::match {
namespace {

TEST(Match, ReadsPlayerNames) {
    EXPECT_EQ(parsePlayer("easy")->level, kLevelEasy);
    EXPECT_EQ(parsePlayer("veryhard")->level, kLevelVeryHard);
    const auto master = parsePlayer("master:250");
    ASSERT_TRUE(master);
    EXPECT_EQ(master->level, kLevelMaster);
    EXPECT_EQ(master->time.count(), 250);
    EXPECT_EQ(parsePlayer("master")->time.count(), 1000);
    EXPECT_EQ(master->threads, 1);
    const auto threaded = parsePlayer("master:300:t4");
    ASSERT_TRUE(threaded);
    EXPECT_EQ(threaded->time.count(), 300);
    EXPECT_EQ(threaded->threads, 4);
    for (const char* bad : {"", "Easy", "master:", "master:0", "master:-5", "master:1x", "god",
                            "master:300:", "master:300:t", "master:300:t0", "master:300:4",
                            "master:300:t4x", "master:t4", "master:300:t65"}) {
        EXPECT_FALSE(parsePlayer(bad)) << bad;
    }
}

TEST(Match, LevelsPlayTheBottomRowThroughAMirror) {
    Position p = Position::start();
    p[3] = 0;
    p[12] = 9;
    const Position m = mirrored(p);
    EXPECT_EQ(m[10], 0);
    EXPECT_EQ(m[5], 9);
    EXPECT_EQ(mirrored(m), p);
    // The deterministic levels choose in the mirror what they would choose on the top row.
    ClockRandom random;
    for (const char* name : {"normal", "hard", "veryhard"}) {
        Player player(*parsePlayer(name), 3);
        EXPECT_EQ(player.choose(p, Side::Bottom) + 7,
                  ChooseComputerMove(m, parsePlayer(name)->level, random));
    }
    for (const char* name : {"easy", "normal", "hard", "veryhard"}) {
        Player player(*parsePlayer(name), 3);
        const int bottom = player.choose(p, Side::Bottom);
        EXPECT_TRUE(playMove(p, Side::Bottom, bottom).accepted) << name;
        EXPECT_TRUE(playMove(p, Side::Top, player.choose(p, Side::Top)).accepted) << name;
    }
}

TEST(Match, OpeningsAreVariedAndEachIsPlayedFromBothSides) {
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        const Opening opening = randomOpening(seed, 6);
        EXPECT_EQ(opening.position.total(), 72);
        EXPECT_NE(opening.position, Position::start());
        EXPECT_GT(opening.position.rowSum(opening.sideToMove), 0);
        EXPECT_EQ(randomOpening(seed, 6).position, opening.position);
    }
    EXPECT_NE(randomOpening(1, 6).position, randomOpening(2, 6).position);

    MatchOptions options;
    options.games = 7;  // rounded up to 8: four openings, twice each
    options.seed = 4;
    const MatchReport report = playMatch(*parsePlayer("normal"), *parsePlayer("normal"), options);
    const MatchTally& t = report.tally;
    EXPECT_EQ(t.games, 8);
    EXPECT_EQ(t.wins + t.draws + t.losses, 8);
    // The same deterministic player on both sides of each opening: every opening's two games
    // mirror each other, so the margins cancel.
    EXPECT_EQ(t.marginSum, 0);
    EXPECT_EQ(t.wins, t.losses);
}

TEST(Match, BoundedOpeningsAreDrawnAgainUntilNeitherSideIsFarAhead) {
    int redrawnInAll = 0;
    for (std::uint32_t seed = 0; seed < 12; ++seed) {
        int none = 0;
        const Opening any = boundedOpening(seed, 6, 0, none);
        EXPECT_EQ(none, 0);
        EXPECT_EQ(any.position, randomOpening(seed, 6).position);  // no bound: as before

        int redrawn = 0;
        const Opening fair = boundedOpening(seed, 6, 2, redrawn);
        const int value = openingValue(fair);
        EXPECT_LE(value, 2) << seed;
        EXPECT_GE(value, -2) << seed;
        EXPECT_EQ(fair.position.total(), 72);
        EXPECT_GT(fair.position.rowSum(fair.sideToMove), 0);
        if (redrawn == 0) {
            EXPECT_EQ(fair.position, any.position);
        }
        redrawnInAll += redrawn;
        int again = 0;
        EXPECT_EQ(boundedOpening(seed, 6, 2, again).position, fair.position);
        EXPECT_EQ(again, redrawn);
    }
    EXPECT_GT(redrawnInAll, 0);  // random first moves do leave one side well ahead at times
}

TEST(Match, TheMasterIsTimedByItsOwnCpuTime) {
    PlayerSetup setup = *parsePlayer("master:20");
    EXPECT_EQ(setup.clock, SearchClock::ThreadCpu);
    setup.endgame = false;
    Player player(setup, 1);
    const int pit = player.choose(Position::start(), Side::Top);
    EXPECT_TRUE(canPlayPit(Position::start(), pit));
    EXPECT_EQ(player.movesMade(), 1);
    EXPECT_GT(player.cpuThinking().count(), 0);
}

// Another program over a pipe: one that plays its first non-empty pit and counts half a
// millisecond a move, one that has gone, and one that answers nonsense and then listens on
// without answering, which must not hold the match up.
TEST(Match, AnEngineProgramPlaysOverAPipeAndOneThatFailsForfeits) {
    const std::string firstPit =
        "engine:while read -r a b c d e f g h i j k l m n s; do "
        "if [ \"$s\" = 1 ]; then set -- $a $b $c $d $e $f; p=1; "
        "else set -- $h $i $j $k $l $m; p=8; fi; "
        "for x in \"$@\"; do [ \"$x\" != 0 ] && break; p=$((p+1)); done; echo \"$p 0.5\"; done";
    const std::optional<PlayerSetup> engine = parsePlayer(firstPit);
    ASSERT_TRUE(engine);
    EXPECT_FALSE(parsePlayer("engine:"));
    Player player(*engine, 1);
    Position board = Position::start();
    board[8] = 0;
    EXPECT_EQ(player.choose(board, Side::Top), 9);
    EXPECT_EQ(player.choose(board, Side::Bottom), 1);
    EXPECT_EQ(player.cpuThinking(), std::chrono::microseconds(1000));

    MatchOptions options;
    options.games = 2;
    const MatchReport played = playMatch(*parsePlayer("easy"), *engine, options);
    EXPECT_EQ(played.tally.games, 2);
    EXPECT_GT(played.msPerMoveB, 0);
    for (const char* failing : {"engine:exit 3", "engine:echo 15 x; cat > /dev/null"}) {
        Player broken(*parsePlayer(failing), 1);
        EXPECT_EQ(broken.choose(Position::start(), Side::Top), 0) << failing;
        EXPECT_EQ(broken.choose(Position::start(), Side::Top), 0) << failing;
        const MatchReport forfeited =
            playMatch(*parsePlayer("easy"), *parsePlayer(failing), options);
        EXPECT_EQ(forfeited.tally.games, 2) << failing;
    }
}

}  // namespace
}  // namespace pimra::match
