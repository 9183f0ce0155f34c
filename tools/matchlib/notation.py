"""How moves, positions and sides are written: xboard's xiangqi moves (ranks
0-9), the referee's UCI moves (ranks 1-10) and FEN letters, and the rank
numbering each engine of a match turns out to use."""

import re

START_FEN_REF = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"

MOVE_RE = re.compile(r"^([a-i])([0-9])([a-i])([0-9])$")
UCI_MOVE_RE = re.compile(r"^([a-i])(10|[1-9])([a-i])(10|[1-9])$")
ANY_MOVE_RE = re.compile(r"^([a-i])(10|[0-9])([a-i])(10|[0-9])")

RED, BLACK = 0, 1
SIDE_NAME = ("red", "black")


def to_uci(move):
    """h2e2 (ranks 0-9) -> h3e3 (ranks 1-10), as fairy-stockfish's UCI wants."""
    m = MOVE_RE.match(move)
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) + 1, m.group(3), int(m.group(4)) + 1)


def from_uci(move):
    m = UCI_MOVE_RE.match(move)
    if not m:
        return None
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) - 1, m.group(3), int(m.group(4)) - 1)


def ref_fen(fen):
    """A user FEN in WXF letters (h, e, side r/b) -> the referee's letters."""
    parts = fen.split()
    board = parts[0].translate(str.maketrans("hHeE", "nNbB"))
    side = parts[1] if len(parts) > 1 else "w"
    side = "w" if side in ("w", "r") else "b"
    return "%s %s - - 0 1" % (board, side)


def decide_ranks(text, legal):
    """The rank numbering ("0" or "1") shown by an engine's move TEXT, given
    the LEGAL moves (ranks 0-9). A rank 10 or a rank 0 settles it; otherwise
    the only reading that is legal; otherwise (both or neither legal) the
    protocol's ranks 0-9."""
    m = ANY_MOVE_RE.match(text)
    if not m:
        return None
    r1, r2 = int(m.group(2)), int(m.group(4))
    if 10 in (r1, r2):
        return "1"
    if 0 in (r1, r2):
        return "0"
    zero = "%s%d%s%d" % (m.group(1), r1, m.group(3), r2)
    one = "%s%d%s%d" % (m.group(1), r1 - 1, m.group(3), r2 - 1)
    if zero not in legal and one in legal:
        return "1"
    return "0"


def read_move(text, ranks):
    """Engine move text -> internal move (ranks 0-9) when written with RANKS
    ("0" or "1"); text that is no move comes back unchanged. A rank outside
    the numbering gives a move no position allows."""
    m = ANY_MOVE_RE.match(text)
    if not m:
        return text
    shift = 1 if ranks == "1" else 0
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) - shift,
                         m.group(3), int(m.group(4)) - shift)


class RankNotation:
    """How one engine numbers ranks in a game: "0" (0-9, as the protocol says), "1" (1-10),
    or "auto" until its first move of the game decides, once, for the rest of it. Each game
    decides for itself, so that how a game is read does not depend on the games before it;
    the match notes what they decided."""

    def __init__(self, mode):
        self.mode = mode

    def settle(self, text, legal):
        if self.mode == "auto":
            decided = decide_ranks(text, legal)
            if decided is None:
                return "auto"
            self.mode = decided
        return self.mode
