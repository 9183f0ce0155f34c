// A game with an engine on reproducible keys, stand-ins for the input poll and the clocks,
// and a view of the engine's insides.
#pragma once

#include <iostream>
#include <memory>
#include <string>

#include "classic/engine.h"
#include "options/options.h"
#include "protocol/thinking_lines.h"
#include "rules/rules_test_support.h"

namespace qorat {

// Reaches the engine's search, table and settings.
struct EngineInspector {
    Engine& engine;

    // Sets up what a search needs, as a fresh think would, without asking the book.
    void prepareSearch() {
        engine.clock = engine.clocks.clockFor(engine.board.sideToMove());
        engine.abortReason = Engine::NoAbort;
        engine.nodeCount = 0;
        engine.pollCountdown = 0;
    }
    bool repetition(int ply, int& score) const { return engine.repetition(ply, score); }
    int searchNode(Line& line, int alpha, int beta, int ply, int depth, bool nullAllowed = true, bool verify = true) {
        return engine.searchNode(line, alpha, beta, ply, depth, nullAllowed, verify, engine.quiescence);
    }
    bool probe(int ply, int depth, int& alpha, int& beta, Move& move, int& score, bool& nullAllowed) {
        return engine.probe(ply, depth, alpha, beta, move, score, nullAllowed);
    }
    void store(int ply, int depth, int alpha, int beta, int result, const Move& move) {
        engine.store(ply, depth, alpha, beta, result, move);
    }

    TranspositionTable& table() { return *engine.table; }
    MoveOrdering& ordering() { return engine.ordering; }
    const Line& bestLine() const { return engine.bestLine; }
    std::int64_t nodeCount() const { return engine.nodeCount; }
    int abortReason() const { return engine.abortReason; }
    int thinkState() const { return engine.thinkState; }
    int searchPly() const { return engine.searchPly; }
    int algorithm() const { return engine.algorithm; }
    int nullReduction() const { return engine.nullReduction; }
    bool hasBook() const { return engine.book != nullptr; }

    struct Switches {
        bool useOpeningBook, post, quiescence, qnull, qhash, nullmove, mtd, iterative, verifynull, hashadjust, hash;
        bool operator==(const Switches&) const = default;
    };
    Switches switches() const {
        const Engine& e = engine;
        return {e.useOpeningBook, e.post, e.quiescence, e.qnull, e.qhash, e.nullmove,
                e.mtd, e.iterative, e.verifynull, e.hashadjust, e.hash};
    }
};

namespace testing {

constexpr unsigned EngineKeySeed = 2024;

// Reports input from a chosen call on; counts the calls.
struct ScriptedInput : InputPoll {
    long calls = 0;
    long arrivesAt = 0;  // 0: never
    bool inputPending() override {
        ++calls;
        return arrivesAt != 0 && calls >= arrivesAt;
    }
};

struct SettableClock : MoveClock {
    bool timeLeft = true;
    bool hasTimeForMove() const override { return timeLeft; }
};

// The engine's words as the console shows them.
struct ConsoleOutput : EngineOutput {
    void showThinking(const ThinkingLine& thinking) override { std::cout << consoleThinking(thinking) << std::flush; }
    void reportProblem(const std::string& text) override { std::cerr << text << '\n'; }
};

struct FakeClocks : ClockSource {
    SettableClock red, blue;
    int timeControls = 0;
    void setTimeControl(int, int, int) override { ++timeControls; }
    MoveClock* clockFor(int side) override { return side == Red ? &red : side == Blue ? &blue : nullptr; }
    void setTimeLeft(bool left) { red.timeLeft = blue.timeLeft = left; }
};

// A position, its rules, and an engine with the book switched off. The option store
// follows only the newest engine, and none once it is gone.
struct EngineGame {
    Game game;
    ScriptedInput input;
    FakeClocks clocks;
    ConsoleOutput output;
    std::unique_ptr<Engine> engine;
    EngineInspector inside;

    explicit EngineGame(const std::string& fen = startPositionFen, bool useBook = false)
        : game(fen), engine(makeEngine()), inside{*engine} {
        if (!useBook) options.set("useOpeningBook", "n");
    }
    ~EngineGame() { options = Options(); }

    Board& board() { return game.board; }
    Lawyer& lawyer() { return game.lawyer; }

private:
    std::unique_ptr<Engine> makeEngine() {
        options = Options();
        return std::make_unique<Engine>(game.board, game.lawyer, input, clocks, output);
    }
};

// Keys drawn the same way for every engine test, before any board of the test is built;
// the option store starts empty and forgets the test's engines afterwards.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        fillKeyTables(EngineKeySeed);
        options = Options();
    }
    ~EngineTest() override { options = Options(); }
};

}  // namespace testing
}  // namespace qorat
