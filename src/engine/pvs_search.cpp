// The modern search ("search pvs"): principal variation search with aspiration windows over
// iterative deepening, a quiescence search with stand-pat over captures (and every move in
// check), check extension, null move guarded against zugzwang, late-move reductions, and
// ordering by the table's move, captures, killers and history.
#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/pvs_evaluation.h"

namespace qorat {

namespace {

constexpr int AspirationDepth = 4;
constexpr int AspirationWindow = 12;
constexpr int NullMoveMinDepth = 2;
constexpr int NullMoveBaseReduction = 3;
constexpr int NullMoveDepthDivisor = 4;
constexpr int ReductionMinDepth = 3;
constexpr int ReductionFirstMove = 3;
constexpr int FutilityMaxDepth = 2;
constexpr int FutilityMarginPerPly = 25;
constexpr int HistoryCeiling = 1 << 20;

// Move scores for ordering: the table's move, captures by victim then attacker, killers,
// then quiet moves by their history.
constexpr int TableMoveScore = 1 << 30;
constexpr int CaptureScore = 1 << 28;
constexpr int VictimWeight = 64;
constexpr int FirstKillerScore = (1 << 27) + 1;
constexpr int SecondKillerScore = 1 << 27;

bool isCapture(const Board& board, const Move& m) { return board.piece(m.to) != Empty; }

// Whether the side has a piece that can move freely, so that passing is no zugzwang trap.
bool hasMajorPiece(const Board& board, int side) {
    return board.pieces(side, Rook).size() + board.pieces(side, Cannon).size() + board.pieces(side, Horse).size() > 0;
}

}  // namespace

Engine::PvsTables::PvsTables() {
    for (int depth = 1; depth < MaxPly; ++depth)
        for (int index = 1; index < ReductionMoves; ++index)
            reductions[depth][index] =
                static_cast<std::uint8_t>(0.5 + std::log(static_cast<double>(depth)) * std::log(static_cast<double>(index)) / 2.0);
}

void Engine::clearPvsTables() {
    for (auto& row : pvs.history) row.fill(0);
    for (auto& slots : pvs.killers) slots = {nullMove, nullMove};
}

int Engine::scoreMove(const Move& m, const Move& tableMove, int ply) const {
    if (m.sameSquares(tableMove)) return TableMoveScore;
    const int victim = board.piece(m.to);
    if (victim != Empty)
        return CaptureScore + pieceValues[typeOf(victim)] * VictimWeight - pieceValues[typeOf(board.piece(m.from))];
    if (m.sameSquares(pvs.killers[ply][0])) return FirstKillerScore;
    if (m.sameSquares(pvs.killers[ply][1])) return SecondKillerScore;
    return pvs.history[m.from][m.to];
}

void Engine::rewardQuiet(const Move& m, int ply, int depth) {
    if (!m.sameSquares(pvs.killers[ply][0])) {
        pvs.killers[ply][1] = pvs.killers[ply][0];
        pvs.killers[ply][0] = m;
    }
    int& h = pvs.history[m.from][m.to];
    h += depth * depth;
    if (h > HistoryCeiling)
        for (auto& row : pvs.history)
            for (int& value : row) value /= 2;
}

// Brings the best-scored of the moves from index i on to index i.
void Engine::pickMove(MoveList& moves, std::array<int, MoveList::Capacity>& scores, std::size_t i) {
    std::size_t best = i;
    for (std::size_t j = i + 1; j < moves.size(); ++j)
        if (scores[j] > scores[best]) best = j;
    std::swap(moves[i], moves[best]);
    std::swap(scores[i], scores[best]);
}

bool Engine::leavesKingAttacked(int mover) const { return lawyer.isAttacked(board.kingSquare(mover), opponent(mover)); }

int Engine::pvsQuiesce(int alpha, int beta, int ply) {
    if (stopRequested()) return 0;
    ++nodeCount;
    pvs.length[ply] = 0;
    const bool inCheck = lawyer.inCheck(board.sideToMove());
    if (ply >= MaxPly - 1) return pvsEvaluate(board);
    int best = ply - MateScore;
    if (!inCheck) {
        best = pvsEvaluate(board);
        if (best >= beta) return best;
        alpha = std::max(alpha, best);
    }
    MoveList moves;
    lawyer.generateMoves(moves, false);
    std::array<int, MoveList::Capacity> scores;
    std::size_t kept = 0;
    for (const Move& m : moves) {
        if (!inCheck && !isCapture(board, m)) continue;
        moves[kept] = m;
        scores[kept++] = scoreMove(m, nullMove, ply);
    }
    moves.truncate(kept);
    const int mover = board.sideToMove();
    for (std::size_t i = 0; i < moves.size(); ++i) {
        pickMove(moves, scores, i);
        Move m = moves[i];
        board.makeMove(m);
        if (leavesKingAttacked(mover)) {
            board.unmakeMove();
            continue;
        }
        const int score = -pvsQuiesce(-beta, -alpha, ply + 1);
        board.unmakeMove();
        if (abortReason != NoAbort) return 0;
        if (score > best) {
            best = score;
            if (score > alpha) {
                alpha = score;
                if (score >= beta) break;
            }
        }
    }
    return best;
}

int Engine::pvsNode(int alpha, int beta, int depth, int ply, bool nullAllowed) {
    if (stopRequested()) return 0;
    ++nodeCount;
    pvs.length[ply] = 0;
    const bool pvNode = beta - alpha > 1;
    const bool inCheck = lawyer.inCheck(board.sideToMove());
    noteCheck(inCheck);

    int repeated = 0;
    if (ply > 0 && repetition(ply, repeated)) return repeated;
    if (ply >= MaxPly - 1) return pvsEvaluate(board);
    // A check is answered a ply deeper: forced lines are where the tactics are.
    if (inCheck) ++depth;
    if (depth <= 0) return pvsQuiesce(alpha, beta, ply);

    // A mate already found nearer the root bounds what this node can change.
    alpha = std::max(alpha, ply - MateScore);
    beta = std::min(beta, MateScore - ply - 1);
    if (alpha >= beta) return alpha;

    Move tableMove = nullMove;
    if (hash) {
        const HashEntry entry = table->lookup(board);
        if (entry.bound != NoBound) {
            tableMove = unpackMove(entry.move);
            const int score = fromTable(entry.score, ply);
            if (!pvNode && entry.depth >= depth &&
                (entry.bound == ExactBound || (entry.bound == LowerBound && score >= beta) ||
                 (entry.bound == UpperBound && score <= alpha)))
                return score;
        }
    }

    const int mover = board.sideToMove();
    const int standing = inCheck ? -Infinity : pvsEvaluate(board);
    if (!pvNode && !inCheck && nullAllowed && nullmove && depth >= NullMoveMinDepth && standing >= beta &&
        hasMajorPiece(board, mover)) {
        Move pass = nullMove;
        board.makeMove(pass);
        const int reduction = NullMoveBaseReduction + depth / NullMoveDepthDivisor;
        const int score = -pvsNode(-beta, -beta + 1, depth - 1 - reduction, ply + 1, false);
        board.unmakeMove();
        if (abortReason != NoAbort) return 0;
        if (score >= beta) return score >= MateBound ? beta : score;
    }

    MoveList moves;
    lawyer.generateMoves(moves, false);
    std::array<int, MoveList::Capacity> scores;
    for (std::size_t i = 0; i < moves.size(); ++i) scores[i] = scoreMove(moves[i], tableMove, ply);

    const int originalAlpha = alpha;
    int best = -Infinity;
    Move bestMove = nullMove;
    int legal = 0;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        pickMove(moves, scores, i);
        Move m = moves[i];
        const bool capture = isCapture(board, m);
        // Quiet moves that cannot lift a hopeless score near the leaves are not tried.
        if (!pvNode && !inCheck && !capture && legal > 0 && depth <= FutilityMaxDepth && best > -MateBound &&
            standing + FutilityMarginPerPly * depth <= alpha) {
            // What the move might have reached bounds the node's score from above.
            best = std::max(best, standing + FutilityMarginPerPly * depth);
            continue;
        }
        board.makeMove(m);
        if (leavesKingAttacked(mover)) {
            board.unmakeMove();
            continue;
        }
        ++legal;
        int score;
        if (legal == 1) {
            score = -pvsNode(-beta, -alpha, depth - 1, ply + 1, true);
        } else {
            int reduction = 0;
            if (depth >= ReductionMinDepth && legal > ReductionFirstMove && !capture && !inCheck)
                reduction = pvs.reductions[std::min(depth, MaxPly - 1)][std::min(legal, ReductionMoves - 1)] - (pvNode ? 1 : 0);
            reduction = std::clamp(reduction, 0, depth - 1);
            score = -pvsNode(-alpha - 1, -alpha, depth - 1 - reduction, ply + 1, true);
            if (score > alpha && reduction > 0) score = -pvsNode(-alpha - 1, -alpha, depth - 1, ply + 1, true);
            if (score > alpha && score < beta) score = -pvsNode(-beta, -alpha, depth - 1, ply + 1, true);
        }
        board.unmakeMove();
        if (abortReason != NoAbort) return 0;
        if (score <= best) continue;
        best = score;
        bestMove = m;
        if (score <= alpha) continue;
        alpha = score;
        pvs.line[ply][0] = m;
        std::copy_n(pvs.line[ply + 1].begin(), pvs.length[ply + 1], pvs.line[ply].begin() + 1);
        pvs.length[ply] = pvs.length[ply + 1] + 1;
        // The root keeps its best fully searched move, even if the clock stops the iteration.
        if (ply == 0) adoptRootLine();
        if (score >= beta) {
            if (!capture) rewardQuiet(m, ply, depth);
            break;
        }
    }
    // No legal move loses, whether mated or stalemated.
    if (legal == 0) return ply - MateScore;

