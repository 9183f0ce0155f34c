// The think driver: the book first, then iterative deepening with MTD(f) probes; it returns
// early when input waits and goes on with the same search when called again.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <iostream>

#include "classic/engine.h"
#include "eval/evaluator.h"

namespace qorat {

void Engine::think() {
    if (thinkState == MoveReady) {
        std::cerr << "Shouldn't be happening: think()\n";
        return;
    }
    clock = clocks.clockFor(board.sideToMove());
    if (thinkState == Idle || !atSearchRoot()) startSearch();
    if (playBookMove()) return;

    abortReason = NoAbort;
    pollCountdown = 0;
    // A depth below one would leave the computer without a move.
    const int limit = firstMoveWanted ? 1 : std::max(1, static_cast<int>(searchPly));
    // A resumed search guesses from the depth it completed.
    int score = iterative && completedDepth > 0 ? completedScore : staticScore();
    int depth = limit;
    if (iterative) {
        depth = completedDepth + 1;
        if (limit < depth) {
            thinkState = MoveReady;
            return;
        }
    } else if (bestLine.empty() && limit > 1) {
        // The one deep search may run out of time; a one-ply answer stands ready first.
        score = searchIteration(1, score);
        if (abortReason == InputWaiting) {
            thinkState = Searching;
            return;
        }
    }
    for (;;) {
        score = searchIteration(depth, score);
        if (post) showThinking(depth, score);
        if (depth >= limit || abortReason != NoAbort || !clock->mayStartIteration()) break;
        // A mate found within the depth searched is as deep as it gets.
        if (std::abs(score) >= MateBound && MateScore - std::abs(score) <= depth) break;
        ++depth;
    }
    thinkState = abortReason == InputWaiting ? Searching : MoveReady;
}

void Engine::moveNow() {
    firstMoveWanted = true;
    if (thinkState == Searching && !bestLine.empty() && atSearchRoot()) thinkState = MoveReady;
}

Move Engine::takeMove() {
    thinkState = Idle;
    firstMoveWanted = false;
    if (bestLine.empty() || !atSearchRoot()) return nullMove;
    return bestLine[0].move;
}

void Engine::startSearch() {
    thinkState = Searching;
    bestLine.clear();
    table->age();
    ordering.clearKillers();
    startTime = std::chrono::steady_clock::now();
    nodeCount = 0;
    iterationDone = false;
    completedDepth = 0;
    completedScore = 0;
    rootKey1 = board.key1();
    rootKey2 = board.key2();
    rootPlies = board.history().size();
}

bool Engine::atSearchRoot() const {
    return board.key1() == rootKey1 && board.key2() == rootKey2 && board.history().size() == rootPlies;
}

Move Engine::bookMove() {
    if (!useOpeningBook || !book) return nullMove;
    const PackedMove packed = book->chooseMove(board);
    if (packed == 0) return nullMove;
    Move m = unpackMove(packed);
    return lawyer.isLegal(m) ? m : nullMove;
}

std::vector<Move> Engine::bookMoves() const {
    std::vector<Move> moves;
    if (!book) return moves;
    if (const std::vector<PackedMove>* packed = book->movesFor(board.toFen()))
        for (PackedMove p : *packed) moves.push_back(unpackMove(p));
    return moves;
}

bool Engine::playBookMove() {
    const Move m = bookMove();
    if (m.isNull()) return false;
    bestLine.clear();
    bestLine.push_back({m});
    thinkState = MoveReady;
    return true;
}

int Engine::searchIteration(int depth, int guess) {
    // Only a completed iteration replaces the line to play. Its first node looks at the clock.
    pollCountdown = 0;
    Line line;
    const int score = mtd ? mtdf(line, depth, guess) : searchNode(line, -Infinity, Infinity, 0, depth, true, true, quiescence);
    if (abortReason != NoAbort) return score;
    bestLine = line;
    iterationDone = true;
    completedDepth = depth;
    completedScore = score;
    return score;
}

int Engine::mtdf(Line& line, int depth, int guess) {
    int lower = -Infinity;
    int upper = Infinity;
    int g = guess;
    do {
        line.clear();
        const int beta = g == lower ? g + 1 : g;
        g = searchNode(line, beta - 1, beta, 0, depth, true, true, quiescence);
        if (abortReason != NoAbort) break;
        if (g >= beta)
            lower = g;
        else
            upper = g;
    } while (lower < upper);
    return g;
}

void Engine::showThinking(int depth, int score) {
    ThinkingLine thinking;
    thinking.depth = depth;
    thinking.score = reportClassicScore(score);
    thinking.interrupted = abortReason != NoAbort;
    thinking.milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - startTime).count();
    thinking.nodes = nodeCount;
    // The line as moves, and why it ends: the console shows both.
    std::array<Move, Line::Capacity> moves;
    for (std::size_t i = 0; i < bestLine.size(); ++i) moves[i] = bestLine[i].move;
    thinking.line = moves.data();
    thinking.lineLength = static_cast<int>(bestLine.size());
    thinking.lineEnd = bestLine.empty() ? NoTag : bestLine.back().tag;
    output.showThinking(thinking);
}

}  // namespace qorat
