"""Rulings: how a game ends, as functions of the game's record alone; the
referee is asked only through what they are given."""

from .notation import BLACK, RED, SIDE_NAME


# A repetition claim holds once a position has occurred this often (the
# referee's rule), or --repetitions times if that is fewer.
CLAIM_REPETITIONS = 3


class GameOver(Exception):
    def __init__(self, result, reason, loser=None, kind=None):
        super().__init__(reason)
        self.result = result    # "1-0", "0-1", "1/2-1/2", "*"
        self.reason = reason
        self.loser = loser      # Engine that lost by fault, if any
        self.kind = kind        # "time", "crash", "illegal", "protocol"


def loss(side, reason, engine=None, kind=None):
    return GameOver("0-1" if side == RED else "1-0", reason, engine, kind)


def win(side, reason):
    return GameOver("1-0" if side == RED else "0-1", reason)


def no_attacking_material(key):
    """Whether neither side has a piece that can give mate (rook, cannon, horse
    or pawn) in the referee's position text: kings, advisors and elephants
    alone can never end the game, so it is drawn at once."""
    placement = key.split()[0].lower()
    return not any(letter in placement for letter in "rcnp")


def repetition_ruling(history, last_mover, repetitions, verdict):
    """The ruling once the current position has occurred REPETITIONS times,
    else None. HISTORY holds (position key, side to move in check) for every
    position watched so far, the current one last; LAST_MOVER made the last
    move. VERDICT() is the referee's verdict on that move (+1 the mover wins,
    -1 it loses, 0 none) and decides when it is decisive. Otherwise a side
    all of whose moves since the first of those occurrences gave check loses
    (perpetual check), unless both sides did; anything else is a draw."""
    key = history[-1][0]
    idx = [i for i, (k, _) in enumerate(history) if k == key]
    if len(idx) < repetitions:
        return None
    first = idx[-repetitions]
    last = len(history) - 1
    checks = {RED: [], BLACK: []}
    for i in range(first + 1, len(history)):
        mover = last_mover if (last - i) % 2 == 0 else 1 - last_mover
        checks[mover].append(history[i][1])
    red_pc = bool(checks[RED]) and all(checks[RED])
    black_pc = bool(checks[BLACK]) and all(checks[BLACK])
    v = verdict()
    if v:
        winner = last_mover if v > 0 else 1 - last_mover
        loser = 1 - winner
        what = "perpetual check" if (red_pc, black_pc)[loser] else "forbidden repetition (chase)"
        return win(winner, "%s %s (referee)" % (SIDE_NAME[loser], what))
    if red_pc and not black_pc:
        return GameOver("0-1", "red perpetual check")
    if black_pc and not red_pc:
        return GameOver("1-0", "black perpetual check")
    return GameOver("1/2-1/2", "repetition")


def rule_end_ruling(value, last_mover):
    """Referee.rule_end's answer as a ruling (None: the game goes on)."""
    if value is None:
        return None
    if value == 0:
        return GameOver("1/2-1/2", "draw by rule (referee)")
    winner = last_mover if value > 0 else 1 - last_mover
    return win(winner, "%s wins by rule (referee)" % SIDE_NAME[winner])


def judge_claim(claimed, ruling, claimer, line, engine=None):
    """The end of a game in which side CLAIMER claimed the result CLAIMED
    ("1-0", "0-1" or "1/2-1/2") in LINE, given the RULING the rules give for
    the position the claim refers to (None when they let the game go on): that
    ruling if its result is the one claimed, else a loss for a false claim."""
    if ruling is not None and ruling.result == claimed:
        return GameOver(ruling.result, "%s, claimed by %s" % (ruling.reason, SIDE_NAME[claimer]))
    return loss(claimer, "false claim: " + line, engine, "protocol")
