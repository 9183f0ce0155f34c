// What the search needs from outside the engine: a poll for waiting input, the game clocks,
// and a front end to show its thinking. The game supplies standard input, the real clocks and
// its output state; tests and tools supply their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "board/types.h"
#include "thinking/score.h"
#include "thinking/win_draw_loss.h"

namespace qorat {

class InputPoll {
public:
    // Whether input is waiting; never blocks.
    virtual bool inputPending() = 0;

protected:
    ~InputPoll() = default;
};

class MoveClock {
public:
    // Whether the side whose clock this is may still think about its current move.
    virtual bool hasTimeForMove() const = 0;
    // Whether another, deeper iteration is worth starting; a clock without a soft target
    // leaves that to hasTimeForMove.
    virtual bool mayStartIteration() const { return true; }

protected:
    ~MoveClock() = default;
};

class ClockSource {
public:
    virtual void setTimeControl(int moves, int seconds, int increment) = 0;
    virtual MoveClock* clockFor(int side) = 0;

protected:
    ~ClockSource() = default;
};

// One line of a search's thinking, in the search's own units.
struct ThinkingLine {
    int depth = 0;
    // The deepest ply any path reached; 0 when not counted.
    int selectiveDepth = 0;
    SearchScore score;
    // The score is only a bound: the iteration is searching again with a wider window.
    bool lowerBound = false;
    bool upperBound = false;
    // Cut short by the clock or by input: the line is that of the depth before.
    bool interrupted = false;
    // The line's rank among several searched at once, 1 the best; 0 when one line is shown.
    int multiPv = 0;
    // The results the score stands for, when the front end asked to see them.
    std::optional<WinDrawLoss> outcome;
    long long milliseconds = 0;
    std::int64_t nodes = 0;
    // The table's use, in thousandths; negative when not measured.
    int tableFull = -1;
    // The best line; a classic search also tells why it ends after its last move.
    const Move* line = nullptr;
    int lineLength = 0;
    int lineEnd = 0;
};

// Where the engine's words go, each front end writing them in its own way.
class EngineOutput {
public:
    virtual void showThinking(const ThinkingLine& thinking) = 0;
    // A setting the engine could not carry out.
    virtual void reportProblem(const std::string& text) = 0;

protected:
    ~EngineOutput() = default;
};

// What a search running on threads of its own hands back, from its main thread: its thinking
// as it goes, and at the end the move to play (no move when there is none) and the reply it
// expects.
class SearchListener {
public:
    virtual void showThinking(const ThinkingLine& thinking) = 0;
    virtual void searchDone(const Move& best, const Move& expectedReply, SearchScore score) = 0;

protected:
    ~SearchListener() = default;
};

}  // namespace qorat
