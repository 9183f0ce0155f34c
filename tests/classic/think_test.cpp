// The think driver: iterations and their post lines, resumption after input, moving now, the
// book, the search without time, and lines that never outlive their position.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "engine_test_support.h"

namespace qorat {
namespace {

using testing::EngineGame;

const char* const endgameFen = "2eak4/4a4/4e4/9/2P3P2/9/9/4C4/9/4K4 r";

struct PostLine {
    bool interrupted = false;
    int depth = 0;
    int score = 0;
    long long nodes = 0;
    long long hundredths = 0;
    std::string line;
};

std::vector<PostLine> postLines(const std::string& output) {
    std::vector<PostLine> result;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        PostLine p;
        std::istringstream fields(text);
        std::string depth, score, nodes, hundredths;
        std::getline(fields, depth, '\t');
        std::getline(fields, score, '\t');
        std::getline(fields, nodes, '\t');
        std::getline(fields, hundredths, '\t');
        std::getline(fields, p.line);
        p.interrupted = !depth.empty() && depth[0] == '*';
        p.depth = std::stoi(p.interrupted ? depth.substr(1) : depth);
        p.score = std::stoi(score);
        p.nodes = std::stoll(nodes);
        p.hundredths = std::stoll(hundredths);
        result.push_back(p);
    }
    return result;
}

std::vector<PostLine> thinkAndPost(Engine& engine) {
    ::testing::internal::CaptureStdout();
    engine.think();
    return postLines(::testing::internal::GetCapturedStdout());
}

// How many times a search to this depth polls for input.
long pollsToDepth(const char* fen, int depth) {
    EngineGame g(fen);
    options.set("searchPly", std::to_string(depth));
    g.engine->think();
    return g.input.calls;
}

class Think : public testing::EngineTest {};

TEST_F(Think, OneIterationPerDepthWithItsPostLine) {
    EngineGame g(endgameFen);
    options.set("post", "on");
    const std::vector<PostLine> posts = thinkAndPost(*g.engine);
    ASSERT_EQ(posts.size(), 6u);
    for (int d = 1; d <= 6; ++d) {
        const PostLine& p = posts[d - 1];
        EXPECT_FALSE(p.interrupted);
        EXPECT_EQ(p.depth, d);
        EXPECT_GT(p.nodes, 0);
        EXPECT_GE(p.hundredths, 0);
        if (d > 1) {
            EXPECT_GT(p.nodes, posts[d - 2].nodes);
        }
    }
    EXPECT_TRUE(g.engine->moveReady());
    const Move m = g.engine->takeMove();
    EXPECT_EQ(posts.back().line.substr(0, 5), moveText(m) + ' ');
    EXPECT_EQ(g.engine->progress().depth, 6);
    EXPECT_EQ(classicUnits(g.engine->progress().score), posts.back().score);
}

TEST_F(Think, PostLineShowsMovesAndTheMateTag) {
    // Either king step leaves Blue without a single move.
    EngineGame g("3kp4/3p5/9/9/9/9/9/9/9/5K3 r");
    options.set("post", "on");
    options.set("searchPly", "2");
    const std::vector<PostLine> posts = thinkAndPost(*g.engine);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[1].score, MateScore - 1);
    EXPECT_EQ(posts[1].line, moveText(g.engine->takeMove()) + " (MATE}");
}

TEST_F(Think, InputDuringDepthFourInterruptsAndTheSearchResumes) {
    const long polls3 = pollsToDepth(startPositionFen.c_str(), 3);
    const long polls4 = pollsToDepth(startPositionFen.c_str(), 4);
    ASSERT_LT(polls3 + 1, polls4);

    EngineGame g;
    options.set("post", "on");
    g.input.arrivesAt = (polls3 + polls4) / 2;
    const std::vector<PostLine> first = thinkAndPost(*g.engine);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_TRUE(g.engine->isThinking());
    EXPECT_FALSE(g.engine->moveReady());
    EXPECT_TRUE(first[3].interrupted);
    EXPECT_EQ(first[3].depth, 3);
    EXPECT_EQ(first[3].line, first[2].line) << "the last completed line is shown";
    const std::size_t kept = g.inside.bestLine().size();
    ASSERT_GT(kept, 0u);

    g.input.arrivesAt = 0;
    const std::vector<PostLine> resumed = thinkAndPost(*g.engine);
    ASSERT_FALSE(resumed.empty());
    // The search goes on one ply deeper than it completed, whatever its line's length.
    EXPECT_EQ(resumed.front().depth, first[2].depth + 1);
    EXPECT_EQ(resumed.back().depth, 6);
    EXPECT_FALSE(resumed.back().interrupted);
    EXPECT_GT(resumed.front().nodes, first.back().nodes) << "the node count goes on";
    EXPECT_GE(resumed.front().hundredths, first.back().hundredths);
    EXPECT_TRUE(g.engine->moveReady());
    Move m = g.engine->takeMove();
    EXPECT_TRUE(g.lawyer().isLegal(m));
}