    // A score from the rule of repetition holds on this path only; the table keeps none.
    if (hash && !isPerpetualScore(best)) {
        HashEntry entry;
        entry.key1 = static_cast<std::uint32_t>(board.key1());
        entry.key2 = static_cast<std::uint32_t>(board.key2());
        entry.move = packMove(bestMove);
        entry.score = static_cast<std::int16_t>(toTable(best, ply));
        entry.depth = static_cast<std::int16_t>(depth);
        entry.bound = best >= beta ? LowerBound : best > originalAlpha ? ExactBound : UpperBound;
        table->insert(entry);
    }
    return best;
}

void Engine::adoptRootLine() {
    bestLine.clear();
    for (int i = 0; i < pvs.length[0]; ++i) bestLine.push_back({pvs.line[0][static_cast<std::size_t>(i)]});
}

int Engine::pvsIteration(int depth, int guess) {
    if (depth < AspirationDepth || std::abs(guess) >= MateBound) return pvsNode(-Infinity, Infinity, depth, 0, false);
    int delta = AspirationWindow;
    int alpha = guess - delta;
    int beta = guess + delta;
    for (;;) {
        const int score = pvsNode(alpha, beta, depth, 0, false);
        if (abortReason != NoAbort) return score;
        if (score <= alpha) {
            alpha = std::max(-Infinity, score - delta);
        } else if (score >= beta) {
            beta = std::min(Infinity, score + delta);
        } else {
            return score;
        }
        delta *= 2;
    }
}

void Engine::thinkPvs(int limit) {
    int score = completedScore;
    for (int depth = completedDepth + 1; depth <= limit; ++depth) {
        pollCountdown = 0;
        score = pvsIteration(depth, score);
        if (abortReason != NoAbort) break;
        iterationDone = true;
        completedDepth = depth;
        completedScore = score;
        if (post && xboardOutput) printXBoardPost(depth, score);
        if (post && !xboardOutput) printPost(depth, score);
        if (!clock->mayStartIteration()) break;
        if (std::abs(score) >= MateBound && MateScore - std::abs(score) <= depth) break;
    }
    thinkState = abortReason == InputWaiting ? Searching : MoveReady;
}

}  // namespace qorat
