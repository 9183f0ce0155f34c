// The modern search ("search pvs"): principal variation search over iterative deepening with
// aspiration windows; a quiescence search over captures; razoring, reverse futility, null
// move with verification, internal iterative reduction, singular and check extensions,
// move-count, futility and exchange pruning, late-move reductions driven by history.
#include "search/modern_search.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <new>
#include <type_traits>

#include "search/exchange.h"
#include "search/search_params.h"

namespace qorat {

using namespace search_params;

namespace {

constexpr int NoScore = -PvsInfinite - 1;
constexpr int DrawScore = 0;

// The fields of the root progress as it is packed: depth, moves begun, move.
constexpr int RootFieldBits = 16;
constexpr std::uint64_t RootFieldMask = (std::uint64_t{1} << RootFieldBits) - 1;

// Late-move reductions, from a table of depth by move number; the tuned numbers are in
// search_params.h.
constexpr int ReductionEntries = 64;

int reductionTable(int index) {
    static const auto table = [] {
        std::array<int, ReductionEntries> r{};
        for (int i = 1; i < ReductionEntries; ++i)
            r[static_cast<std::size_t>(i)] = static_cast<int>(LmrLogTenths / 10.0 * std::log(i));
        return r;
    }();
    return table[static_cast<std::size_t>(std::min(index, ReductionEntries - 1))];
}

int reduction(bool improving, int depth, int moveCount) {
    const int r = reductionTable(depth) * reductionTable(moveCount);
    return (r + LmrRounding) / 1024 + (!improving && r > LmrNotImproving ? 1 : 0);
}

int futilityMoveCount(bool improving, int depth) {
    return (MoveCountBase + depth * depth) * (1 + (improving ? 1 : 0)) / 2;
}

int statBonus(int depth) {
    return depth > StatBonusMaxDepth ? 0 : StatBonusQuadratic * depth * depth + StatBonusLinear * depth - StatBonusOffset;
}

int mateIn(int ply) { return PvsMate - ply; }
int matedIn(int ply) { return ply - PvsMate; }

// Mates and rule wins are kept in the table as their distance from the node.
int scoreToTable(int score, int ply) {
    if (score > PvsMateBound) return score + ply;
    if (score < -PvsMateBound) return score - ply;
    return score;
}

int scoreFromTable(int score, int ply) {
    if (score > PvsMateBound) return score - ply;
    if (score < -PvsMateBound) return score + ply;
    return score;
}

// Whether the side has a piece that moves freely, so that passing is no zugzwang trap.
bool hasMajorPiece(const Board& board, int side) {
    return board.pieces(side, Rook).size() + board.pieces(side, Cannon).size() + board.pieces(side, Horse).size() > 0;
}

}  // namespace

// Every statistic and counter-move starts as zero bits, so zeroed memory is fresh histories
// (an aggregate with nothing to destroy). Pages mapped for them alone come zero from the
// system and are touched only as the search learns: sixty-four threads' four megabytes each,
// or a new game on each, are had at once rather than in seconds of clearing memory. (A
// calloc would do so only until the allocator kept freed histories to clear and reuse.)
static_assert(std::is_aggregate_v<Histories> && std::is_trivially_destructible_v<Histories>);

ModernSearch::HistoriesPointer ModernSearch::freshHistories() {
    void* memory = mmap(nullptr, sizeof(Histories), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    return HistoriesPointer(static_cast<Histories*>(memory));
}

void ModernSearch::FreeHistories::operator()(Histories* memory) const { munmap(memory, sizeof(Histories)); }

ModernSearch::ModernSearch(Board& b, Lawyer& l, SearchTable& t, SearchControl& c)
    : board(b), lawyer(l), control(c), table(t), histories(freshHistories()) {
    newSearch();
}

void ModernSearch::clearHistories() {
    histories = freshHistories();
    // The frames point into the histories.
    newSearch();
}

void ModernSearch::newSearch() {
    resetNodes();
    iterationDepth = 0;
    publishRoot(0, nullMove);
    selDepth = 0;
    rootMoves.fill(nullMove);
    // Killers stay from one iteration to the next, but not from one position to another.
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i] = Frame{};
        frames[i].ply = static_cast<int>(i) - FramesBelowRoot;
        frames[i].continuation = &histories->continuation[Empty][0];
        frames[i].staticEval = NoScore;
    }
}

