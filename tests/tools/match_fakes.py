"""Stand-ins for the match runner's tests: a referee over a made-up game and
the command line of a scripted xboard engine."""

import os
import shlex
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools"))

from matchlib.notation import BLACK, RED  # noqa: E402


def engine_command(*turns):
    """The command line of a scripted engine that says TURNS, one per turn."""
    return " ".join(shlex.quote(word) for word in
                    [sys.executable, os.path.join(HERE, "fake_xboard_engine.py"), *turns])


class FakeReferee:
    """Referee of a made-up game on a sparse board: PIECES maps squares to
    the side owning them; a move in ALLOWED is legal when its piece belongs
    to the side to move and it lands on no piece of its own (a capture
    removes the piece there). Moves in CHECKS give check. After a move list
    in NO_MOVES the side to move has no legal move. RULE_ENDS maps move
    lists to what the referee's own rules say there (+1 the last mover wins,
    -1 it loses, 0 a draw), and a position's third occurrence ends the game
    as the real referee's does: with VERDICTS' value for that move list, or
    a draw."""

    def __init__(self, pieces, allowed, checks=(), no_moves=(), rule_ends=None,
                 verdicts=None):
        self.pieces = dict(pieces)
        self.allowed = set(allowed)
        self.checks = set(checks)
        self.no_moves = {tuple(m) for m in no_moves}
        self.rule_ends = {tuple(k): v for k, v in (rule_ends or {}).items()}
        self.verdicts = {tuple(k): v for k, v in (verdicts or {}).items()}
        self.asked = []     # (what, moves) for every question asked

    def _positions(self, moves):
        board, side = dict(self.pieces), RED
        keys = [(frozenset(board.items()), side)]
        for mv in moves:
            board[mv[2:]] = board.pop(mv[:2])
            side = 1 - side
            keys.append((frozenset(board.items()), side))
        return board, side, keys

    def probe(self, fen, moves):
        self.asked.append(("probe", tuple(moves)))
        board, side, keys = self._positions(moves)
        if tuple(moves) in self.no_moves:
            legal = set()
        else:
            legal = {mv for mv in self.allowed
                     if board.get(mv[:2]) == side and board.get(mv[2:]) != side}
        check = bool(moves) and moves[-1] in self.checks
        return legal, check, keys[-1]

    @staticmethod
    def dead_draw(key):
        return False

    def rule_end(self, fen, moves):
        self.asked.append(("rule_end", tuple(moves)))
        if not moves:
            return None
        _, _, keys = self._positions(moves)
        if keys.count(keys[-1]) >= 3:
            return self.verdicts.get(tuple(moves), 0)
        return self.rule_ends.get(tuple(moves))

    def rule_verdict(self, fen, moves):
        return self.rule_end(fen, moves) or 0


# Two horses that shuttle between their squares: every fourth ply repeats the
# position four plies before.
SHUTTLE_PIECES = {"b0": RED, "b9": BLACK}
SHUTTLE_MOVES = {"b0c2", "c2b0", "b9c7", "c7b9"}
RED_SHUTTLE = ["move b0c2", "move c2b0"] * 10
BLACK_SHUTTLE = ["move b9c7", "move c7b9"] * 10


def shuttle(plies):
    """The first PLIES moves of the shuttle, both sides."""
    cycle = ["b0c2", "b9c7", "c2b0", "c7b9"]
    return [cycle[i % 4] for i in range(plies)]
