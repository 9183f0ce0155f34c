// Every tuned number of the modern search in one table: margins, depths, reduction and
// history shapes, and the move ordering's weights, each with the range a tuner may try.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace qorat {

// X(name, value, min, max), one line a parameter. Centipawns unless said otherwise; a depth
// is in plies. The ranges keep each number in the sense it has (divisors stay positive); not
// every point of them together is sound, so the defaults are checked below. (Comments are
// block comments: a line comment would swallow the line joined to it.)
#define QORAT_SEARCH_PARAMS(X)                                                                       \
    /* Aspiration: below this depth the root is searched with a full window. */                      \
    X(AspirationDepth, 4, 1, 8)                                                                      \
    /* The first window's half-width around the last iteration's score. */                           \
    X(AspirationWindow, 20, 5, 60)                                                                   \
    /* After each failed window it widens by this fraction of itself (1/n) and a step more. */       \
    X(AspirationGrowthDivisor, 4, 2, 8)                                                              \
    X(AspirationGrowthStep, 5, 0, 20)                                                                \
                                                                                                     \
    /* Late-move reductions: the table holds this / 10 * ln(i); the reduction is the product of */   \
    /* the depth's entry and the move number's, in 1024ths of a ply. */                              \
    X(LmrLogTenths, 248, 150, 350)                                                                   \
    /* Added before the product is rounded down to plies. */                                         \
    X(LmrRounding, 511, 0, 1023)                                                                     \
    /* A product above this reduces a ply more when the position is not improving. */                \
    X(LmrNotImproving, 1007, 500, 2000)                                                              \
    /* Nodes shallower than this reduce no move. */                                                  \
    X(LmrMinDepth, 3, 2, 5)                                                                          \
    /* Root moves, after the first, that are never reduced: the root's order is worth more. */       \
    X(LmrRootMoves, 2, 0, 4)                                                                         \
    /* Plies less on the principal line, where a mistake costs the move played. */                   \
    X(LmrPrincipal, 2, 0, 4)                                                                         \
    /* A ply less when the move before was later than this in its own node's order. */               \
    X(LmrParentMoveCount, 14, 6, 30)                                                                 \
    /* Plies more at expected cut nodes, where any move will do. */                                  \
    X(LmrCutNode, 2, 0, 4)                                                                           \
    /* A ply less for a quiet move whose stat score is at least the first while the move */          \
    /* before scored below the second; a ply more when the move before scored at least the */        \
    /* third and this one below the fourth. */                                                       \
    X(LmrOwnStatLess, -102, -400, 200)                                                               \
    X(LmrParentStatLess, -114, -400, 200)                                                            \
    X(LmrParentStatMore, -116, -400, 200)                                                            \
    X(LmrOwnStatMore, -154, -400, 200)                                                               \
    /* A quiet move's stat score is its histories less this; each divisor of it takes a ply */       \
    /* off the reduction (or adds one when negative). */                                             \
    X(StatScoreOffset, 4926, 2000, 8000)                                                             \
    X(StatScoreDivisor, 16434, 8000, 32000)                                                          \
                                                                                                     \
    /* Histories saturate at these: the larger, the longer an old lesson lasts. */                   \
    X(HistoryCeiling, 10692, 5000, 16384)                                                            \
    X(CaptureCeiling, 10692, 5000, 16384)                                                            \
    X(ContinuationCeiling, 29952, 15000, 32000)                                                      \
    /* A history bonus is quadratic * d^2 + linear * d - offset, and none beyond the depth, */       \
    /* where a cut says little about the move itself. */                                             \
    X(StatBonusQuadratic, 29, 10, 50)                                                                \
    X(StatBonusLinear, 138, 50, 250)                                                                 \
    X(StatBonusOffset, 134, 0, 300)                                                                  \
    X(StatBonusMaxDepth, 17, 8, 24)                                                                  \
    /* From this depth a node with no good move credits the opponent's quiet move before it. */      \
    X(PriorBonusDepth, 3, 1, 6)                                                                      \
                                                                                                     \
    /* Move ordering: a capture stays with the good ones while its exchange loses less than */       \
    /* this share, in 1024ths, of the score that ordered it. */                                      \
    X(BadCaptureShare, 55, 0, 200)                                                                   \
    /* A capture's order score is the victim's value times this, plus its history. */                \
    X(VictimWeight, 6, 2, 12)                                                                        \
    /* A quiet move's order counts the continuations one, two and four plies back this many */       \
    /* times over its own history and the one six plies back. */                                     \
    X(QuietContinuationWeight, 2, 1, 4)                                                              \
                                                                                                     \
    /* Razoring at the last ply: this far below alpha only captures could help. */                   \
    X(RazorMargin, 450, 200, 800)                                                                    \
    /* Reverse futility: below this depth, eval less this per ply above beta cuts. */                \
    X(ReverseFutilityDepth, 6, 3, 10)                                                                \
    X(ReverseFutilityPerPly, 160, 80, 300)                                                           \
                                                                                                     \
    /* Null move: not after a move whose stat score reached this, where passing would rarely */      \
    /* hold; and only with the static evaluation above beta less per-ply * depth plus the */         \
    /* base, less the improving margin when improving. */                                            \
    X(NullStatScoreLimit, 23397, 10000, 40000)                                                       \
    X(NullEvalPerPly, 32, 10, 60)                                                                    \
    X(NullEvalBase, 292, 100, 500)                                                                   \
    X(NullEvalImproving, 30, 0, 80)                                                                  \
    /* Its reduction: (base + per-ply * depth) / divisor, and a ply for each margin divisor */       \
    /* of eval above beta, up to the most. */                                                        \
    X(NullReductionBase, 854, 400, 1400)                                                             \
    X(NullReductionPerPly, 68, 30, 120)                                                              \
    X(NullReductionDivisor, 258, 150, 400)                                                           \
    X(NullMarginDivisor, 192, 100, 400)                                                              \
    X(NullMarginMost, 3, 1, 6)                                                                       \
    /* From this depth a pass that holds beta is verified by a search without it, during */          \
    /* which the side may not pass for this many quarters of the remaining depth. */                 \
    X(NullVerificationDepth, 13, 8, 20)                                                              \
    X(NullVerificationQuarters, 3, 2, 4)                                                             \
                                                                                                     \
    /* Internal iterative reduction without a table move: principal nodes from the first depth */    \
    /* lose the plies given, expected cut nodes from the second lose one. */                         \
    X(IirPrincipalDepth, 6, 3, 10)                                                                   \
    X(IirPrincipalPlies, 2, 1, 3)                                                                    \
    X(IirCutDepth, 8, 4, 12)                                                                         \
                                                                                                     \
    /* Move-count pruning: quiet moves after (base + depth^2) / 2 are skipped, twice as many */      \
    /* when improving. */                                                                            \
    X(MoveCountBase, 5, 2, 10)                                                                       \
    /* Below this reduced depth (a ply more after a good move before) a quiet move that both */      \
    /* last continuations score badly is skipped. */                                                 \
    X(ContinuationPruneDepth, 4, 2, 6)                                                               \
    /* Futility of quiet moves: below the reduced depth, eval plus base plus per-ply at or */        \
    /* under alpha. */                                                                               \
    X(QuietFutilityDepth, 6, 3, 10)                                                                  \
    X(QuietFutilityBase, 200, 50, 400)                                                               \
    X(QuietFutilityPerPly, 150, 60, 300)                                                             \
    /* A quiet move is skipped whose exchange loses more than (base - min(d, most)) * d^2 at */      \
    /* reduced depth d. */                                                                           \
    X(QuietExchangeBase, 32, 24, 48)                                                                 \
    X(QuietExchangeMostDepth, 18, 8, 22)                                                             \
    /* A capture is skipped whose exchange loses more than this per ply. */                          \
    X(CaptureExchangePerPly, 160, 60, 300)                                                           \
                                                                                                     \
    /* Singular extension from this depth, when the table's bound is no more than the plies */       \
    /* given shallower; the others must stay below its score less this per ply. */                   \
    X(SingularDepth, 6, 4, 10)                                                                       \
    X(SingularTableDepthMargin, 3, 1, 5)                                                             \
    X(SingularMarginPerPly, 2, 1, 4)                                                                 \
                                                                                                     \
    /* Quiescence: a capture whose victim and this margin leave the stand-pat at or below */         \
    /* alpha is not searched. */                                                                     \
    X(QuiescenceFutility, 130, 50, 300)                                                              \
    /* This many plies into the captures only recaptures on the square just taken are */             \
    /* searched: the tree of every capture after every capture grows without bound on crowded */     \
    /* boards, while the exchange on one square settles what a long sequence is worth. */            \
    X(QuiescenceRecaptureDepth, 8, 4, 16)