bool ModernSearch::stop() {
    if (!stopped && control.stopRequested()) stopped = true;
    return stopped;
}

bool ModernSearch::skippedAtRoot(const Move& m) const {
    const auto listed = [&](const MoveList* moves) {
        return std::any_of(moves->begin(), moves->end(), [&](const Move& other) { return other.sameSquares(m); });
    };
    return (rootFilter != nullptr && !listed(rootFilter)) || (rootExcluded != nullptr && listed(rootExcluded));
}

int ModernSearch::evaluate(const Frame* ss) {
    if (accumulators.net() == nullptr) return pvsEvaluate(board, ss->sums);
    const int slot = slotOf(ss);
#ifdef QORAT_INVARIANT_CHECKS
    if (!accumulators.matches(slot, board)) {
        std::cerr << "net accumulators drifted at " << board.toFen() << '\n';
        std::abort();
    }
#endif
    // A net's evaluation, however wild, is never taken for a won or lost game.
    return std::clamp(accumulators.evaluate(slot, board.sideToMove()), 1 - PvsKnownWin, PvsKnownWin - 1);
}

void ModernSearch::prepareRoot(Frame* root) {
    root->sums = squareSums(board);
    if (accumulators.net() != nullptr) accumulators.refresh(slotOf(root), board);
}

void ModernSearch::prepareChild(Frame* ss, const Move& m) {
    (ss + 1)->sums = squareSumsAfter(board, ss->sums, m);
    if (accumulators.net() != nullptr) accumulators.defer(slotOf(ss), board, m);
}

bool ModernSearch::makeLegal(Frame* ss, Move& m) {
    const int mover = board.sideToMove();
    prepareChild(ss, m);
    board.makeMove(m);
    if (lawyer.isAttacked(board.kingSquare(mover), opponent(mover))) {
        board.unmakeMove();
        return false;
    }
    if (tableOn) table.prefetch(board);
    return true;
}

bool ModernSearch::repetition(int ply, int& score) {
    int loser = NoSide;
    if (!lawyer.repetition(loser)) return false;
    score = loser == NoSide ? DrawScore : loser == board.sideToMove() ? ply - PvsRuleWin : PvsRuleWin - ply;
    return true;
}

std::array<const PieceToHistory*, 4> ModernSearch::continuationsFor(const Frame* ss) const {
    return {(ss - 1)->continuation, (ss - 2)->continuation, (ss - 4)->continuation, (ss - 6)->continuation};
}

void ModernSearch::updateContinuations(Frame* ss, int piece, int to, int bonus) {
    for (int back : {1, 2, 4, 6}) {
        // A pass, and the frames below the root, read a row that nothing may teach.
        Frame* earlier = ss - back;
        if (!earlier->move.isNull()) (*earlier->continuation)[piece][to].update(bonus);
    }
}

void ModernSearch::updateQuietStats(Frame* ss, const Move& m, int bonus) {
    if (!m.sameSquares(ss->killers[0])) {
        ss->killers[1] = ss->killers[0];
        ss->killers[0] = m;
    }
    const int piece = board.piece(m.from);
    histories->butterfly[sideIndex(board.sideToMove())][m.from][m.to].update(bonus);
    updateContinuations(ss, piece, m.to, bonus);
    const Move previous = (ss - 1)->move;
    if (!previous.isNull()) histories->counters[board.piece(previous.to)][previous.to] = m;
}

