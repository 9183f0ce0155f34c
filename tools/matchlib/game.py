"""One game between two engines: setting them up, the clocks, the moves as the
referee checks them, what either engine says out of turn (claims,
resignations), and the ruling that ends it."""

import re
import time

from .errors import MatchError
from .notation import BLACK, RED, SIDE_NAME, ref_fen
from .rulings import (CLAIM_REPETITIONS, GameOver, judge_claim, loss, repetition_ruling,
                      rule_end_ruling, win)

RESULT_RE = re.compile(r"^(1-0|0-1|1/2-1/2|\*)(\s+\{(.*)\})?")


# How often the runner looks at the engine not to move while the other thinks.
WATCH_INTERVAL = 0.05


class Game:
    def __init__(self, opts, ref, red, black, opening, number, stop_event):
        self.opts = opts
        self.ref = ref
        self.eng = (red, black)
        self.opening = opening
        self.number = number
        self.stop_event = stop_event
        self.moves = []
        self.history = []       # (key, in check) from the position after the opening
        self.start_fen = ref_fen(opts.fen) if opts.fen else None
        self.first_side = BLACK if self.start_fen and self.start_fen.split()[1] == "b" else RED

    def side_to_move(self):
        return (self.first_side + len(self.moves)) % 2

    def mover(self, n):
        """The side that made the Nth move of the game (N >= 1)."""
        return (self.first_side + n - 1) % 2

    def play(self):
        try:
            self._play()
        except GameOver as g:
            return g
        return GameOver("*", "unfinished")

    def _setup(self, side):
        e = self.eng[side]
        o = self.opts
        if not e.alive() or e.feature("reuse", "1") == "0":
            e.stop()
            try:
                e.start()
            except MatchError as err:
                raise loss(side, "start failed: %s" % err, e, "crash")
        e.send("new")
        e.send("variant xiangqi")
        if o.st is not None:
            e.send("st %s" % fmt_num(o.st))
        else:
            e.send("level 0 %s %s" % (fmt_base(o.tc_base), fmt_num(o.tc_inc)))
        # After "new", which lifts any depth limit: each engine's own, else the match's.
        depth = getattr(o, "depth%d" % e.idx, None) or o.depth
        if depth:
            e.send("sd %d" % depth)
        if o.post:
            e.send("post")
        e.send("force")
        e.playing = False
        if o.fen:
            if e.feature("setboard") != "1":
                raise loss(side, "no setboard for --fen", e, "protocol")
            e.send("setboard " + o.fen)
        for mv in self.opening:
            e.send_move(mv)
        e.synced = len(self.opening)
        lines = e.sync()
        if lines is None:
            raise loss(side, "no pong after setup" if e.alive() else "crashed in setup",
                       e, "timeout" if e.alive() else "crash")
        sent = set(e.out_move(m) for m in self.opening)
        for line in lines:
            words = line.replace(":", " ").split()
            if line.startswith("Illegal move") or (
                    line.startswith("Error") and sent.intersection(words)):
                raise loss(side, "rejected setup: " + line, e, "protocol")

    def _play(self):
        o = self.opts
        for side in (RED, BLACK):
            self._setup(side)
        self.moves = list(self.opening)
        legal, check, key = self.ref.probe(self.start_fen, self.moves)
        self.history = [(key, check)]
        clock = [o.tc_base * 1000.0 if o.tc_base is not None else 0.0] * 2
        if not legal:
            raise loss(self.side_to_move(), "no legal move after the opening")
        while True:
            if self.stop_event.is_set():
                raise GameOver("*", "aborted")
            if len(self.moves) >= o.max_plies:
                raise GameOver("1/2-1/2", "ply cap %d" % o.max_plies)
            side = self.side_to_move()
            e = self.eng[side]
            # What either engine said since it last moved: a claim, a resignation.
            self._watch(1 - side)
            self._watch(side)
            known = e.synced
            pending = self.moves[e.synced:]
            timed = o.st is None and e.feature("time", "1") == "1"
            t0 = time.monotonic()   # before writing: fast replies must not look stale
            if e.playing:
                if timed:
                    e.send("time %d" % max(0, clock[side] // 10))
                    e.send("otim %d" % max(0, clock[1 - side] // 10))
                for mv in pending:
                    e.send_move(mv)
                if not pending:
                    e.send("go")
            else:
                for mv in pending:
                    e.send_move(mv)
                if timed:
                    e.send("time %d" % max(0, clock[side] // 10))
                    e.send("otim %d" % max(0, clock[1 - side] // 10))
                e.send("go")
                e.playing = True
            e.synced = len(self.moves)
            if o.st is not None:
                limit = o.st * (1 + o.st_margin_pct / 100.0) + o.st_margin
            else:
                limit = clock[side] / 1000.0 + o.grace
            text, t1 = self._wait_move(side, t0, t0 + limit, known)
            used = (t1 - t0) * 1000.0
            if o.st is not None:
                if used > limit * 1000.0:
                    raise loss(side, "time forfeit (%.2f s)" % (used / 1000), e, "time")
            else:
                clock[side] -= used
                if clock[side] < -o.grace * 1000.0:
                    raise loss(side, "loses on time", e, "time")
                clock[side] += o.tc_inc * 1000.0
            mv = e.parse_move(text, legal)
            if mv not in legal:
                raise loss(side, "illegal move %s" % text, e, "illegal")
            self.moves.append(mv)
            e.synced = len(self.moves)
            legal, check, key = self.ref.probe(self.start_fen, self.moves)
            self.history.append((key, check))
            if not legal:
                raise win(side, "%s %s" % (SIDE_NAME[side], "mates" if check else "stalemates"))
            g = repetition_ruling(self.history, side, o.repetitions,
                                  lambda: self.ref.rule_verdict(self.start_fen, self.moves))
            if g:
                raise g
            if self.ref.dead_draw(key):
                raise GameOver("1/2-1/2", "insufficient material")

    def _wait_move(self, side, t0, deadline, known):
        """The move text of SIDE and when it came. Lines older than T0 were
        sent when the engine knew only the first KNOWN moves. Meanwhile the
        other engine is watched for claims and resignations."""
        e = self.eng[side]
        while True:
            self._watch(1 - side)
            r = e.get(min(deadline, time.monotonic() + WATCH_INTERVAL))
            if r is None:
                if time.monotonic() < deadline:
                    continue
                kind = "time" if self.opts.st is not None or self.opts.tc_base is not None else "timeout"
                raise loss(side, "no move in time (%.1f s)" % (time.monotonic() - t0), e, kind)
            t, line = r
            if line is None:
                raise loss(side, "engine exited", e, "crash")
            words = line.split()
            if not words:
                continue
            stale = t < t0
            if words[0] == "move" and len(words) > 1:
                if stale:
                    raise loss(side, "moved out of turn: " + line, e, "protocol")
                # The other engine's word on the position before this move comes first.
                self._watch(1 - side)
                return words[1], t
            self._game_end_line(side, line, known if stale else len(self.moves))
            if line.startswith("Illegal move"):
                raise loss(side, "rejected a legal move: " + line, e, "protocol")
            if line.startswith("feature "):
                e._features(line)
                continue
            # thinking output, "offer draw", "tellics", errors: logged only.

    def _watch(self, side):
        """Reads what SIDE's engine sent while not asked to move: a move is
        out of turn; a claim or resignation ends the game."""
        e = self.eng[side]
        if e.q is None:
            return
        while True:
            r = e.get(0)
            if r is None or r[1] is None:
                return      # an exit shows when the engine is next asked to move
            line = r[1]
            words = line.split()
            if not words:
                continue
            if words[0] == "move" and len(words) > 1:
                raise loss(side, "moved out of turn: " + line, e, "protocol")
            if line.startswith("feature "):
                e._features(line)
                continue
            self._game_end_line(side, line, e.synced)

    def _game_end_line(self, side, line, known):
        """Ends the game on a resignation or a result claim by SIDE's engine,
        which knew the first KNOWN moves of the game when it sent LINE."""
        m = RESULT_RE.match(line)
        if line.split()[0] == "resign" or (m and "resign" in line.lower()):
            raise loss(side, "resigns", None, None)
        if m and m.group(1) != "*":
            g = judge_claim(m.group(1), self.rules_at(known), side, line, self.eng[side])
            if g.loser is None:
                del self.moves[known:]      # the game ended where the claim was made
            raise g

    def rules_at(self, n):
        """The ruling the rules give for the position after the first N moves
        of the game, or None if they let it go on: no legal move (mate or
        stalemate), the ply cap, a repetition (ruled as the runner rules one,
        at CLAIM_REPETITIONS occurrences or --repetitions if fewer), or the
        end of the game by the referee's own rules."""
        if n == 0:
            return None
        o = self.opts
        moves = self.moves[:n]
        mover = self.mover(n)
        legal, check, _ = self.ref.probe(self.start_fen, moves)
        if not legal:
            return win(mover, "%s %s" % (SIDE_NAME[mover], "mates" if check else "stalemates"))
        if n >= o.max_plies:
            return GameOver("1/2-1/2", "ply cap %d" % o.max_plies)
        base = len(self.opening)
        if base <= n < base + len(self.history):
            g = repetition_ruling(self.history[:n - base + 1], mover,
                                  min(o.repetitions, CLAIM_REPETITIONS),
                                  lambda: self.ref.rule_verdict(self.start_fen, moves))
            if g:
                return g
        return rule_end_ruling(self.ref.rule_end(self.start_fen, moves), mover)


def fmt_num(x):
    return str(int(x)) if float(x).is_integer() else ("%g" % x)


def fmt_base(seconds):
    s = int(round(seconds))
    return str(s // 60) if s % 60 == 0 else "%d:%02d" % (s // 60, s % 60)
