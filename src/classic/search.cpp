// The recursive search: negamax over pseudo-legal moves, an illegal move being caught one
// ply later when the king can be taken; null-move pruning with verification, an alpha-beta
// or NegaScout loop over the moves, and an optional quiescence search.
#include <algorithm>

#include "classic/engine.h"
#include "eval/evaluator.h"

namespace qorat {

namespace {

// Verified null moves are not tried this close to the leaves.
constexpr int MinVerifiedNullDepth = 3;
constexpr int VerificationReduction = 2;

}  // namespace

bool Engine::stopRequested() {
    // The clock and the input are looked at every few thousand nodes, not at every one: a
    // poll is a system call, and a reply still comes within a millisecond or two.
    if (abortReason != NoAbort) return true;
    if (--pollCountdown > 0) return false;
    pollCountdown = PollInterval;
    if (iterationDone && !clock->hasTimeForMove()) {
        abortReason = TimeUp;
        return true;
    }
    if (input.inputPending()) {
        abortReason = InputWaiting;
        return true;
    }
    return false;
}

int Engine::staticScore() const { return evaluator.evaluate(board, lawyer); }

int Engine::searchNode(Line& line, int alpha, int beta, int ply, int depth, bool nullAllowed, bool verify,
                       bool quiesce) {
    if (abortReason != NoAbort) return 0;
    if (stopRequested()) return -Infinity;
    ordering.clearPreferred();
    ++nodeCount;

    if (lawyer.inCheck(opponent(board.sideToMove()))) {
        line.tagLast(KingCapture);
        return Infinity;
    }
    int repeated = 0;
    if (ply > 0 && repetition(ply, repeated)) return repeated;
    if (ply >= MaxPly) return staticScore() - ply;
    if (depth - ply <= 0)
        return quiesce ? quiesceNode(alpha, beta, ply, depth, nullAllowed) : staticScore() - ply;

    Move tableMove;
    int tableScore = 0;
    if (probe(ply, depth, alpha, beta, tableMove, tableScore, nullAllowed)) {
        line.push_back({tableMove, TableCut});
        return tableScore;
    }

    verify = verify && verifynull;
    nullAllowed = nullAllowed && nullmove;
    bool failHigh = false;
    if (ply > 0 && nullAllowed && !(verify && depth - ply < MinVerifiedNullDepth)) {
        // The null move's search empties the remembered moves; the node keeps its own.
        const bool remembered = !ordering.preferredMoves().empty();
        const Move tableHint = remembered ? ordering.preferredMoves().front() : nullMove;
        Line nullLine;
        Move pass = nullMove;
        board.makeMove(pass);
        const int v = -searchNode(nullLine, -beta, 1 - beta, ply + 1, depth - nullReduction, false, verify, quiesce);
        board.unmakeMove();
        ordering.clearPreferred();
        if (remembered) ordering.prefer(tableHint);
        if (abortReason != NoAbort) return v;
        if (v > beta && !verify) {
            line.tagLast(NullMoveCut);
            // A mate found after passing is no proof: the pass counted as a move.
            return v >= MateBound ? beta : v;
        }
        if (v > beta) {
            depth -= VerificationReduction;
            verify = false;
            failHigh = true;
        }
    }

    ordering.pushKillers(ply);
    MoveList moves;
    lawyer.generateMoves(moves, false);
    if (moves.empty()) {
        line.tagLast(NoMoveLeft);
        return ply - MateScore;
    }
    ordering.sort(moves);

    // The node's best line goes straight onto the end of the line it was given.
    const std::size_t start = line.size();
    int result = searchMoves(line, moves, alpha, beta, ply, depth, verify, quiesce);
    if (abortReason == NoAbort && failHigh && result < beta) {
        // The null move's promise did not hold: search again, one ply short of the full depth.
        line.truncate(start);
        ++depth;
        verify = true;
        result = searchMoves(line, moves, alpha, beta, ply, depth, verify, quiesce);
    }
    if (abortReason != NoAbort || line.size() == start) return result;

    const Move best = line[start].move;
    if (result > beta) ordering.storeKiller(best, ply);
    store(ply, depth, alpha, beta, result, best);
    return result;
}

int Engine::searchMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify,
                        bool quiesce) {
    return algorithm == NegaScout ? negaScoutMoves(out, moves, alpha, beta, ply, depth, verify, quiesce)
                                  : alphaBetaMoves(out, moves, alpha, beta, ply, depth, verify, quiesce);
}

