"""The match: games dealt to concurrent workers, each with its own referee and
engines, results counted and printed in game order, the sequential test's
stop, and the summary."""

import math
import os
import sys
import threading

from .engines import Engine, UciEngine
from .errors import MatchError
from .game import Game
from .notation import RankNotation
from .referee import Referee
from .rulings import GameOver
from .statistics import (GAME_SCORES, PAIR_NAMES, elo_stats, pair_index, pair_stats,
                         sprt_decision, sprt_decision_pairs)


class Match:
    """Games are numbered from 0 and dealt to the workers in that order. Games
    2k and 2k+1 form pair k: the same opening line, engine 1 red in the first
    and black in the second, so the two start one after the other whatever the
    concurrency. A pair counts in the pentanomial figures once both its games
    have a result; a game without its partner's result (an interrupted match,
    an odd --games) still counts in W-D-L."""

    def __init__(self, opts, openings, ref_path):
        self.opts = opts
        self.openings = openings
        self.ref_path = ref_path
        self.lock = threading.Lock()
        self.next_game = 0
        self.results = {}       # game number -> record
        self.printed = 0
        self.stop = threading.Event()
        self.verdict = None
        self.engines = []
        self.referees = []
        self.notation = {1: RankNotation(opts.ranks1), 2: RankNotation(opts.ranks2)}
        self.wdl = [0, 0, 0]
        self.penta = [0] * 5    # complete pairs by engine 1's points: 0, 0.5, .. 2
        self.unpaired = None    # engine 1's score in the first game of the pair being counted
        self.faults = {1: {}, 2: {}}
        self.names = {1: None, 2: None}
        self.errors = []

    def game_plan(self, i):
        """(opening moves, label, engine 1 plays red) of game I (from 0):
        the opening of its pair, I // 2, with engine 1 red in the pair's first."""
        moves, label = self.openings[(i // 2) % len(self.openings)]
        return moves, label, (i % 2 == 0)

    def worker(self):
        o = self.opts
        try:
            ref = Referee(self.ref_path)
        except (OSError, MatchError) as e:
            self.errors.append("referee: %s" % e)
            self.stop.set()
            return
        kinds = {"xboard": Engine, "uci": UciEngine}
        e1 = kinds[o.proto1](1, o.engine1, o, o.name1, self.notation[1])
        e2 = kinds[o.proto2](2, o.engine2, o, o.name2, self.notation[2])
        with self.lock:
            self.referees.append(ref)
            self.engines += [e1, e2]
        try:
            while not self.stop.is_set():
                with self.lock:
                    i = self.next_game
                    if i >= o.games:
                        return
                    self.next_game += 1
                moves, label, one_red = self.game_plan(i)
                red, black = (e1, e2) if one_red else (e2, e1)
                logf = None
                if o.log:
                    logf = open(os.path.join(o.log, "game-%04d.log" % (i + 1)), "w")
                    logf.write("# game %d, opening %s: %s\n# red: %s\n# black: %s\n"
                               % (i + 1, label, " ".join(moves), red.cmd, black.cmd))
                e1.log = e2.log = logf
                game = Game(o, ref, red, black, moves, i + 1, self.stop)
                try:
                    g = game.play()
                except MatchError as err:
                    self.errors.append("game %d: %s" % (i + 1, err))
                    self.stop.set()
                    g = GameOver("*", "referee failure: %s" % err)
                except Exception as err:   # keep the in-order printing going
                    self.errors.append("game %d: runner error: %r" % (i + 1, err))
                    self.stop.set()
                    g = GameOver("*", "runner error")
                if self.stop.is_set() and g.kind is not None:
                    # A fault once the match is stopping comes from the stop: an
                    # interruption kills the engines of the games still going.
                    g = GameOver("*", "aborted: %s" % g.reason)
                self._end_game(g, red, black)
                rn, bn = red.name, black.name
                if rn == bn:
                    rn, bn = "%s#%d" % (rn, red.idx), "%s#%d" % (bn, black.idx)
                rec = {"n": i + 1, "red": rn, "black": bn,
                       "result": g.result, "reason": g.reason,
                       "plies": len(game.moves), "one_red": one_red,
                       "loser": g.loser.idx if g.loser else None, "kind": g.kind,
                       "label": label}
                if logf:
                    logf.write("# moves: %s\n# result: %s {%s} %d plies\n"
                               % (" ".join(game.moves), g.result, g.reason, len(game.moves)))
                    logf.close()
                    e1.log = e2.log = None
                self._record(rec)
        finally:
            for e in (e1, e2):
                e.stop()
            ref.close()

    def _end_game(self, g, red, black):
        for e in (red, black):
            if not e.alive():
                continue
            e.send("force")
            e.send("result %s {%s}" % (g.result, g.reason))
            e.playing = False
            if e.sync() is None:
                e.stop()      # stuck or gone: start afresh next game

    def _record(self, rec):
        with self.lock:
            self.results[rec["n"]] = rec
            if True:
                self.names[1] = rec["red"] if rec["one_red"] else rec["black"]
                self.names[2] = rec["black"] if rec["one_red"] else rec["red"]
            while self.printed + 1 in self.results:
                r = self.results[self.printed + 1]
                self.printed += 1
                self._count(r)
                self._print_game(r)
                self._check_sprt()

    def _count(self, r):
        """Counts game record R; records come in the order of their numbers."""
        score = None
        if r["result"] == "1/2-1/2":
            score = 0.5
        elif r["result"] != "*":
            score = 1.0 if (r["result"] == "1-0") == r["one_red"] else 0.0
        if r["n"] % 2 == 1:         # numbered from 1: the first game of a pair
            self.unpaired = score
        else:
            k = pair_index(self.unpaired, score)
            if k is not None:
                self.penta[k] += 1
            self.unpaired = None
        if score is None:
            return
        self.wdl[GAME_SCORES.index(score)] += 1
        if r["loser"]:
            f = self.faults[r["loser"]]
            f[r["kind"]] = f.get(r["kind"], 0) + 1

    def _print_game(self, r):
        w, d, l = self.wdl
        print("%4d  %-22s %-22s %-7s %4d plies  %-28s [%s]  %d-%d-%d"
              % (r["n"], r["red"][:22], r["black"][:22], r["result"], r["plies"],
                 r["reason"], r["label"][:30], w, l, d), flush=True)

    def sprt_state(self):
        """(model, verdict or None, llr, lower, upper) of the sequential test:
        on the complete pairs once there is one, else on the games."""
        o = self.opts
        if sum(self.penta):
            return ("pentanomial",) + sprt_decision_pairs(self.penta, o.elo0, o.elo1,
                                                          o.alpha, o.beta)
        w, d, l = self.wdl
        return ("trinomial",) + sprt_decision(w, d, l, o.elo0, o.elo1, o.alpha, o.beta)

    def _check_sprt(self):
        if not self.opts.sprt or self.verdict:
            return
        state = self.sprt_state()
        if state[1]:
            self.verdict = state
            self.stop.set()

    def run(self):
        o = self.opts
        print("%4s  %-22s %-22s %-7s %10s  %-28s %s  %s"
              % ("game", "red", "black", "result", "", "reason", "[opening]", "W-L-D(1)"))
        threads = [threading.Thread(target=self.worker, daemon=True)
                   for _ in range(max(1, o.concurrency))]
        for t in threads:
            t.start()
        try:
            for t in threads:
                while t.is_alive():
                    t.join(0.2)
        except KeyboardInterrupt:
            print("interrupted: stopping engines", file=sys.stderr)
            self.stop.set()
            self.shutdown()
            raise
        self.summary()

    def shutdown(self):
        with self.lock:
            engines, refs = list(self.engines), list(self.referees)
        for e in engines:
            e.stop()
        for r in refs:
            try:
                r.close()
            except Exception:
                pass

    def summary(self):
        o = self.opts
        w, d, l = self.wdl
        n = w + d + l
        n1 = self.names[1] or "engine1"
        n2 = self.names[2] or "engine2"
        for err in self.errors:
            print("error: %s" % err)
        print()
        print("Score of %s vs %s: %d - %d - %d  [%.1f%%]  %d games"
              % (n1, n2, w, l, d, 100.0 * (w + d / 2) / n if n else 0, n))
        s, elo, margin = elo_stats(w, d, l)
        if n:
            print("Elo difference: %s +/- %s (95%%, games as independent)"
                  % (fmt_elo(elo), fmt_elo(margin, sign=False)))
        pairs = sum(self.penta)
        print("Pairs %s: %s  %d pairs%s"
              % ("-".join(PAIR_NAMES), "-".join(str(c) for c in self.penta), pairs,
                 "; %d games outside complete pairs left out" % (n - 2 * pairs)
                 if n > 2 * pairs else ""))
        if pairs:
            _, elo, margin = pair_stats(self.penta)
            print("Elo difference: %s +/- %s (95%%, pentanomial)"
                  % (fmt_elo(elo), fmt_elo(margin, sign=False)))
        for k, name in ((1, n1), (2, n2)):
            f = self.faults[k]
            print("%s: time forfeits %d, crashes %d, illegal moves %d, protocol errors %d, "
                  "timeouts %d" % (name, f.get("time", 0), f.get("crash", 0),
                                   f.get("illegal", 0), f.get("protocol", 0),
                                   f.get("timeout", 0)))
        if o.sprt:
            model, _, llr, lo, hi = self.verdict or self.sprt_state()
            verdict = self.verdict[1] if self.verdict else "no decision yet"
            print("SPRT elo0=%g elo1=%g alpha=%g beta=%g (%s): LLR %.2f (bounds %.2f, %.2f): %s"
                  % (o.elo0, o.elo1, o.alpha, o.beta, model, llr, lo, hi, verdict))


def fmt_elo(x, sign=True):
    x = x + 0.0 if x else 0.0
    if math.isinf(x):
        return ("+inf" if x > 0 else "-inf") if sign else "inf"
    return ("%+.1f" if sign else "%.1f") % x