void ModernSearch::updateAllStats(Frame* ss, const Move& best, int bestValue, int beta, const Move* quiets,
                                  int quietCount, const Move* captures, int captureCount, int depth) {
    const int side = sideIndex(board.sideToMove());
    const int larger = statBonus(depth + 1);
    if (board.piece(best.to) == Empty) {
        const int bonus = bestValue > beta + exchangeValue(Pawn) ? larger : statBonus(depth);
        updateQuietStats(ss, best, bonus);
        // The quiet moves tried before it failed: each loses what the best one gains.
        for (int i = 0; i < quietCount; ++i) {
            histories->butterfly[side][quiets[i].from][quiets[i].to].update(-bonus);
            updateContinuations(ss, board.piece(quiets[i].from), quiets[i].to, -bonus);
        }
    } else {
        histories->captures[board.piece(best.from)][best.to][typeOf(board.piece(best.to))].update(larger);
    }
    // The previous ply's first or killer move, refuted here, loses some of its standing.
    const Move previous = (ss - 1)->move;
    if (!previous.isNull() && previous.captured == Empty &&
        ((ss - 1)->moveCount == 1 || previous.sameSquares((ss - 1)->killers[0])))
        updateContinuations(ss - 1, board.piece(previous.to), previous.to, -larger);
    for (int i = 0; i < captureCount; ++i)
        histories->captures[board.piece(captures[i].from)][captures[i].to][typeOf(board.piece(captures[i].to))].update(
            -larger);
}

void ModernSearch::updatePrincipalLine(int ply, const Move& m) {
    auto& line = lines[static_cast<std::size_t>(ply)];
    const auto& below = lines[static_cast<std::size_t>(ply + 1)];
    line[0] = m;
    const int length = lineLengths[static_cast<std::size_t>(ply + 1)];
    std::copy_n(below.begin(), length, line.begin() + 1);
    lineLengths[static_cast<std::size_t>(ply)] = length + 1;
}

void ModernSearch::publishRoot(int movesBegun, const Move& m) {
    rootState.store(static_cast<std::uint64_t>(iterationDepth) << (2 * RootFieldBits) |
                        static_cast<std::uint64_t>(movesBegun) << RootFieldBits | packMove(m),
                    std::memory_order_relaxed);
}

ModernSearch::RootProgress ModernSearch::rootProgress() const {
    const std::uint64_t state = rootState.load(std::memory_order_relaxed);
    return {static_cast<int>(state >> (2 * RootFieldBits)), static_cast<int>((state >> RootFieldBits) & RootFieldMask),
            unpackMove(static_cast<PackedMove>(state & RootFieldMask))};
}

int ModernSearch::iterate(int depth, int guess) {
    stopped = false;
    iterationDepth = depth;
    publishRoot(0, nullMove);
    rootLength = 0;
    nullMinPly = 0;
    Frame* root = &frames[FramesBelowRoot];
    prepareRoot(root);
    root->inCheck = lawyer.inCheck(board.sideToMove());

    if (depth < AspirationDepth || std::abs(guess) >= PvsKnownWin) return search<true>(root, -PvsInfinite, PvsInfinite, depth, false);
    int delta = AspirationWindow;
    int alpha = std::max(guess - delta, -PvsInfinite);
    int beta = std::min(guess + delta, PvsInfinite);
    for (;;) {
        const int score = search<true>(root, alpha, beta, depth, false);
        if (stopped) return score;
        if (score <= alpha || score >= beta) control.windowFailed(depth, score, score >= beta);
        if (score <= alpha) {
            beta = (alpha + beta) / 2;
            alpha = std::max(score - delta, -PvsInfinite);
        } else if (score >= beta) {
            beta = std::min(score + delta, PvsInfinite);
        } else {
            return score;
        }
        delta += delta / AspirationGrowthDivisor + AspirationGrowthStep;
    }
}

