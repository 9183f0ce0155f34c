"""The match's figures: Elo and its margin from W-D-L and from the pentanomial
counts of game pairs, and the sequential probability ratio test on either."""

import math


def elo_from_score(s):
    if s <= 0:
        return -math.inf
    if s >= 1:
        return math.inf
    return -400.0 * math.log10(1.0 / s - 1.0)


def _mean_var(counts, scores):
    """Mean and variance of SCORES, each seen as often as COUNTS says."""
    n = sum(counts)
    mean = sum(c * x for c, x in zip(counts, scores)) / n
    return mean, sum(c * (x - mean) ** 2 for c, x in zip(counts, scores)) / n


def _elo_interval(n, s, var):
    """(score, Elo, margin) for N independent samples of mean score S and
    variance VAR each: the margin is half the 95% interval of the score,
    S +/- 1.96 sqrt(VAR / N), turned into Elo."""
    se = math.sqrt(var / n)
    lo, hi = elo_from_score(s - 1.959964 * se), elo_from_score(s + 1.959964 * se)
    margin = (hi - lo) / 2 if math.isfinite(lo) and math.isfinite(hi) else math.inf
    return s, elo_from_score(s), margin


def _gsprt_llr(counts, scores, elo0, elo1):
    """Log-likelihood ratio of H1 (ELO1) against H0 (ELO0) for samples of the
    given SCORES seen COUNTS times, under the normal approximation of the
    generalized SPRT: N (s1 - s0) (2 s - s0 - s1) / (2 var), s0 and s1 the
    expected scores of the two hypotheses (logistic Elo). The variance comes
    from the counts with half a sample added to each outcome while any
    outcome is still missing, so that one-sided starts do not give a zero
    variance (it only makes the test slower to decide)."""
    n = sum(counts)
    if n == 0:
        return 0.0
    s, _ = _mean_var(counts, scores)
    prior = counts if min(counts) > 0 else [c + 0.5 for c in counts]
    _, var = _mean_var(prior, scores)
    s0 = 1 / (1 + 10 ** (-elo0 / 400))
    s1 = 1 / (1 + 10 ** (-elo1 / 400))
    return n * (s1 - s0) * (2 * s - s0 - s1) / (2 * var)


GAME_SCORES = (1.0, 0.5, 0.0)                   # a win, a draw, a loss
PAIR_SCORES = (0.0, 0.25, 0.5, 0.75, 1.0)       # a pair's points / 2
PAIR_NAMES = ("LL", "LD", "DD+WL", "WD", "WW")  # pairs with 0, 0.5, 1, 1.5, 2 points


def elo_stats(w, d, l):
    """(score, Elo, margin) from W-D-L, every game taken as independent."""
    n = w + d + l
    if n == 0:
        return 0.0, 0.0, math.inf
    s, var = _mean_var((w, d, l), GAME_SCORES)
    return _elo_interval(n, s, var)


def pair_stats(counts):
    """(score, Elo, margin) from the pentanomial COUNTS: the numbers of
    opening pairs (one game with each colour) in which engine 1 scored 0, 0.5,
    1, 1.5 and 2 points. Each pair is one sample, its score half its points;
    the variance is that of the pair scores, so that what the opening gives
    one colour (a win and a loss on the same line) is no noise."""
    n = sum(counts)
    if n == 0:
        return 0.0, 0.0, math.inf
    s, var = _mean_var(counts, PAIR_SCORES)
    return _elo_interval(n, s, var)


def pair_index(first, second):
    """The pentanomial bin (0..4: engine 1's points times 2) of a pair whose
    games gave engine 1 the scores FIRST and SECOND (1, 0.5 or 0); None when
    either game has no result (an unfinished or aborted game)."""
    if first is None or second is None:
        return None
    return int(round(2 * (first + second)))


def sprt_llr(w, d, l, elo0, elo1):
    """Log-likelihood ratio of a trinomial GSPRT (normal approximation)."""
    return _gsprt_llr((w, d, l), GAME_SCORES, elo0, elo1)


def sprt_llr_pairs(counts, elo0, elo1):
    """Log-likelihood ratio of a pentanomial GSPRT on the pair scores."""
    return _gsprt_llr(counts, PAIR_SCORES, elo0, elo1)


def sprt_bounds(alpha, beta):
    """(lower, upper) LLR bounds: below the lower H0 holds, above the upper H1."""
    return math.log(beta / (1 - alpha)), math.log((1 - beta) / alpha)


def _sprt_verdict(llr, alpha, beta):
    lo, hi = sprt_bounds(alpha, beta)
    verdict = "H1 accepted" if llr >= hi else "H0 accepted" if llr <= lo else None
    return verdict, llr, lo, hi


def sprt_decision(w, d, l, elo0, elo1, alpha, beta):
    """(verdict or None, llr, lower bound, upper bound) after W-D-L."""
    return _sprt_verdict(sprt_llr(w, d, l, elo0, elo1), alpha, beta)


def sprt_decision_pairs(counts, elo0, elo1, alpha, beta):
    """(verdict or None, llr, lower bound, upper bound) after the pentanomial
    COUNTS of complete pairs."""
    return _sprt_verdict(sprt_llr_pairs(counts, elo0, elo1), alpha, beta)