TEST_F(Think, WithoutIterationOneSearchAtFullDepth) {
    EngineGame g(endgameFen);
    options.set("post", "on");
    options.set("iterative", "off");
    options.set("searchPly", "4");
    const std::vector<PostLine> posts = thinkAndPost(*g.engine);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].depth, 4);
    Move m = g.engine->takeMove();
    EXPECT_TRUE(g.lawyer().isLegal(m));
}

TEST_F(Think, DepthBelowOneSearchesOnePly) {
    for (const char* depth : {"0", "-2", "x"}) {
        EngineGame g(endgameFen);
        options.set("post", "on");
        options.set("searchPly", depth);
        const std::vector<PostLine> posts = thinkAndPost(*g.engine);
        ASSERT_EQ(posts.size(), 1u) << depth;
        EXPECT_EQ(posts[0].depth, 1) << depth;
        ASSERT_TRUE(g.engine->moveReady()) << depth;
        Move m = g.engine->takeMove();
        EXPECT_TRUE(g.lawyer().isLegal(m)) << depth;
    }
}

TEST_F(Think, WithoutIterationAOnePlyAnswerOutlivesTheClock) {
    for (const char* mtd : {"mtd", "alphabeta"}) {
        EngineGame g;
        options.set("search", mtd);
        options.set("iterative", "off");
        options.set("searchPly", "9");
        g.clocks.setTimeLeft(false);
        g.engine->think();
        ASSERT_TRUE(g.engine->moveReady()) << mtd;
        Move m = g.engine->takeMove();
        EXPECT_TRUE(g.lawyer().isLegal(m)) << mtd;
    }
}

TEST_F(Think, TakeMoveTwiceGivesTheSameMoveAndLeavesIdle) {
    EngineGame g(endgameFen);
    options.set("searchPly", "3");
    g.engine->think();
    const Move first = g.engine->takeMove();
    EXPECT_FALSE(g.engine->moveReady());
    EXPECT_FALSE(g.engine->isThinking());
    EXPECT_TRUE(g.engine->takeMove().sameSquares(first));
    EXPECT_FALSE(isNoMove(first));
}

TEST_F(Think, ThinkingWithAMoveReadyOnlyComplains) {
    EngineGame g(endgameFen);
    options.set("searchPly", "2");
    g.engine->think();
    const long polls = g.input.calls;
    ::testing::internal::CaptureStderr();
    g.engine->think();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Shouldn't be happening: think()\n");
    EXPECT_EQ(g.input.calls, polls);
    EXPECT_TRUE(g.engine->moveReady());
}

TEST_F(Think, WithoutTimeTheFirstIterationStillCompletes) {
    EngineGame g;
    options.set("post", "on");
    g.clocks.setTimeLeft(false);
    const std::vector<PostLine> posts = thinkAndPost(*g.engine);
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].depth, 1);
    EXPECT_FALSE(posts[0].interrupted);
    EXPECT_TRUE(posts[1].interrupted);
    EXPECT_EQ(posts[1].depth, 1);
    EXPECT_EQ(g.inside.abortReason(), 1);
    ASSERT_TRUE(g.engine->moveReady());
    Move m = g.engine->takeMove();
    EXPECT_TRUE(g.lawyer().isLegal(m));
}

TEST_F(Think, WithoutTimeInputStillInterruptsAtOnce) {
    EngineGame g;
    g.clocks.setTimeLeft(false);
    g.input.arrivesAt = 1;
    g.engine->think();
    EXPECT_TRUE(g.engine->isThinking());
    EXPECT_EQ(g.inside.abortReason(), 2);
    EXPECT_TRUE(g.inside.bestLine().empty());

    g.input.arrivesAt = 0;
    g.engine->think();
    ASSERT_TRUE(g.engine->moveReady());
    Move m = g.engine->takeMove();
    EXPECT_TRUE(g.lawyer().isLegal(m));
}

