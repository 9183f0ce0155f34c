// The modern search's staged move ordering.
#include "search/move_picker.h"

#include <algorithm>

#include "search/exchange.h"
#include "search/search_params.h"

namespace qorat {

using namespace search_params;

namespace {

// Lifts every capture out of check above every quiet evasion.
constexpr int EvasionCaptureBonus = 1 << 28;

}  // namespace

MovePicker::MovePicker(Board& b, Lawyer& l, const Histories& h, Move tt, bool inCheck,
                       const std::array<const PieceToHistory*, 4>& c, const std::array<Move, 2>& killers, Move counter)
    : board(b), lawyer(l), histories(h), tableMove(tt), continuations(c), refutations{killers[0], killers[1], counter},
      stage(inCheck ? EvasionTable : TableStage) {
    if (tableMove.isNull() || !lawyer.isPseudoLegal(tableMove)) {
        tableMove = nullMove;
        stage = static_cast<Stage>(stage + 1);
    }
}

MovePicker::MovePicker(Board& b, Lawyer& l, const Histories& h, Move tt, bool inCheck,
                       const std::array<const PieceToHistory*, 4>& c)
    : board(b), lawyer(l), histories(h), tableMove(tt), continuations(c), stage(inCheck ? EvasionTable : QuiescenceTable) {
    // Out of check the quiescence search wants the table's move only when it takes something.
    if (tableMove.isNull() || !lawyer.isPseudoLegal(tableMove) || (!inCheck && board.piece(tableMove.to) == Empty)) {
        tableMove = nullMove;
        stage = static_cast<Stage>(stage + 1);
    }
}

void MovePicker::scoreCaptures(std::size_t from) {
    for (std::size_t i = from; i < end; ++i) {
        const Move& m = moves[i];
        const int mover = board.piece(m.from);
        const int victim = typeOf(board.piece(m.to));
        scores[i] = exchangeValue(victim) * VictimWeight + histories.captures[mover][m.to][victim];
    }
}

void MovePicker::scoreQuiets(std::size_t from) {
    const int side = sideIndex(board.sideToMove());
    for (std::size_t i = from; i < end; ++i) {
        const Move& m = moves[i];
        const int piece = board.piece(m.from);
        scores[i] = histories.butterfly[side][m.from][m.to] + QuietContinuationWeight * (*continuations[0])[piece][m.to] +
                    QuietContinuationWeight * (*continuations[1])[piece][m.to] +
                    QuietContinuationWeight * (*continuations[2])[piece][m.to] + (*continuations[3])[piece][m.to];
    }
}

void MovePicker::scoreEvasions() {
    const int side = sideIndex(board.sideToMove());
    for (std::size_t i = 0; i < end; ++i) {
        const Move& m = moves[i];
        const int victim = board.piece(m.to);
        const int piece = board.piece(m.from);
        if (victim != Empty)
            scores[i] = EvasionCaptureBonus + exchangeValue(typeOf(victim)) - typeOf(piece);
        else
            scores[i] = histories.butterfly[side][m.from][m.to] + (*continuations[0])[piece][m.to] - EvasionCaptureBonus;
    }
}

Move MovePicker::pickBest() {
    std::size_t best = cursor;
    for (std::size_t i = cursor + 1; i < end; ++i)
        if (scores[i] > scores[best]) best = i;
    std::swap(moves[cursor], moves[best]);
    std::swap(scores[cursor], scores[best]);
    return moves[cursor++];
}

bool MovePicker::isRefutation(const Move& m) const {
    for (const Move& r : refutations)
        if (m.sameSquares(r)) return true;
    return false;
}

// A killer or counter-move is tried when it is quiet and playable here and not the table's.
bool MovePicker::usable(const Move& m) {
    return !m.isNull() && !m.sameSquares(tableMove) && board.piece(m.to) == Empty && lawyer.isPseudoLegal(m);
}

Move MovePicker::next(bool skipQuiets) {
    for (;;) {
        switch (stage) {
            case TableStage:
            case EvasionTable:
            case QuiescenceTable:
                stage = static_cast<Stage>(stage + 1);
                return tableMove;

            case CaptureInit:
            case QuiescenceInit:
                moves.clear();
                lawyer.generateCaptures(moves);
                cursor = badEnd = 0;
                end = moves.size();
                scoreCaptures(0);
                stage = static_cast<Stage>(stage + 1);
                break;

            case GoodCaptures:
                while (cursor < end) {
                    const std::size_t at = cursor;
                    const Move m = pickBest();
                    if (m.sameSquares(tableMove)) continue;
                    if (staticExchange(board, lawyer, m) >= -BadCaptureShare * scores[at] / 1024) return m;
                    // Kept for later at the front, where the good ones have been taken from.
                    moves[badEnd] = m;
                    scores[badEnd++] = scores[at];
                }
                stage = FirstKiller;
                break;

            case FirstKiller:
            case SecondKiller:
            case Counter: {
                const Move m = refutations[stage - FirstKiller];
                stage = static_cast<Stage>(stage + 1);
                // The counter-move may repeat a killer.
                if (stage == QuietInit && (m.sameSquares(refutations[0]) || m.sameSquares(refutations[1]))) break;
                if (!skipQuiets && usable(m)) return m;
                break;
            }

            case QuietInit:
                if (!skipQuiets) {
                    // Behind the set-aside captures; the good ones' room is reused.
                    moves.truncate(badEnd);
                    const std::size_t first = badEnd;
                    lawyer.generateQuiets(moves);
                    end = moves.size();
                    scoreQuiets(first);
                    // Insertion sort, best first: quiet lists are short and mostly tried in full.
                    for (std::size_t i = first + 1; i < end; ++i) {
                        const Move m = moves[i];
                        const int s = scores[i];
                        std::size_t j = i;
                        for (; j > first && scores[j - 1] < s; --j) {
                            moves[j] = moves[j - 1];
                            scores[j] = scores[j - 1];
                        }
                        moves[j] = m;
                        scores[j] = s;
                    }
                    cursor = first;
                }
                stage = Quiets;
                break;

            case Quiets:
                while (!skipQuiets && cursor < end) {
                    const Move m = moves[cursor++];
                    if (!m.sameSquares(tableMove) && !isRefutation(m)) return m;
                }
                stage = BadCaptures;
                cursor = 0;
                break;

            case BadCaptures:
                if (cursor < badEnd) return moves[cursor++];
                stage = Done;
                break;

            case EvasionInit:
                moves.clear();
                lawyer.generateMoves(moves, false);
                cursor = 0;
                end = moves.size();
                scoreEvasions();
                stage = Evasions;
                break;

            case Evasions:
            case QuiescenceCaptures:
                while (cursor < end) {
                    const Move m = pickBest();
                    if (!m.sameSquares(tableMove)) return m;
                }
                stage = Done;
                break;

            case Done:
                return nullMove;
        }
    }
}

}  // namespace qorat
