#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "EngineReport.h"

namespace pimra::engine {
namespace {

const char* const kStartReport =
    "normal 8\n"
    "hard 8 scores 0 0 0 0 0 0\n"
    "veryhard 8 scores 16 0 0 0 0 1\n"
    "hint 1\n";

struct ToolRun {
    int status;
    std::string out;
};

// Runs the tool through the shell; stderr goes to stdout so messages can be checked. A small
// pit database keeps the first run from building the program's large one.
ToolRun runEngine(const std::string& arguments) {
    const std::string command =
        "PIMRA_PIT_STONES=8 " + std::string(PIMRA_ENGINE) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ToolRun run{-1, {}};
    if (pipe == nullptr) return run;
    std::array<char, 256> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) run.out += buffer.data();
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

TEST(EngineReport, StartAndWorkedPositions) {
    std::string error;
    auto start = parsePosition("6 6 6 6 6 6 0 6 6 6 6 6 6 0", error);
    ASSERT_TRUE(start) << error;
    EXPECT_EQ(analyse(*start), kStartReport);

    auto example = parsePosition(" 1 0 2 0 1 0 0\t0 4 1 0 3 0 0 ", error);
    ASSERT_TRUE(example) << error;
    EXPECT_EQ(analyse(*example),
              "normal 10\n"
              "hard 9 scores - 1 -1 - 0 -\n"
              "veryhard 12 scores - 5 0 - 6 -\n"
              "hint 1\n");

    auto emptyRows = parsePosition("0 0 0 0 0 0 36 0 0 0 0 0 0 36", error);
    ASSERT_TRUE(emptyRows);
    EXPECT_EQ(analyse(*emptyRows),
              "normal -\nhard - scores - - - - - -\nveryhard - scores - - - - - -\nhint -\n");
}

TEST(EngineReport, RejectsBadPositions) {
    std::string error;
    EXPECT_FALSE(parsePosition("6 6 6", error));
    EXPECT_NE(error.find("14"), std::string::npos);
    EXPECT_FALSE(parsePosition("6 6 6 6 6 6 0 6 6 6 6 6 6 x", error));
    EXPECT_NE(error.find("pit 14"), std::string::npos);
    EXPECT_FALSE(parsePosition("6 6 6 6 6 6 0 6 6 6 6 6 6 256", error));
    EXPECT_FALSE(parsePosition("6 6 6 6 6 6 0 6 6 6 6 6 6 -1", error));
    EXPECT_FALSE(parsePosition("6 6 6 6 6 6 0 6 6 6 6 6 6 1.5", error));
    EXPECT_FALSE(parsePosition("", error));
}

TEST(EngineTool, ArgumentsFilesAndStandardInput) {
    ToolRun run = runEngine("6 6 6 6 6 6 0 6 6 6 6 6 6 0");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kStartReport);

    run = runEngine("6 6 6");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("expected 14 numbers"), std::string::npos);

    run = runEngine("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Usage"), std::string::npos);

    const auto dir = std::filesystem::temp_directory_path();
    const std::string good = (dir / "pimra-engine-test-good.sav").string();
    const std::string bad = (dir / "pimra-engine-test-short.sav").string();
    std::ofstream(good, std::ios::binary) << std::string("\6\6\6\6\6\6\0\6\6\6\6\6\6\0", 14);
    std::ofstream(bad, std::ios::binary) << "\6\6\6";
    run = runEngine("--file " + good);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kStartReport);
    run = runEngine("--file " + bad);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("not a saved game"), std::string::npos);
    run = runEngine("--file /nonexistent/x.sav");
    EXPECT_EQ(run.status, 2);
    std::filesystem::remove(good);
    std::filesystem::remove(bad);

    // A bad line is reported and the following lines are still analysed.
    run = runEngine("< /dev/null");
    EXPECT_EQ(run.status, 0);
    const std::string lines = (dir / "pimra-engine-test-lines.txt").string();
    std::ofstream(lines)
        << "6 6 6 6 6 6 0 6 6 6 6 6 6 0\nbad line\n\n6 6 6 6 6 6 0 6 6 6 6 6 6 0\n";
    run = runEngine("< " + lines);
    std::filesystem::remove(lines);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("line 2"), std::string::npos);
    EXPECT_EQ(run.out.find(kStartReport), 0u);
    EXPECT_NE(run.out.rfind(kStartReport), 0u);
}

TEST(EngineTool, MasterLinesKeepTheFourLinesOfToday) {
    ToolRun run = runEngine("--master --depth 4 6 6 6 6 6 6 0 6 6 6 6 6 6 0");
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.out.find(kStartReport), 0u);
    const std::string master = run.out.substr(std::string(kStartReport).size());
    EXPECT_EQ(master.rfind("master ", 0), 0u) << master;
    EXPECT_NE(master.find(" depth 4\n"), std::string::npos) << master;

    // Few stones left: every value is proven, and the best move is the one the master plays.
    run = runEngine("--analyse --depth 60 0 0 0 0 0 1 30 0 0 0 0 2 1 20");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("master 13 value "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("move 12 value "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("move 13 value "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("move 8 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" exact\n"), std::string::npos) << run.out;

    run = runEngine("--master --time 0 6 6 6 6 6 6 0 6 6 6 6 6 6 0");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("bad value for --time"), std::string::npos);
}

TEST(EngineTool, SolveProvesTheValueOnAnyNumberOfThreads) {
    // The top row plays 13 (into its store), 12, then 13 again, and its row is empty:
    // 23 against 30 + 1.
    for (const char* threads : {"", "--threads 3 "}) {
        ToolRun run =
            runEngine(std::string("--solve ") + threads + "0 0 0 0 0 1 30 0 0 0 0 2 1 20");
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("\nsolve 13 value -8 exact positions "), std::string::npos)
            << run.out;
    }
    // Cut short by the time: the bounds found so far.
    ToolRun run = runEngine("--solve --time 1 3 3 3 3 3 3 0 3 3 3 3 3 3 0");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nsolve "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(".."), std::string::npos) << run.out;
    run = runEngine("--threads 0 0 0 0 0 0 1 30 0 0 0 0 2 1 20");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("bad value for --threads"), std::string::npos);
}

TEST(EngineTool, RecordReplayValuesEveryMove) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string tag = std::to_string(::getpid());
    const std::string good = (dir / ("pimra-engine-test-" + tag + ".pgn")).string();
    const std::string bad = (dir / ("pimra-engine-test-bad-" + tag + ".pgn")).string();
    // Top to move with 13 (one stone into store 14 and an extra move) or 12.
    std::ofstream(good) << "[Start \"0 0 0 0 0 1 30 0 0 0 0 2 1 20\"]\n[ToMove \"top\"]\n"
                           "1. 12 computer easy\n";
    std::ofstream(bad) << "1. 3 human\n2. 3 human\n";
    ToolRun run = runEngine("--depth 60 --record " + good);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("1. 12 by computer easy value ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find(" best 13 value "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result "), std::string::npos) << run.out;
    run = runEngine("--record " + bad);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("line 2"), std::string::npos) << run.out;
    run = runEngine("--record /nonexistent/x.pgn");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("cannot open"), std::string::npos) << run.out;
    std::filesystem::remove(good);
    std::filesystem::remove(bad);
}

}  // namespace
}  // namespace pimra::engine