TEST_F(Think, ReadyMoveOfAnotherPositionIsNeverHandedOut) {
    EngineGame g;
    options.set("searchPly", "3");
    g.engine->think();
    ASSERT_TRUE(g.engine->moveReady());
    ASSERT_TRUE(g.game.play({"h2e2"}));
    EXPECT_TRUE(isNoMove(g.engine->takeMove()));
    EXPECT_FALSE(g.engine->moveReady());

    // Back in the searched position the line belongs again.
    g.engine->think();
    ASSERT_TRUE(g.engine->moveReady());
    const Move blueMove = g.inside.bestLine()[0].move;
    g.board().unmakeMove();
    g.engine->moveNow();
    EXPECT_TRUE(isNoMove(g.engine->takeMove()));
    ASSERT_TRUE(g.game.play({"h2e2"}));
    g.engine->moveNow();
    EXPECT_TRUE(g.engine->takeMove().sameSquares(blueMove));
}

TEST_F(Think, MoveNowWithoutAMoveYetPlaysTheFirstFound) {
    // Asked to move before the search began, or before it had found a move, a search stops
    // after its first depth, however deep it was set to go.
    for (const char* search : {"mtd", "negascout"}) {
        for (const bool begun : {false, true}) {
            EngineGame g;
            options.set("search", search);
            options.set("searchPly", "40");
            if (begun) {
                g.input.arrivesAt = 1;
                g.engine->think();
                ASSERT_TRUE(g.engine->isThinking()) << search;
                ASSERT_TRUE(g.inside.bestLine().empty()) << search;
                g.input.arrivesAt = 0;
            }
            g.engine->moveNow();
            g.engine->think();
            ASSERT_TRUE(g.engine->moveReady()) << search << ' ' << begun;
            EXPECT_EQ(g.engine->progress().depth, 1) << search << ' ' << begun;
            Move m = g.engine->takeMove();
            EXPECT_TRUE(g.lawyer().isLegal(m)) << search << ' ' << begun;
        }
    }
}

TEST_F(Think, InterruptedSearchRestartsAfterThePositionChanges) {
    const long polls3 = pollsToDepth(startPositionFen.c_str(), 3);
    EngineGame g;
    options.set("post", "on");
    g.input.arrivesAt = polls3 + 10;
    thinkAndPost(*g.engine);
    ASSERT_TRUE(g.engine->isThinking());
    ASSERT_GT(g.inside.bestLine().size(), 0u);

    // The same position again, with the same history: the search goes on.
    const std::int64_t nodes = g.inside.nodeCount();
    ASSERT_TRUE(g.game.play({"h2e2"}));
    g.board().unmakeMove();
    g.input.arrivesAt = g.input.calls + 10;
    thinkAndPost(*g.engine);
    EXPECT_GT(g.inside.nodeCount(), nodes) << "resumed";

    // Another position: the search starts afresh and plays for the new side to move.
    ASSERT_TRUE(g.game.play({"h2e2"}));
    g.input.arrivesAt = 0;
    const std::vector<PostLine> posts = thinkAndPost(*g.engine);
    ASSERT_EQ(posts.size(), 6u);
    EXPECT_EQ(posts.front().depth, 1);
    EXPECT_LT(posts.front().nodes, 1000) << "the node count starts again";
    Move m = g.engine->takeMove();
    EXPECT_EQ(colourOf(g.board().piece(m.from)), Blue);
    EXPECT_TRUE(g.lawyer().isLegal(m));
}

TEST_F(Think, OptionsThatThrowTheSearchAway) {
    for (const char* name : {"iterative", "computerColor"}) {
        EngineGame g;
        g.input.arrivesAt = 50;
        g.engine->think();
        ASSERT_TRUE(g.engine->isThinking()) << name;
        options.set(name, name == std::string("iterative") ? "on" : "b");
        EXPECT_FALSE(g.engine->isThinking()) << name;
        options.set("searchPly", "3");
        g.input.arrivesAt = 0;
        g.engine->think();
        EXPECT_TRUE(g.engine->moveReady()) << name;

        options.set(name, "r");
        EXPECT_FALSE(g.engine->moveReady()) << name;
    }
}

