"""The match: its games as tasks on a Dask cluster, results counted and printed in game
order as they come from any worker, the sequential test's stop, the progress line and the
summary."""

import math
import os
import sys
import threading

from tasks.runner import Task, TaskError

from .game_task import play_game
from .statistics import (GAME_SCORES, PAIR_NAMES, elo_stats, pair_index, pair_stats,
                         sprt_decision, sprt_decision_pairs)


class Match:
    """Games are numbered from 0 and submitted in that order, each a task of its own. Games
    2k and 2k+1 form pair k: the same opening line, engine 1 red in the first and black in
    the second, so the two start one after the other whatever the number of workers. Results
    come in any order; they are counted and printed in the order of the games. A pair counts
    in the pentanomial figures once both its games have a result; a game without its
    partner's result (an interrupted match, an odd --games) still counts in W-D-L."""

    def __init__(self, opts, openings, ref_path):
        self.opts = opts
        self.openings = openings
        self.ref_path = ref_path
        self.results = {}       # game number -> record
        self.printed = 0
        self.stop = threading.Event()
        self.verdict = None
        self.wdl = [0, 0, 0]
        self.penta = [0] * 5    # complete pairs by engine 1's points: 0, 0.5, .. 2
        self.unpaired = None    # engine 1's score in the first game of the pair being counted
        self.faults = {1: {}, 2: {}}
        self.names = {1: None, 2: None}
        self.ranks = {1: None, 2: None}     # (numbering, game) as first read with --ranks auto
        self.errors = []

    def game_plan(self, i):
        """(opening moves, label, engine 1 plays red) of game I (from 0):
        the opening of its pair, I // 2, with engine 1 red in the pair's first."""
        moves, label = self.openings[(i // 2) % len(self.openings)]
        return moves, label, (i % 2 == 0)

    def tasks(self, runner):
        """The games as tasks for RUNNER: the programs named as any worker reads them."""
        o = self.opts
        files = runner.files
        opts = _copy(o, engine1=files.portable(o.engine1), engine2=files.portable(o.engine2))
        referee = files.portable(self.ref_path)
        return [Task(("game", i + 1), play_game,
                     (i + 1, self.game_plan(i), opts, referee, files, runner.context))
                for i in range(o.games)]

    def run(self, runner):
        """Plays the match on RUNNER's cluster. On an interruption (KeyboardInterrupt) the
        games still to come are dropped and those under way stopped before it goes on."""
        print("%4s  %-22s %-22s %-7s %10s  %-28s %s  %s"
              % ("game", "red", "black", "result", "", "reason", "[opening]", "W-L-D(1)"))
        try:
            for _, rec in runner.run(self.tasks(runner), "games", self.progress_note):
                self._record(rec)
                if self.stop.is_set():
                    runner.cancel()
                    break
        except TaskError as e:
            self.errors.append(str(e))
            runner.cancel()
        except KeyboardInterrupt:
            print("interrupted: stopping the games", file=sys.stderr)
            runner.cancel()
            raise

    def progress_note(self):
        """The running score and its Elo interval, for the progress line."""
        w, d, l = self.wdl
        if not w + d + l:
            return ""
        pairs = sum(self.penta)
        if pairs:
            _, elo, margin = pair_stats(self.penta)
        else:
            _, elo, margin = elo_stats(w, d, l)
        return "score %g-%g, Elo %s +/- %s" % (w + d / 2, l + d / 2, fmt_elo(elo),
                                                fmt_elo(margin, sign=False))

    def _record(self, rec):
        self.results[rec["n"]] = rec
        self.names[1] = rec["red"] if rec["one_red"] else rec["black"]
        self.names[2] = rec["black"] if rec["one_red"] else rec["red"]
        if rec.get("error"):
            self.errors.append(rec["error"])
            self.stop.set()
        if rec.get("log") and self.opts.log:
            with open(os.path.join(self.opts.log, "game-%04d.log" % rec["n"]), "w") as f:
                f.write(rec["log"])
        while self.printed + 1 in self.results:
            r = self.results[self.printed + 1]
            self.printed += 1
            self._note_ranks(r)
            self._count(r)
            self._print_game(r)
            self._check_sprt()

    def _note_ranks(self, r):
        """Says how an engine under --ranks auto numbers ranks: when a game first shows it,
        and whenever a game reads it otherwise."""
        for k in (1, 2):
            mode = r.get("ranks", {}).get(k)
            if getattr(self.opts, "ranks%d" % k) != "auto" or mode in (None, "auto"):
                continue
            name = self.names[k] or "engine%d" % k
            words = "1-10" if mode == "1" else "0-9"
            if self.ranks[k] is None:
                self.ranks[k] = (mode, r["n"])
                print("note: %s writes ranks %s (game %d)" % (name, words, r["n"]),
                      file=sys.stderr)
            elif self.ranks[k][0] != mode:
                print("note: %s wrote ranks %s in game %d, unlike game %d"
                      % (name, words, r["n"], self.ranks[k][1]), file=sys.stderr)

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


def _copy(opts, **changes):
    """OPTS (an argparse namespace) with CHANGES."""
    copy = type(opts)(**vars(opts))
    for k, v in changes.items():
        setattr(copy, k, v)
    return copy