int ModernSearch::quietLine(std::array<Move, MaxPly>& line) {
    stopped = false;
    Frame* root = &frames[FramesBelowRoot];
    prepareRoot(root);
    root->inCheck = lawyer.inCheck(board.sideToMove());
    quiesce<true>(root, -PvsInfinite, PvsInfinite);
    const int length = lineLengths[0];
    std::copy_n(lines[0].begin(), length, line.begin());
    return length;
}

template <bool PvNode>
int ModernSearch::search(Frame* ss, int alpha, int beta, int depth, bool cutNode) {
    const int ply = ss->ply;
    const bool root = PvNode && ply == 0;
    if (depth <= 0) return quiesce<PvNode>(ss, alpha, beta);
    if (stop()) return 0;
    nodeCount.store(nodeCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (PvNode) {
        lineLengths[static_cast<std::size_t>(ply)] = 0;
        selDepth = std::max(selDepth, ply + 1);
    }

    const bool inCheck = ss->inCheck;
    const int us = board.sideToMove();
    (ss + 1)->excluded = nullMove;
    (ss + 2)->killers = {nullMove, nullMove};
    ss->statScore = 0;
    ss->moveCount = 0;

    if (!root) {
        int repeated = 0;
        if (repetition(ply, repeated)) return repeated;
        if (ply >= MaxPly - 1) return inCheck ? DrawScore : evaluate(ss);
        // A mate found nearer the root bounds what this node can change.
        alpha = std::max(alpha, matedIn(ply));
        beta = std::min(beta, mateIn(ply + 1));
        if (alpha >= beta) return alpha;
    }

    // The table: a cut where its bound suffices, else a move to try first.
    const Move excluded = ss->excluded;
    bool hit = false;
    TableEntry* entry = tableOn ? table.probe(board, hit) : nullptr;
    hit = hit && excluded.isNull();
    const int tableValue = hit ? scoreFromTable(entry->score, ply) : NoScore;
    Move tableMove = hit ? unpackMove(entry->move) : nullMove;
    // At the root the last iteration's best move comes first, should the table have lost it.
    if (root && tableMove.isNull()) tableMove = rootMoves[0];
    const int tableDepth = hit ? entry->depth() : 0;
    const TableBound tableBound = hit ? entry->bound() : TableBound::None;
    const bool principal = PvNode || (hit && entry->onPrincipalLine());
    const bool tableCapture = !tableMove.isNull() && board.piece(tableMove.to) != Empty;
    if (!PvNode && hit && tableDepth >= depth &&
        bounds(tableBound, tableValue >= beta ? TableBound::Lower : TableBound::Upper)) {
        if (!tableMove.isNull() && tableValue >= beta && board.piece(tableMove.to) == Empty &&
            lawyer.isPseudoLegal(tableMove))
            updateQuietStats(ss, tableMove, statBonus(depth));
        return tableValue;
    }

    // The static evaluation, bettered by the table's bound when it says more.
    int eval = NoScore;
    bool improving = false;
    if (inCheck) {
        ss->staticEval = NoScore;
    } else {
        ss->staticEval = eval = hit && entry->eval != NoScore ? entry->eval : evaluate(ss);
        if (hit && tableValue != NoScore && bounds(tableBound, tableValue > eval ? TableBound::Lower : TableBound::Upper))
            eval = tableValue;
        improving = (ss - 2)->staticEval == NoScore || ss->staticEval >= (ss - 2)->staticEval;

        // Razoring: far below alpha at the last ply, only captures could help.
        if (!root && depth == 1 && eval <= alpha - RazorMargin) return quiesce<PvNode>(ss, alpha, beta);

        // Reverse futility: so far above beta that one move cannot bring it down. Not when
        // beta is a mate: no evaluation shows that a mate is not coming.
        if (!PvNode && depth < ReverseFutilityDepth && eval - ReverseFutilityPerPly * (depth - (improving ? 1 : 0)) >= beta &&
            eval < PvsKnownWin && beta > -PvsKnownWin)
            return eval;

        // Null move: passing and still holding beta shows the node is won; the reduction grows
        // with the depth and the margin.
        if (!PvNode && !(ss - 1)->move.isNull() && (ss - 1)->statScore < NullStatScoreLimit && eval >= beta &&
            eval >= ss->staticEval &&
            ss->staticEval >= beta - NullEvalPerPly * depth + NullEvalBase - (improving ? NullEvalImproving : 0) &&
            excluded.isNull() && beta > -PvsKnownWin && hasMajorPiece(board, us) && (ply >= nullMinPly || us != nullSide)) {
            const int r = (NullReductionBase + NullReductionPerPly * depth) / NullReductionDivisor +
                          std::min((eval - beta) / NullMarginDivisor, NullMarginMost);
            ss->move = nullMove;
            ss->continuation = &histories->continuation[Empty][0];
            Move pass = nullMove;
            prepareChild(ss, pass);
            (ss + 1)->inCheck = false;
            board.makeMove(pass);
            int nullValue = -search<false>(ss + 1, -beta, -beta + 1, depth - r, !cutNode);
            board.unmakeMove();
            if (stopped) return 0;
            if (nullValue >= beta) {
                // A mate found after passing is no proof: the pass counted as a move.
                if (nullValue > PvsMateBound) nullValue = beta;
                if (nullMinPly != 0 || (std::abs(beta) < PvsKnownWin && depth < NullVerificationDepth)) return nullValue;
                // Deep down, the pass is verified by a search without it.
                nullMinPly = ply + NullVerificationQuarters * (depth - r) / 4;
                nullSide = us;
                const int verified = search<false>(ss, beta - 1, beta, depth - r, false);
                nullMinPly = 0;
                if (verified >= beta) return nullValue;
            }
        }

        // Internal iterative reduction: without a move to start from, this node is searched
        // less deep, and the table has one next time.
        if (PvNode && depth >= IirPrincipalDepth && tableMove.isNull()) depth -= IirPrincipalPlies;
        if (cutNode && depth >= IirCutDepth && tableMove.isNull()) depth -= 1;
    }

    const std::array<const PieceToHistory*, 4> continuations = continuationsFor(ss);
    const Move previous = (ss - 1)->move;
    const Move counter = previous.isNull() ? nullMove : histories->counters[board.piece(previous.to)][previous.to];
    MovePicker picker(board, lawyer, *histories, tableMove, inCheck, continuations, ss->killers, counter);

    int bestValue = -PvsInfinite;
    Move bestMove = nullMove;
    int moveCount = 0;
    std::array<Move, 64> quiets;
    std::array<Move, 32> captures;
    int quietCount = 0;
    int captureCount = 0;
    bool singularReduction = false;
    bool moveCountPruning = false;

    for (Move move = picker.next(moveCountPruning); !move.isNull(); move = picker.next(moveCountPruning)) {
        if (move.sameSquares(excluded)) continue;
        if (root && skippedAtRoot(move)) continue;
        const int piece = board.piece(move.from);
        const int victim = board.piece(move.to);
        const bool capture = victim != Empty;
        if (!makeLegal(ss, move)) continue;
        ss->moveCount = ++moveCount;
        if (root) publishRoot(moveCount, move);
        const bool givesCheck = lawyer.inCheck(board.sideToMove());
        int newDepth = depth - 1;
        // The exchange on the target square, from the mover's side; worked out once if needed.
        int exchange = NoScore;
        auto exchangeValueOfMove = [&] {
            if (exchange == NoScore) exchange = exchangeValue(typeOf(victim)) - exchangeOn(board, lawyer, move.to);
            return exchange;
        };

        // Pruning at shallow depth, never of checks or while mated. A quiet move may yet
        // mate or stalemate: none is pruned while only a mate would raise alpha.
        if (!root && bestValue > -PvsMateBound && hasMajorPiece(board, us)) {
            moveCountPruning = alpha < PvsKnownWin && moveCount >= futilityMoveCount(improving, depth);
            if (!capture && !givesCheck && alpha < PvsKnownWin) {
                const int lmrDepth = std::max(newDepth - reduction(improving, depth, moveCount), 0);
                bool prune = moveCountPruning;
                // Moves that continue badly from the last two are not worth it.
                if (!prune &&
                    lmrDepth < ContinuationPruneDepth + ((ss - 1)->statScore > 0 || (ss - 1)->moveCount == 1 ? 1 : 0) &&
                    (*continuations[0])[piece][move.to] < 0 && (*continuations[1])[piece][move.to] < 0)
                    prune = true;
                if (!prune && lmrDepth < QuietFutilityDepth && !inCheck &&
                    ss->staticEval + QuietFutilityBase + QuietFutilityPerPly * lmrDepth <= alpha)
                    prune = true;
                if (!prune &&
                    exchangeValueOfMove() < -(QuietExchangeBase - std::min(lmrDepth, QuietExchangeMostDepth)) * lmrDepth * lmrDepth)
                    prune = true;
                if (prune) {
                    board.unmakeMove();
                    continue;
                }
            } else if (!givesCheck && exchangeValueOfMove() < -CaptureExchangePerPly * depth) {
                board.unmakeMove();
                continue;
            }
        }

        // Extensions: the table's move when every other falls short of it, and safe checks.
        // Only a move that failed high is tried for singular: on an exact score, one from a
        // principal line, the test costs half again the nodes and won no games.
        int extension = 0;
        if (depth >= SingularDepth && move.sameSquares(tableMove) && !root && excluded.isNull() &&
            std::abs(tableValue) < PvsKnownWin && tableBound == TableBound::Lower &&
            tableDepth >= depth - SingularTableDepthMargin) {
            board.unmakeMove();
            const int singularBeta = tableValue - SingularMarginPerPly * depth;
            ss->excluded = move;
            const int value = search<false>(ss, singularBeta - 1, singularBeta, depth / 2, cutNode);
            ss->excluded = nullMove;
            if (stopped) return 0;
            if (value < singularBeta) {
                extension = 1;
                singularReduction = true;
            } else if (singularBeta >= beta) {
                // Several moves hold beta: this node cuts whatever the table's move gives.
                return singularBeta;
            }
            prepareChild(ss, move);
            board.makeMove(move);
        } else if (givesCheck && exchangeValueOfMove() >= 0) {
            extension = 1;
        }
        newDepth += extension;

        ss->move = move;
        ss->continuation = &histories->continuation[piece][move.to];
        (ss + 1)->inCheck = givesCheck;

        int value = 0;
        bool fullDepth;
        bool reduced = false;
        if (depth >= LmrMinDepth && moveCount > 1 + (root ? LmrRootMoves : 0) &&
            (!capture || moveCountPruning || ss->staticEval + exchangeValue(typeOf(victim)) <= alpha || cutNode)) {
            int r = reduction(improving, depth, moveCount);
            if (principal) r -= LmrPrincipal;
            if ((ss - 1)->moveCount > LmrParentMoveCount) --r;
            if (singularReduction) --r;
            if (givesCheck) --r;
            if (!capture) {
                if (tableCapture) ++r;
                if (cutNode) r += LmrCutNode;
                ss->statScore = histories->butterfly[sideIndex(us)][move.from][move.to] +
                                (*continuations[0])[piece][move.to] + (*continuations[1])[piece][move.to] +
                                (*continuations[2])[piece][move.to] - StatScoreOffset;
                if (ss->statScore >= LmrOwnStatLess && (ss - 1)->statScore < LmrParentStatLess)
                    --r;
                else if ((ss - 1)->statScore >= LmrParentStatMore && ss->statScore < LmrOwnStatMore)
                    ++r;
                r -= ss->statScore / StatScoreDivisor;
            }
            const int reducedDepth = std::clamp(newDepth - r, 1, std::max(newDepth, 1));
            value = -search<false>(ss + 1, -(alpha + 1), -alpha, reducedDepth, true);
            fullDepth = value > alpha && reducedDepth != newDepth;
            reduced = true;
        } else {
            fullDepth = !PvNode || moveCount > 1;
        }
        if (fullDepth) {
            value = -search<false>(ss + 1, -(alpha + 1), -alpha, newDepth, !cutNode);
            if (reduced && !capture) updateContinuations(ss, piece, move.to, value > alpha ? statBonus(newDepth) : -statBonus(newDepth));
        }
        if (PvNode && (moveCount == 1 || (value > alpha && (root || value < beta)))) {
            lineLengths[static_cast<std::size_t>(ply + 1)] = 0;
            value = -search<true>(ss + 1, -beta, -alpha, newDepth, false);
        } else if (PvNode) {
            // A line the child found without searching for one is no line.
            lineLengths[static_cast<std::size_t>(ply + 1)] = 0;
        }
        board.unmakeMove();
        if (stopped) return 0;

        if (value > bestValue) {
            bestValue = value;
            if (value > alpha) {
                bestMove = move;
                if (PvNode) updatePrincipalLine(ply, move);
                // The root keeps its best move, even if the clock stops the iteration.
                if (root) {
                    rootLength = lineLengths[0];
                    std::copy_n(lines[0].begin(), rootLength, rootMoves.begin());
                }
                if (PvNode && value < beta) {
                    alpha = value;
                } else {
                    ss->statScore = 0;
                    break;
                }
            }
        }
        if (!move.sameSquares(bestMove)) {
            if (capture && captureCount < static_cast<int>(captures.size()))
                captures[static_cast<std::size_t>(captureCount++)] = move;
            else if (!capture && quietCount < static_cast<int>(quiets.size()))
                quiets[static_cast<std::size_t>(quietCount++)] = move;
        }
    }

    // No legal move loses, whether mated or stalemated.
    if (moveCount == 0) return excluded.isNull() ? matedIn(ply) : alpha;
    if (!bestMove.isNull()) {
        updateAllStats(ss, bestMove, bestValue, beta, quiets.data(), quietCount, captures.data(), captureCount, depth);
    } else if (depth >= PriorBonusDepth && !previous.isNull() && previous.captured == Empty) {
        // The opponent's move that left this node without a good answer earns credit.
        updateContinuations(ss - 1, board.piece(previous.to), previous.to, statBonus(depth));
    }

    // A score from the rule of repetition holds on this path only; the table keeps none, nor
    // the score of a root searched over some of its moves only.
    if (tableSaves && excluded.isNull() && !isPvsRuleScore(bestValue) &&
        !(root && (rootFilter != nullptr || rootExcluded != nullptr))) {
        const TableBound bound = bestValue >= beta                 ? TableBound::Lower
                                 : PvNode && !bestMove.isNull() ? TableBound::Exact
                                                                : TableBound::Upper;
        table.save(entry, board, scoreToTable(bestValue, ply), bound, depth, packMove(bestMove), ss->staticEval, principal);
    }
    return bestValue;
}

template <bool PvNode>
int ModernSearch::quiesce(Frame* ss, int alpha, int beta, int depth) {
    if (stop()) return 0;
    nodeCount.store(nodeCount.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    const int ply = ss->ply;
    if (PvNode) lineLengths[static_cast<std::size_t>(ply)] = 0;
    const bool inCheck = ss->inCheck;
    if (ply >= MaxPly - 1) return inCheck ? DrawScore : evaluate(ss);

    bool hit = false;
    TableEntry* entry = tableOn ? table.probe(board, hit) : nullptr;
    const int tableValue = hit ? scoreFromTable(entry->score, ply) : NoScore;
    const Move tableMove = hit ? unpackMove(entry->move) : nullMove;
    if (!PvNode && hit && entry->depth() >= SearchTable::QuiescenceDepth &&
        bounds(entry->bound(), tableValue >= beta ? TableBound::Lower : TableBound::Upper))
        return tableValue;

    const int originalAlpha = alpha;
    int bestValue;
    int futilityBase;
    if (inCheck) {
        ss->staticEval = NoScore;
        bestValue = futilityBase = -PvsInfinite;
    } else {
        ss->staticEval = bestValue = hit && entry->eval != NoScore ? entry->eval : evaluate(ss);
        if (hit && tableValue != NoScore && bounds(entry->bound(), tableValue > bestValue ? TableBound::Lower : TableBound::Upper))
            bestValue = tableValue;
        // Standing pat: the side to move need not take anything.
        if (bestValue >= beta) {
            if (tableSaves && !hit)
                table.save(entry, board, scoreToTable(bestValue, ply), TableBound::Lower, SearchTable::QuiescenceDepth, 0,
                           ss->staticEval, false);
            return bestValue;
        }
        alpha = std::max(alpha, bestValue);
        futilityBase = bestValue + QuiescenceFutility;
    }

    const std::array<const PieceToHistory*, 4> continuations = continuationsFor(ss);
    MovePicker picker(board, lawyer, *histories, tableMove, inCheck, continuations);
    const bool recapturesOnly = !inCheck && depth <= -QuiescenceRecaptureDepth;
    const int recaptureSquare = (ss - 1)->move.to;
    Move bestMove = nullMove;
    int moveCount = 0;
    for (Move move = picker.next(); !move.isNull(); move = picker.next()) {
        if (recapturesOnly && move.to != recaptureSquare) continue;
        const int piece = board.piece(move.from);
        const int victim = board.piece(move.to);
        if (!makeLegal(ss, move)) continue;
        ++moveCount;
        const bool givesCheck = lawyer.inCheck(board.sideToMove());
        if (!inCheck) {
            // Taking this cannot lift the score to alpha, nor can an exchange that loses.
            const int futility = futilityBase + exchangeValue(typeOf(victim));
            if (!givesCheck && futility <= alpha) {
                bestValue = std::max(bestValue, futility);
                board.unmakeMove();
                continue;
            }
            if (exchangeValue(typeOf(victim)) - exchangeOn(board, lawyer, move.to) < 0) {
                board.unmakeMove();
                continue;
            }
        }
        ss->move = move;
        ss->continuation = &histories->continuation[piece][move.to];
        (ss + 1)->inCheck = givesCheck;
        const int value = -quiesce<PvNode>(ss + 1, -beta, -alpha, depth - 1);
        board.unmakeMove();
        if (stopped) return 0;
        if (value > bestValue) {
            bestValue = value;
            if (value > alpha) {
                bestMove = move;
                if (PvNode) updatePrincipalLine(ply, move);
                if (PvNode && value < beta) {
                    alpha = value;
                } else {
                    break;
                }
            }
        }
    }
    // In check with no way out: mated, or stalemated, which loses alike.
    if (inCheck && moveCount == 0) return matedIn(ply);

    if (tableSaves && !isPvsRuleScore(bestValue)) {
        const TableBound bound = bestValue >= beta                          ? TableBound::Lower
                                 : PvNode && bestValue > originalAlpha ? TableBound::Exact
                                                                       : TableBound::Upper;
        table.save(entry, board, scoreToTable(bestValue, ply), bound, SearchTable::QuiescenceDepth, packMove(bestMove),
                   ss->staticEval, false);
    }
    return bestValue;
}

template int ModernSearch::search<true>(Frame*, int, int, int, bool);
template int ModernSearch::search<false>(Frame*, int, int, int, bool);

}  // namespace qorat