// Runs in a scratch directory so that the engine finds only the book written there.
class Book : public testing::EngineTest {
protected:
    Book() : previous(std::filesystem::current_path()) {
        std::filesystem::create_directories(scratch);
        std::filesystem::current_path(scratch);
    }
    ~Book() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(scratch);
    }
    void writeBook(const std::string& text) { std::ofstream("book.dat") << text; }

    const std::filesystem::path previous;
    // One folder per process: the tests run side by side.
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("qorat_engine_book_test_" + std::to_string(getpid()));
};

TEST_F(Book, LegalBookMoveIsReadyAtOnceWithoutOutput) {
    writeBook(startPositionFen + ":h2e2\n");
    EngineGame g(startPositionFen, true);
    options.set("post", "on");
    ::testing::internal::CaptureStdout();
    g.engine->think();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(g.engine->moveReady());
    ASSERT_EQ(g.inside.bestLine().size(), 1u);
    EXPECT_EQ(moveText(g.engine->takeMove()), "h2e2");
    EXPECT_EQ(g.input.calls, 0);
}

TEST_F(Book, IllegalOrUnusedBookMovesFallThroughToTheSearch) {
    writeBook(startPositionFen + ":e5e4\n");
    EngineGame illegal(startPositionFen, true);
    options.set("searchPly", "2");
    illegal.engine->think();
    EXPECT_GT(illegal.input.calls, 0);
    Move searched = illegal.engine->takeMove();
    EXPECT_TRUE(illegal.lawyer().isLegal(searched));

    writeBook(startPositionFen + ":h2e2\n");
    EngineGame unused(startPositionFen, true);
    options.set("useOpeningBook", "n");
    options.set("searchPly", "2");
    unused.engine->think();
    EXPECT_GT(unused.input.calls, 0);
}

TEST_F(Book, MissingBooksAreReported) {
    ::testing::internal::CaptureStderr();
    EngineGame g;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Can't open " QORAT_DATA_DIR "/book.dat\nCan't open book.dat\nCan't open my book!\n");
    EXPECT_FALSE(g.inside.hasBook());

    writeBook(startPositionFen + ":h2e2\n");
    ::testing::internal::CaptureStderr();
    EngineGame found;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Can't open " QORAT_DATA_DIR "/book.dat\n");
    EXPECT_TRUE(found.inside.hasBook());
}

TEST_F(Think, InputIsPolledEveryFewThousandNodes) {
    EngineGame g;
    options.set("searchPly", "5");
    g.engine->think();
    const std::int64_t nodes = g.inside.nodeCount();
    ASSERT_GT(nodes, 10000);
    EXPECT_LT(g.input.calls * 500, nodes) << g.input.calls << " polls for " << nodes << " nodes";
}

TEST_F(Think, ShorterMateScoresHigher) {
    // Each position has a mate of the given length beside longer ones; the score tells the
    // shortest distance, and the move begins a shortest mate.
    struct Case {
        const char* fen;
        int plies;
        std::vector<std::string> moves;
    };
    const Case cases[] = {
        {"3k5/9/9/9/9/9/9/9/4R4/R3K4 r", 1, {"a0d0", "e1d1"}},
        {"3k5/4a4/9/9/9/9/9/9/9/R3K3R r", 3, {"a0d0", "i0i8", "a0a8"}},
        {"5k3/9/9/9/9/9/9/9/2R6/3K5 r", 3, {"d0e0", "c1f1", "c1c8"}},
    };
    for (const Case& c : cases) {
        EngineGame g(c.fen);
        options.set("searchPly", std::to_string(c.plies + 2));
        options.set("post", "on");
        const std::vector<PostLine> posts = thinkAndPost(*g.engine);
        ASSERT_FALSE(posts.empty()) << c.fen;
        EXPECT_EQ(posts.back().score, MateScore - c.plies) << c.fen;
        const std::string move = moveText(g.engine->takeMove());
        EXPECT_NE(std::find(c.moves.begin(), c.moves.end(), move), c.moves.end()) << c.fen << ' ' << move;
    }
}

}  // namespace
}  // namespace qorat
