// Building the engine and its reactions to the options it follows.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "engine_test_support.h"

namespace qorat {
namespace {

using testing::EngineGame;
using testing::Game;
using Switches = EngineInspector::Switches;

class EngineOptions : public testing::EngineTest {};

// useOpeningBook, post, quiescence, qnull, qhash, nullmove, mtd, iterative, verifynull, hashadjust, hash
const Switches defaults{true, false, false, false, true, true, true, true, true, false, true};

TEST_F(EngineOptions, FreshEngine) {
    testing::ScriptedInput input;
    testing::FakeClocks clocks;
    testing::ConsoleOutput output;
    Game game;
    Engine engine(game.board, game.lawyer, input, clocks, output);
    const EngineInspector inside{engine};
    EXPECT_EQ(inside.switches(), defaults);
    EXPECT_EQ(inside.searchPly(), 6);
    EXPECT_EQ(inside.thinkState(), 2);
    EXPECT_EQ(inside.algorithm(), 0);
    EXPECT_EQ(inside.nullReduction(), 3);
    EXPECT_EQ(clocks.timeControls, 1);
    EXPECT_FALSE(engine.moveReady());
    EXPECT_FALSE(engine.isThinking());

    options.set("post", "on");
    EXPECT_TRUE(inside.switches().post) << "registered with the option store";
}

TEST_F(EngineOptions, Reactions) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> settings;
        Switches switches;
        int searchPly;
        int algorithm;
        int nullReduction;
    };
    auto with = [](auto change) {
        Switches s = defaults;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"negascout", {{"search", "negascout"}}, with([](Switches& s) { s.mtd = false; }), 6, 2, 3},
        {"alphabeta", {{"search", "alphabeta"}}, with([](Switches& s) { s.mtd = false; }), 6, 0, 3},
        {"mtd after negascout", {{"search", "negascout"}, {"search", "mtd"}}, defaults, 6, 0, 3},
        {"unknown search", {{"search", "negascout"}, {"search", "MTD"}}, with([](Switches& s) { s.mtd = false; }), 6, 2, 3},
        {"searchPly 12", {{"searchPly", "12"}}, defaults, 12, 0, 3},
        {"searchPly with blank and letter", {{"searchPly", " 7x"}}, defaults, 7, 0, 3},
        {"searchPly of letters", {{"searchPly", "abc"}}, defaults, 0, 0, 3},
        {"searchPly empty", {{"searchPly", "9"}, {"searchPly", ""}}, defaults, 9, 0, 3},
        {"searchPly blank", {{"searchPly", "9"}, {"searchPly", " \t"}}, defaults, 9, 0, 3},
        {"searchPly too large", {{"searchPly", "99999999999"}}, defaults, INT_MAX, 0, 3},
        {"searchPly negative", {{"searchPly", "-3"}}, defaults, -3, 0, 3},
        {"verifynull off", {{"verifynull", "off"}}, with([](Switches& s) { s.verifynull = false; }), 6, 0, 2},
        {"verifynull on brings nullmove back", {{"nullmove", "off"}, {"verifynull", "off"}, {"verifynull", "on"}},
         defaults, 6, 0, 3},
        {"verifynull off keeps nullmove off", {{"nullmove", "off"}, {"verifynull", "off"}},
         with([](Switches& s) { s.nullmove = s.verifynull = false; }), 6, 0, 2},
        {"verifynull with another value", {{"verifynull", "yes"}}, with([](Switches& s) { s.verifynull = false; }), 6, 0, 2},
        {"book off", {{"useOpeningBook", "n"}}, with([](Switches& s) { s.useOpeningBook = false; }), 6, 0, 3},
        {"book on for no", {{"useOpeningBook", "n"}, {"useOpeningBook", "no"}}, defaults, 6, 0, 3},
        {"book on for empty", {{"useOpeningBook", "n"}, {"useOpeningBook", ""}}, defaults, 6, 0, 3},
        {"switches on", {{"post", "on"}, {"quiescence", "on"}, {"qnull", "on"}, {"hashadjust", "on"}},
         with([](Switches& s) { s.post = s.quiescence = s.qnull = s.hashadjust = true; }), 6, 0, 3},
        {"switches off", {{"qhash", "off"}, {"nullmove", "off"}, {"iterative", "off"}, {"hash", "off"}},
         with([](Switches& s) { s.qhash = s.nullmove = s.iterative = s.hash = false; }), 6, 0, 3},
        {"only on is on", {{"post", "On"}, {"hash", "ON"}, {"quiescence", "1"}},
         with([](Switches& s) { s.hash = false; }), 6, 0, 3},
        {"names it does not follow", {{"tableSize", "20"}, {"sd", "3"}, {"Search", "negascout"}}, defaults, 6, 0, 3},
    };
    for (const Case& c : cases) {
        EngineGame g;
        options.set("useOpeningBook", "");
        for (const auto& [name, value] : c.settings) options.set(name, value);
        EXPECT_EQ(g.inside.switches(), c.switches) << c.what;
        EXPECT_EQ(g.inside.searchPly(), c.searchPly) << c.what;
        EXPECT_EQ(g.inside.algorithm(), c.algorithm) << c.what;
        EXPECT_EQ(g.inside.nullReduction(), c.nullReduction) << c.what;
    }
}

}  // namespace
}  // namespace qorat