namespace search_params {

// NOLINTNEXTLINE(bugprone-macro-parentheses): the name is declared here, not an expression.
#define QORAT_SEARCH_PARAM_VALUE(name, value, min, max) constexpr int name = (value);
QORAT_SEARCH_PARAMS(QORAT_SEARCH_PARAM_VALUE)
#undef QORAT_SEARCH_PARAM_VALUE

// A bonus beyond a history's ceiling overshoots it, and the 16-bit statistic can wrap: the
// largest bonus, at the deepest depth that has one, stays within every ceiling.
static_assert(StatBonusQuadratic * StatBonusMaxDepth * StatBonusMaxDepth + StatBonusLinear * StatBonusMaxDepth -
                  StatBonusOffset <=
              std::min({HistoryCeiling, CaptureCeiling, ContinuationCeiling}));

}  // namespace search_params

// One parameter as a tuner sees it.
struct SearchParam {
    std::string_view name;
    int value;
    int min;
    int max;
};

inline constexpr auto searchParams = std::to_array<SearchParam>({
#define QORAT_SEARCH_PARAM_ENTRY(name, value, min, max) {#name, value, min, max},
    QORAT_SEARCH_PARAMS(QORAT_SEARCH_PARAM_ENTRY)
#undef QORAT_SEARCH_PARAM_ENTRY
});

// A range a tuner could not step through, or a default outside its own range, is a slip in
// the table above. (A name given twice already fails as a second definition.)
static_assert([] {
    for (const SearchParam& p : searchParams)
        if (p.min >= p.max || p.value < p.min || p.value > p.max) return false;
    return true;
}());

}  // namespace qorat