int Engine::alphaBetaMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify,
                           bool quiesce) {
    if (moves.empty() || beta <= -Infinity) return ply - MateScore;
    int best = -Infinity;
    Line bestLine;
    Line child;
    for (Move& m : moves) {
        board.makeMove(m);
        child.clear();
        child.push_back({m});
        const int v = -searchNode(child, -beta, -std::max(alpha, best), ply + 1, depth, true, verify, quiesce);
        // A stopped search leaves at once: the moves not searched are worth nothing.
        if (abortReason != NoAbort) {
            board.unmakeMove();
            break;
        }
        // An illegal move scores -Infinity, which never beats the best so far.
        if (v > best) {
            best = v;
            bestLine = child;
        }
        board.unmakeMove();
        if (best >= beta) break;
    }
    // No legal move: mated (or stalemated, which loses alike) here, this far from the root.
    if (best == -Infinity) return ply - MateScore;
    out.append(bestLine);
    return best;
}

int Engine::negaScoutMoves(Line& out, MoveList& moves, int alpha, int beta, int ply, int depth, bool verify,
                           bool quiesce) {
    if (moves.empty() || alpha >= beta) return alpha;
    int a = alpha;
    int b = beta;
    Line bestLine;
    Line child;
    bool anyLegal = false;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        Move& m = moves[i];
        board.makeMove(m);
        child.clear();
        child.push_back({m});
        const int t = -searchNode(child, -b, -a, ply + 1, depth, true, verify, quiesce);
        if (abortReason != NoAbort) {
            board.unmakeMove();
            break;
        }
        anyLegal = anyLegal || t > -Infinity;
        if (a < t && t < beta && depth - 1 > ply && i > 0) {
            child.clear();
            child.push_back({m});
            const int u = -searchNode(child, -beta, -t, ply + 1, depth, true, verify, quiesce);
            if (abortReason != NoAbort) {
                board.unmakeMove();
                break;
            }
            a = std::max(u, t);
            bestLine = child;
        } else if (t > a) {
            a = t;
            bestLine = child;
        }
        board.unmakeMove();
        if (a >= beta) break;
        b = a + 1;
    }
    if (!anyLegal && abortReason == NoAbort) return ply - MateScore;
    out.append(bestLine);
    return a;
}

int Engine::quiesceNode(int alpha, int beta, int ply, int depth, bool nullAllowed) {
    if (stopRequested()) return -Infinity;
    if (lawyer.inCheck(opponent(board.sideToMove()))) return Infinity;

    Move tableMove;
    int tableScore = 0;
    if (qhash && probe(ply, depth, alpha, beta, tableMove, tableScore, nullAllowed)) return tableScore;

    if (nullAllowed && qnull) {
        // A one-ply full-width look, plies counted afresh, ending in static scores. It empties
        // the remembered moves; the node keeps its own.
        const bool remembered = !ordering.preferredMoves().empty();
        const Move tableHint = remembered ? ordering.preferredMoves().front() : nullMove;
        Line nullLine;
        Move pass = nullMove;
        board.makeMove(pass);
        const int v = -searchNode(nullLine, -beta, 1 - beta, 0, 1, false, false, false);
        board.unmakeMove();
        ordering.clearPreferred();
        if (remembered) ordering.prefer(tableHint);
        if (v >= beta) return staticScore();
    }

    MoveList moves;
    lawyer.generateMoves(moves, false);
    if (moves.empty()) return ply - MateScore;
    ordering.pushKillers(ply);
    ordering.sort(moves);
    ordering.captureRun(moves, lawyer);
    if (moves.empty()) return staticScore();

    Line bestLine;
    const int result = searchMoves(bestLine, moves, alpha, beta, ply, depth, false, true);
    if (abortReason != NoAbort || bestLine.empty()) return result;
    const Move best = bestLine[0].move;
    if (result > beta) ordering.storeKiller(best, ply);
    if (qhash) store(ply, depth, alpha, beta, result, best);
    return result;
}

}  // namespace qorat
