"""Tests of the match runner (tools/matchlib/): its statistics (per game and
per pair of games), how a match counts its games, its rank numbering, its
rulings and claim judgement, whole games between scripted engines under a
stand-in referee, and the script tools/match.py. RealRefereeTest asks
fairy-stockfish itself and is skipped where it is not installed; run as a
script with --real-referee, this file runs only those tests and exits 77 when
fairy-stockfish is missing."""

import contextlib
import io
import math
import os
import random
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import unittest.mock

from match_fakes import (BLACK_SHUTTLE, RED_SHUTTLE, SHUTTLE_MOVES, SHUTTLE_PIECES,
                         ROOT, FakeReferee, engine_command, shuttle)

# tools/, on the path through match_fakes.
import make_openings  # noqa: E402
from matchlib import game_task, runner  # noqa: E402
from matchlib.cli import parse_options  # noqa: E402
from matchlib.engines import Engine, UciEngine  # noqa: E402
from matchlib.errors import MatchError  # noqa: E402
from matchlib.game import Game  # noqa: E402
from matchlib.notation import BLACK, RED  # noqa: E402
from matchlib.openings import load_openings  # noqa: E402
from matchlib.referee import Referee, find_binary, parse_rule_end  # noqa: E402
from matchlib.rulings import (GameOver, judge_claim, no_attacking_material,  # noqa: E402
                              repetition_ruling, rule_end_ruling)
from matchlib.statistics import (elo_stats, pair_index, pair_stats, sprt_bounds,  # noqa: E402
                                 sprt_decision, sprt_decision_pairs, sprt_llr, sprt_llr_pairs)
from tasks.context import RunContext  # noqa: E402
from tasks.files import EngineFiles  # noqa: E402

SKIP_RETURN_CODE = 77


class StatisticsTest(unittest.TestCase):
    def test_elo_and_margin_from_wins_draws_losses(self):
        # A 70% score is +147.2 Elo; the margin is half the 95% interval of the
        # score, s +/- 1.96 * sd / sqrt(n), turned into Elo.
        cases = [  # w, d, l, elo, margin
            (30, 40, 30, 0.0, 53.2),      # sd 0.387 per game, score 0.424..0.576
            (60, 20, 20, 147.2, 66.0),
            (20, 20, 60, -147.2, 66.0),   # the mirror image
            (6, 2, 2, 147.2, 268.7),      # same score, far fewer games
            (600, 200, 200, 147.2, 20.5),
        ]
        for w, d, l, elo, margin in cases:
            with self.subTest(wdl=(w, d, l)):
                score, got_elo, got_margin = elo_stats(w, d, l)
                self.assertAlmostEqual(score, (w + d / 2) / (w + d + l))
                self.assertAlmostEqual(got_elo, elo, delta=0.1)
                self.assertAlmostEqual(got_margin, margin, delta=0.1)

    def test_one_sided_and_empty_records(self):
        self.assertEqual(elo_stats(0, 0, 0), (0.0, 0.0, math.inf))
        for w, d, l, sign in ((10, 0, 0, 1), (0, 0, 10, -1)):
            with self.subTest(wdl=(w, d, l)):
                _, elo, margin = elo_stats(w, d, l)
                self.assertEqual(elo, sign * math.inf)
                self.assertEqual(margin, math.inf)

    def test_sprt_decisions(self):
        lo, hi = sprt_bounds(0.05, 0.05)
        self.assertAlmostEqual(hi, math.log(19))
        self.assertAlmostEqual(lo, -math.log(19))
        cases = [  # w, d, l, elo0, elo1, verdict
            (0, 0, 0, 0, 10, None),
            (10, 10, 10, 0, 10, None),
            (300, 400, 100, 0, 10, "H1 accepted"),
            (100, 400, 300, 0, 10, "H0 accepted"),
            (1600, 1600, 1600, 0, 10, "H0 accepted"),    # even: not 10 Elo better
            (1100, 1000, 900, 0, 5, "H1 accepted"),
            (1100, 1000, 900, 20, 30, None),            # +23 Elo: not yet
            (5500, 5000, 4500, 20, 30, "H0 accepted"),  # +23 Elo is no +30
        ]
        for w, d, l, elo0, elo1, verdict in cases:
            with self.subTest(wdl=(w, d, l), bounds=(elo0, elo1)):
                got, llr, _, _ = sprt_decision(w, d, l, elo0, elo1, 0.05, 0.05)
                self.assertEqual(got, verdict, "LLR %.2f" % llr)

    def test_sprt_llr_value_and_one_sided_starts(self):
        # Even score, 3000 games, variance 1/6: -n (s1 - s0)^2 / (2 var) with
        # s0 = 0.5 and s1 = 0.51439 (10 Elo) is -1.863.
        self.assertAlmostEqual(sprt_llr(1000, 1000, 1000, 0, 10), -1.863, delta=0.001)
        # A start with only wins or only losses has no variance of its own.
        up, down = sprt_llr(5, 0, 0, 0, 10), sprt_llr(0, 0, 5, 0, 10)
        self.assertTrue(math.isfinite(up) and up > 0)
        self.assertTrue(math.isfinite(down) and down < 0)


class PairStatisticsTest(unittest.TestCase):
    """The pentanomial figures: pairs of games on one opening line, counted by
    engine 1's points (LL, LD, DD+WL, WD, WW)."""

    def test_elo_and_margin_from_pairs(self):
        # A pair scores half its points: 0, .25, .5, .75 or 1. The margin is half
        # the 95% interval of the mean pair score, s +/- 1.96 sd / sqrt(pairs).
        cases = [  # LL, LD, DD+WL, WD, WW; elo; margin
            # s = .5; var = 2 (10 * .5^2 + 20 * .25^2) / 100 = .075;
            # 1.96 sqrt(.075 / 100) = .0537: score .4463 .. .5537, -37.4 .. +37.4.
            ((10, 20, 40, 20, 10), 0.0, 37.4),
            # s = 56.25 / 100 = .5625 (+43.7); var = .05547; score .5163...6087.
            ((5, 10, 50, 25, 10), 43.7, 32.7),
            ((10, 25, 50, 10, 5), -43.7, 32.7),     # the mirror image
            ((1, 2, 10, 5, 2), 43.7, 74.0),         # same score, far fewer pairs
            # Every pair even (the opening decided both games, or both were
            # drawn): no noise at all.
            ((0, 0, 100, 0, 0), 0.0, 0.0),
        ]
        for counts, elo, margin in cases:
            with self.subTest(counts=counts):
                score, got_elo, got_margin = pair_stats(counts)
                self.assertAlmostEqual(score, sum(c * k for k, c in enumerate(counts))
                                       / (4 * sum(counts)))
                self.assertAlmostEqual(got_elo, elo, delta=0.1)
                self.assertAlmostEqual(got_margin, margin, delta=0.1)

    def test_pairs_see_what_games_taken_alone_cannot(self):
        # 100 pairs in which red won both games: as 200 independent games that
        # is 100-0-100, +/- 48.5 Elo; as pairs it is an even score without noise.
        self.assertAlmostEqual(elo_stats(100, 0, 100)[2], 48.5, delta=0.1)
        self.assertEqual(pair_stats((0, 0, 100, 0, 0))[2], 0.0)
        self.assertEqual(pair_stats((0, 0, 0, 0, 0)), (0.0, 0.0, math.inf))
        self.assertEqual(pair_stats((0, 0, 0, 0, 7))[1:], (math.inf, math.inf))

    def test_pair_points(self):
        cases = [((1, 1), 4), ((1, 0.5), 3), ((0.5, 1), 3), ((1, 0), 2), ((0.5, 0.5), 2),
                 ((0, 0.5), 1), ((0, 0), 0), ((1, None), None), ((None, 0), None)]
        for scores, index in cases:
            with self.subTest(scores=scores):
                self.assertEqual(pair_index(*scores), index)

    def test_sprt_decisions_on_pairs(self):
        cases = [  # LL, LD, DD+WL, WD, WW; elo0, elo1; verdict
            ((1, 2, 10, 5, 2), 0, 10, None),                    # LLR .29
            ((15, 30, 150, 75, 30), 0, 10, "H1 accepted"),      # +43.7 Elo: LLR 4.30
            ((15, 30, 150, 75, 30), 50, 60, None),
            ((15, 30, 150, 75, 30), 80, 90, "H0 accepted"),
            ((50, 100, 200, 100, 50), 0, 10, None),             # even: LLR -.69
            ((300, 600, 1200, 600, 300), 0, 10, "H0 accepted"),  # LLR -4.14
            ((0, 0, 5, 0, 0), 0, 10, None),     # a one-sided start has no variance of its own
        ]
        for counts, elo0, elo1, verdict in cases:
            with self.subTest(counts=counts, bounds=(elo0, elo1)):
                got, llr, _, _ = sprt_decision_pairs(counts, elo0, elo1, 0.05, 0.05)
                self.assertEqual(got, verdict, "LLR %.2f" % llr)
        # -N (s1 - s0)^2 / (2 var): 3000 even pairs of variance .075 against
        # s1 = 1 / (1 + 10^(-10/400)) = .514387 (+10 Elo).
        self.assertAlmostEqual(sprt_llr_pairs((300, 600, 1200, 600, 300), 0, 10),
                               -3000 * 0.014387 ** 2 / 0.15, delta=0.001)


class MatchCountingTest(unittest.TestCase):
    """How a match counts finished games: W-D-L, complete pairs, the test."""

    def match_of(self, *args):
        opts = parse_options(["--engine1", "e1", "--engine2", "e2", "--st", "1", *args])
        return runner.Match(opts, [(["h2e2"], "one"), (["b2e2"], "two")], "referee")

    def record(self, m, results, order=None):
        """Records RESULTS (from red's view) of games 1.. in ORDER, quietly."""
        order = order or range(len(results))
        with contextlib.redirect_stdout(io.StringIO()):
            for i in order:
                m._record({"n": i + 1, "red": "a", "black": "b", "result": results[i],
                           "reason": "", "plies": 0, "one_red": i % 2 == 0,
                           "loser": None, "kind": None, "label": ""})

    def test_pairs_share_an_opening_with_colours_swapped(self):
        m = self.match_of()
        plans = [m.game_plan(i) for i in range(6)]
        self.assertEqual([(label, red) for _, label, red in plans],
                         [("one", True), ("one", False), ("two", True), ("two", False),
                          ("one", True), ("one", False)])

    def test_a_pair_without_both_results_counts_only_in_games(self):
        results = ["1-0", "0-1",            # engine 1 wins both: WW
                   "1/2-1/2", "*",          # second game unfinished
                   "*", "1-0",              # first game unfinished; engine 1 lost
                   "1-0", "1-0",            # red won both: WL
                   "0-1"]                   # the last game has no partner
        # Games finish in any order (two at once); they are counted in order.
        for order in (None, [1, 0, 3, 2, 5, 4, 8, 7, 6]):
            with self.subTest(order=order):
                m = self.match_of()
                self.record(m, results, order)
                self.assertEqual(m.wdl, [3, 1, 3])
                self.assertEqual(m.penta, [0, 0, 1, 0, 1])
                out = io.StringIO()
                with contextlib.redirect_stdout(out):
                    m.summary()
                self.assertIn("Pairs LL-LD-DD+WL-WD-WW: 0-0-1-0-1  2 pairs; "
                              "3 games outside complete pairs left out", out.getvalue())
                # A WL and a WW pair: a score of .75, +190.8 Elo.
                self.assertIn("Elo difference: +190.8 +/- inf (95%, pentanomial)",
                              out.getvalue())

    def test_sequential_test_uses_pairs_once_there_are_some(self):
        # 60 pairs red won both games, 30 pairs engine 1 won and drew: the
        # games alone (90-30-60) give LLR .51, the pairs 3.02 against 0, 5.
        m = self.match_of("--sprt", "0,5")
        self.record(m, ["1-0", "1-0", "1-0", "1-0", "1-0", "1/2-1/2"] * 30)
        model, verdict, llr, _, _ = m.verdict
        self.assertEqual((model, verdict), ("pentanomial", "H1 accepted"))
        self.assertTrue(m.stop.is_set())
        self.assertLess(sprt_llr(*m.wdl, 0, 5), 1)

    def test_games_cut_short_by_an_interruption_are_not_counted(self):
        # Black thinks for long; meanwhile the match is stopped, and the engines the
        # stop kills must not lose the game by their exit.
        class Context:
            """The run as a game task sees it, with the stop in the test's hands."""
            def __init__(self):
                self.referee = FakeReferee(SHUTTLE_PIECES, SHUTTLE_MOVES)
                self.on_stop = None

            @contextlib.contextmanager
            def watching_stop(self, on_stop):
                self.on_stop = on_stop
                yield

            def helper(self, name, make, usable=None):
                return self.referee

        cmd1, cmd2 = engine_command(*RED_SHUTTLE), engine_command("sleep 20|move b9c7")
        opts = parse_options(["--engine1", cmd1, "--engine2", cmd2, "--st", "30",
                              "--ranks1", "0", "--ranks2", "0", "--games", "1",
                              "--quit-timeout", "0.2"])
        context, records = Context(), []
        game = threading.Thread(target=lambda: records.append(game_task.play_game(
            1, ([], "start", True), opts, sys.executable, EngineFiles(), context)), daemon=True)
        game.start()
        deadline = time.monotonic() + 10
        # Red has moved once the referee is asked about the position after it.
        while ("probe", ("b0c2",)) not in context.referee.asked:
            self.assertLess(time.monotonic(), deadline, "black was never asked to move")
            time.sleep(0.05)
        time.sleep(0.2)
        context.on_stop()       # as the stop of the match does, from another thread
        game.join(10)
        self.assertFalse(game.is_alive())
        rec = records[0]
        self.assertEqual((rec["result"], rec["error"]), ("*", None))
        self.assertIn("aborted", rec["reason"])
        m = runner.Match(opts, [([], "start")], "referee")
        with contextlib.redirect_stdout(io.StringIO()):
            m._record(rec)
        self.assertEqual((m.wdl, m.faults), ([0, 0, 0], {1: {}, 2: {}}))

    def test_sequential_test_without_a_pair_uses_games(self):
        m = self.match_of("--sprt", "0,5")
        self.record(m, ["1-0"])
        self.assertEqual(m.sprt_state()[:2], ("trinomial", None))


class FakeRunner:
    """Stands in for the task runner: hands the match the records of RESULTS (red's view,
    games 1..) in ORDER, as workers would, and notes the tasks and the cancel."""

    def __init__(self, results, order, interrupt_after=None):
        self.files = EngineFiles()
        self.context = RunContext("test")
        self.records = {i + 1: {"n": i + 1, "red": "a", "black": "b", "result": r,
                                "reason": "", "plies": 0, "one_red": i % 2 == 0,
                                "loser": None, "kind": None, "label": "", "error": None}
                        for i, r in enumerate(results)}
        self.order = order
        self.interrupt_after = interrupt_after
        self.tasks = None
        self.cancelled = 0

    def run(self, tasks, unit, note):
        self.tasks = tasks
        for k, n in enumerate(self.order):
            if k == self.interrupt_after:
                raise KeyboardInterrupt
            yield ("game", n), self.records[n]

    def cancel(self):
        self.cancelled += 1


class MatchRunTest(unittest.TestCase):
    """The match over its tasks: what it submits, and what it does with results that come
    in any order."""

    def play(self, results, order, *args, **runner_args):
        opts = parse_options(["--engine1", "./e1 -xboard", "--engine2", "e2", "--st", "1",
                              "--games", str(len(results)), *args])
        m = runner.Match(opts, [(["h2e2"], "one"), (["b2e2"], "two")], "referee")
        fake = FakeRunner(results, order, **runner_args)
        out = io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(io.StringIO()):
            try:
                m.run(fake)
            except KeyboardInterrupt:
                out.write("interrupted\n")
        games = [int(line.split()[0]) for line in out.getvalue().splitlines()[1:]
                 if line.split() and line.split()[0].isdigit()]
        return m, fake, games, out.getvalue()

    def test_each_game_is_a_task_of_its_plan(self):
        m, fake, _, _ = self.play(["1-0"] * 4, [1, 2, 3, 4])
        self.assertEqual([t.key for t in fake.tasks], [("game", n) for n in range(1, 5)])
        for t in fake.tasks:
            number, plan, opts, referee, files, context = t.args
            self.assertEqual(plan, m.game_plan(number - 1))
            # Programs named by paths that any worker can read.
            self.assertEqual(opts.engine1, os.path.abspath("e1") + " -xboard")
            self.assertEqual(opts.engine2, "e2")
        self.assertEqual(fake.cancelled, 0)

    def test_results_in_any_order_count_in_game_order(self):
        results = ["1-0", "0-1", "1/2-1/2", "1-0", "0-1", "0-1"]
        m, fake, games, _ = self.play(results, [2, 3, 1, 6, 5, 4])
        self.assertEqual(games, [1, 2, 3, 4, 5, 6])
        self.assertEqual((m.wdl, m.penta), ([3, 1, 2], [0, 1, 1, 0, 1]))
        # The progress line's note: the score, and the Elo of the pairs (a mean of 7/12).
        self.assertEqual(m.progress_note(), "score 3.5-2.5, Elo +58.5 +/- 338.0")

    def test_a_verdict_stops_the_games_left(self):
        # Engine 1 wins every game: the test decides after a few pairs, and the match
        # takes no result after that.
        results = ["1-0", "0-1"] * 50
        m, fake, games, _ = self.play(results, list(range(1, 101)), "--sprt", "0,5")
        self.assertEqual(m.verdict[1], "H1 accepted")
        self.assertEqual(fake.cancelled, 1)
        self.assertEqual(games, list(range(1, len(games) + 1)))
        self.assertLess(len(games), 100)

    def test_a_game_that_fails_stops_the_match(self):
        m = runner.Match(parse_options(["--engine1", "e1", "--engine2", "e2", "--st", "1",
                                        "--games", "4"]),
                         [(["h2e2"], "one")], "referee")
        fake = FakeRunner(["1-0", "0-1", "1-0", "0-1"], [1, 2, 3, 4])
        fake.records[2]["error"] = "game 2: referee exited"
        with contextlib.redirect_stdout(io.StringIO()):
            m.run(fake)
        self.assertEqual((m.errors, fake.cancelled), (["game 2: referee exited"], 1))
        self.assertEqual(m.printed, 2)

    def test_an_interruption_stops_the_games_and_goes_on(self):
        m, fake, games, out = self.play(["1-0"] * 6, [1, 2, 3, 4, 5, 6], interrupt_after=3)
        self.assertEqual((games, fake.cancelled), ([1, 2, 3], 1))
        self.assertTrue(out.endswith("interrupted\n"))

    def test_games_seeds_differ_and_repeat(self):
        seeds = [game_task.game_seed(1, n) for n in range(1, 101)]
        self.assertEqual(len(set(seeds)), 100)
        self.assertEqual(seeds, [game_task.game_seed(1, n) for n in range(1, 101)])
        self.assertNotEqual(seeds[0], game_task.game_seed(2, 1))


class UciEngineTest(unittest.TestCase):
    """The UCI adapter speaks UCI for the xboard words the games send."""

    def engine(self):
        opts = parse_options(["--engine1", "x", "--engine2", "y", "--proto1", "uci", "--tc", "0:02+0.02"])
        e = UciEngine(1, "x", opts)
        e.sent = []
        e.raw = e.sent.append
        return e

    def test_a_turn_is_a_position_and_a_go_with_both_clocks(self):
        e = self.engine()
        for line in ("new", "variant xiangqi", "level 0 0:02 0.02", "post", "force", "usermove h2e2"):
            e.send(line)
        self.assertEqual(e.sent, ["ucinewgame"])
        e.playing = True
        for line in ("time 200", "otim 300", "go"):
            e.send(line)
        # Blue is to move after h2e2: its clock is the engine's own.
        self.assertEqual(e.sent[1:], ["position startpos moves h2e2", "go wtime 3000 btime 2000 winc 20 binc 20"])
        # While playing, the opponent's move starts the next turn.
        e.sent.clear()
        e.moves.append("h9g7")
        e.send("usermove b0c2")
        self.assertEqual(e.sent[0], "position startpos moves h2e2 h9g7 b0c2")

    def test_replies_read_as_xboard_lines(self):
        e = self.engine()
        e.send("ping 5")
        e.thinking = True
        replies = iter([(1.0, "info depth 3"), (2.0, "bestmove h9g7 ponder b0c2"), (3.0, "readyok")])
        with unittest.mock.patch.object(Engine, "get", lambda self, deadline: next(replies)):
            self.assertEqual(e.get(0)[1], "info depth 3")
            self.assertEqual(e.get(0)[1], "move h9g7")
            self.assertEqual(e.get(0)[1], "pong 5")
        self.assertEqual(e.sent, ["isready"])
        self.assertEqual(e.moves, ["h9g7"])

    def test_a_depth_goes_with_every_go(self):
        e = self.engine()
        for line in ("new", "st 2", "sd 4", "force", "go"):
            e.send(line)
        self.assertEqual(e.sent[-1], "go movetime 2000 depth 4")

    def test_force_stops_a_search_under_way(self):
        e = self.engine()
        e.send("go")
        e.send("force")
        self.assertEqual(e.sent[-1], "stop")
        self.assertFalse(e.thinking)


class RankNotationTest(unittest.TestCase):
    LEGAL = {"h2e2", "b0c2", "h0g2", "a3a4", "a4a5", "b2b9"}

    def engine(self, mode):
        opts = parse_options(["--engine1", "e1", "--engine2", "e2", "--st", "1",
                              "--ranks1", mode])
        return Engine(1, "e1", opts, "one")

    def test_first_move_decides(self):
        cases = [  # first move text, numbering decided, move read
            ("h2e2", "0", "h2e2"),    # only the 0-9 reading is legal
            ("h3e3", "1", "h2e2"),    # only the 1-10 reading is legal
            ("b1c3", "1", "b0c2"),
            ("b0c2", "0", "b0c2"),    # a rank 0
            ("b3b10", "1", "b2b9"),   # a rank 10
            ("a4a5", "0", "a4a5"),    # both readings legal: the protocol's
            ("i5i6", "0", "i5i6"),    # neither legal: the protocol's, and illegal
        ]
        for text, decided, read in cases:
            with self.subTest(move=text):
                e = self.engine("auto")
                self.assertEqual(e.parse_move(text, self.LEGAL), read)
                self.assertEqual(e.ranks.mode, decided)

    def test_later_moves_keep_the_numbering(self):
        cases = [  # moves in order, what each reads as
            (["h3e3", "b3b10", "b1c3"], ["h2e2", "b2b9", "b0c2"]),
            (["h2e2", "b0c2", "a4a5"], ["h2e2", "b0c2", "a4a5"]),
            # A later contradiction reads as an illegal move, not as a switch.
            (["h3e3", "h2e2"], ["h2e2", "h1e1"]),
            (["h3e3", "b0c2"], ["h2e2", "b-1c1"]),     # a rank 0 under 1-10: no move
            (["h2e2", "h3e3"], ["h2e2", "h3e3"]),
            (["h2e2", "b3b10"], ["h2e2", "b3b10"]),    # a rank 10 under 0-9: no move
        ]
        for texts, reads in cases:
            with self.subTest(moves=texts):
                e = self.engine("auto")
                got = [e.parse_move(t, self.LEGAL) for t in texts]
                self.assertEqual(got, reads)

    def test_each_game_decides_and_the_match_notes_it(self):
        # Engine 1 writes ranks 1-10 in games 1 and 2, shows nothing in game 3 and
        # reads as 0-9 in game 4; engine 2's numbering is fixed, and never noted.
        opts = parse_options(["--engine1", "e1", "--engine2", "e2", "--st", "1",
                              "--ranks1", "auto", "--ranks2", "0"])
        m = runner.Match(opts, [(["h2e2"], "one")], "referee")
        err = io.StringIO()
        with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(err):
            for n, mode in ((2, "1"), (1, "1"), (3, "auto"), (4, "0")):
                one_red = n % 2 == 1
                m._record({"n": n, "red": "one" if one_red else "two",
                           "black": "two" if one_red else "one", "result": "1/2-1/2",
                           "reason": "", "plies": 0, "one_red": one_red, "loser": None,
                           "kind": None, "label": "", "ranks": {1: mode, 2: "0"}})
        self.assertEqual(err.getvalue().splitlines(),
                         ["note: one writes ranks 1-10 (game 1)",
                          "note: one wrote ranks 0-9 in game 4, unlike game 1"])

    def test_fixed_numbering_is_never_changed(self):
        for mode, text, read in (("0", "h3e3", "h3e3"), ("1", "h2e2", "h1e1")):
            with self.subTest(mode=mode):
                e = self.engine(mode)
                self.assertEqual(e.parse_move(text, self.LEGAL), read)
                self.assertEqual(e.ranks.mode, mode)


def history(*entries):
    """Position history from 'KEY' or 'KEY+' (the move into it gave check)."""
    return [(e.rstrip("+"), e.endswith("+")) for e in entries]


class RepetitionRulingTest(unittest.TestCase):
    def test_rulings(self):
        cases = [  # history, last mover, repetitions, referee verdict, result, reason
            (history("A", "B", "C", "D", "A", "B", "C", "D"), BLACK, 3, 0, None, None),
            (history("A", "B", "C", "D", "A", "B", "C", "D", "A"), BLACK, 3, 0,
             "1/2-1/2", "repetition"),
            (history("A", "B", "C", "D", "A"), BLACK, 2, 0, "1/2-1/2", "repetition"),
            # Red's moves all gave check (into B and D), Black's did not.
            (history("A", "B+", "C", "D+", "A", "B+", "C", "D+", "A"), BLACK, 3, 0,
             "0-1", "red perpetual check"),
            (history("A", "B", "C+", "D", "A+", "B", "C+", "D", "A+"), BLACK, 3, 0,
             "1-0", "black perpetual check"),
            # Both sides checked throughout: a draw.
            (history("A", "B+", "C+", "D+", "A+", "B+", "C+", "D+", "A+"), BLACK, 3, 0,
             "1/2-1/2", "repetition"),
            # One check missing in the cycle that repeats: no perpetual check.
            (history("A", "B+", "C", "D", "A", "B+", "C", "D+", "A"), BLACK, 3, 0,
             "1/2-1/2", "repetition"),
            # Checks before the first of the counted occurrences do not matter.
            (history("X", "A", "B+", "C", "D", "A", "B+", "C", "D+", "A"), BLACK, 2, 0,
             "0-1", "red perpetual check"),
            # The referee's verdict decides: the last mover loses, or wins.
            (history("A", "B", "C", "D", "A", "B", "C", "D", "A"), BLACK, 3, -1,
             "1-0", "black forbidden repetition (chase) (referee)"),
            (history("A", "B+", "C", "D+", "A", "B+", "C", "D+", "A"), BLACK, 3, 1,
             "0-1", "red perpetual check (referee)"),
            # The same record with Red moving last: the checks were Black's.
            (history("A", "B+", "C", "D+", "A", "B+", "C", "D+", "A"), RED, 3, 1,
             "1-0", "black perpetual check (referee)"),
        ]
        for hist, mover, reps, verdict, result, reason in cases:
            with self.subTest(history=hist, reps=reps, verdict=verdict):
                g = repetition_ruling(hist, mover, reps, lambda: verdict)
                if result is None:
                    self.assertIsNone(g)
                else:
                    self.assertEqual((g.result, g.reason, g.loser), (result, reason, None))

    def test_referee_is_asked_only_at_a_repetition(self):
        asked = []
        repetition_ruling(history("A", "B", "A"), RED, 3, lambda: asked.append(1))
        self.assertEqual(asked, [])


class MaterialRulingTest(unittest.TestCase):
    def test_only_kings_advisors_and_elephants_draw_at_once(self):
        cases = [  # the referee's position text, drawn
            ("2bakab2/9/9/9/9/9/9/9/9/2BAKAB2 w", True),
            ("4k4/9/9/9/9/9/9/9/9/4K4 b", True),
            ("2bakab2/9/9/9/9/9/9/9/9/2BAKABP1 w", False),
            ("3k5/9/9/9/9/9/9/9/9/3nK4 b", False),
            ("3k5/9/9/9/9/9/9/9/9/3CK4 w", False),
            ("3rk4/9/9/9/9/9/9/9/9/4K4 w", False),
        ]
        for key, drawn in cases:
            with self.subTest(key=key):
                self.assertEqual(no_attacking_material(key), drawn)


class ClaimRulingTest(unittest.TestCase):
    def test_claims_against_rulings(self):
        draw = GameOver("1/2-1/2", "repetition")
        red_wins = GameOver("1-0", "black perpetual check")
        cases = [  # claimed, claimer, ruling, result, reason, claimer lost
            ("1/2-1/2", BLACK, draw, "1/2-1/2", "repetition, claimed by black", False),
            ("1-0", RED, red_wins, "1-0", "black perpetual check, claimed by red", False),
            ("1-0", BLACK, red_wins, "1-0", "black perpetual check, claimed by black", False),
            ("1/2-1/2", RED, None, "0-1", "false claim: LINE", True),
            ("1/2-1/2", RED, red_wins, "0-1", "false claim: LINE", True),
            ("0-1", BLACK, draw, "1-0", "false claim: LINE", True),
        ]
        for claimed, claimer, ruling, result, reason, lost in cases:
            with self.subTest(claimed=claimed, claimer=claimer, ruling=ruling and ruling.reason):
                g = judge_claim(claimed, ruling, claimer, "LINE", "engine")
                self.assertEqual((g.result, g.reason), (result, reason))
                self.assertEqual(g.loser, "engine" if lost else None)
                self.assertEqual(g.kind, "protocol" if lost else None)

    def test_referee_rule_ends(self):
        cases = [  # value, last mover, result
            (None, RED, None),
            (0, RED, "1/2-1/2"),
            (1, BLACK, "0-1"),
            (-1, BLACK, "1-0"),
            (-1, RED, "0-1"),
        ]
        for value, mover, result in cases:
            with self.subTest(value=value, mover=mover):
                g = rule_end_ruling(value, mover)
                self.assertEqual(g and g.result, result)

    def test_reading_the_referee_search(self):
        # Lines as fairy-stockfish prints them for "go depth 2 searchmoves MOVE".
        cases = [
            (["info depth 1 seldepth 1 multipv 1 score cp 0 nodes 1 pv c8b10",
              "info depth 2 seldepth 1 multipv 1 score cp 0 nodes 2 pv c8b10",
              "bestmove c8b10"], "c8b10", 0),
            (["info depth 2 seldepth 2 multipv 1 score mate -1 nodes 2 pv a9a10",
              "bestmove a9a10"], "a9a10", -1),
            (["info depth 2 seldepth 2 multipv 1 score mate 1 nodes 2 pv b2d2",
              "bestmove b2d2"], "b2d2", 1),
            # A reply in the variation: the game goes on, whatever the score.
            (["info depth 1 seldepth 1 multipv 1 score cp 0 nodes 1 pv c8b10",
              "info depth 2 seldepth 2 multipv 1 score cp 0 nodes 6 pv c8b10 a1a2",
              "bestmove c8b10 ponder a1a2"], "c8b10", None),
            (["info depth 2 seldepth 4 multipv 1 score cp 506 nodes 12 pv a9a10 e10e9",
              "bestmove a9a10 ponder e10e9"], "a9a10", None),
            (["info depth 2 currmove c8b10 currmovenumber 1", "bestmove c8b10"], "c8b10", None),
        ]
        for lines, move, value in cases:
            with self.subTest(lines=lines):
                self.assertEqual(parse_rule_end(lines, move), value)


class GameTest(unittest.TestCase):
    """Whole games between scripted engines, judged by a stand-in referee."""

    def play(self, red, black, args=(), st=None, opening=(), **referee):
        ref = FakeReferee(referee.pop("pieces", SHUTTLE_PIECES),
                          referee.pop("allowed", SHUTTLE_MOVES), **referee)
        cmd1, cmd2 = engine_command(*red), engine_command(*black)
        opts = parse_options(["--engine1", cmd1, "--engine2", cmd2, "--st", "5",
                                    "--ranks1", "0", "--ranks2", "0",
                                    "--quit-timeout", "5", "--hard-timeout", "10", *args])
        if st is not None:
            opts.st = st
        engines = [Engine(1, cmd1, opts), Engine(2, cmd2, opts)]
        try:
            game = Game(opts, ref, engines[0], engines[1], list(opening), 1,
                              threading.Event())
            over = game.play()
        finally:
            for e in engines:
                e.stop()
        loser = None if over.loser is None else engines.index(over.loser) + 1
        return over, game, loser

    def check(self, over, game, loser, result, reason, plies, lost=None, kind=None):
        self.assertEqual(over.result, result, over.reason)
        self.assertIn(reason, over.reason)
        self.assertEqual(len(game.moves), plies)
        self.assertEqual(loser, lost)
        self.assertEqual(over.kind, kind)

    def test_runner_rulings(self):
        cases = [  # name, red, black, options, referee, result, reason, plies, loser, kind
            ("third occurrence is drawn", RED_SHUTTLE, BLACK_SHUTTLE, [], {},
             "1/2-1/2", "repetition", 8, None, None),
            ("a side that checked throughout loses", RED_SHUTTLE, BLACK_SHUTTLE, [],
             {"checks": {"b0c2", "c2b0"}}, "0-1", "red perpetual check", 8, None, None),
            ("the referee's verdict decides", RED_SHUTTLE, BLACK_SHUTTLE, [],
             {"verdicts": {tuple(shuttle(8)): -1}},
             "1-0", "black forbidden repetition (chase) (referee)", 8, None, None),
            ("repetitions as asked", RED_SHUTTLE, BLACK_SHUTTLE, ["--repetitions", "2"], {},
             "1/2-1/2", "repetition", 4, None, None),
            ("ply cap", RED_SHUTTLE, BLACK_SHUTTLE, ["--max-plies", "6"], {},
             "1/2-1/2", "ply cap 6", 6, None, None),
            ("mate", RED_SHUTTLE, BLACK_SHUTTLE, [],
             {"no_moves": [shuttle(3)], "checks": {"c2b0"}}, "1-0", "red mates", 3, None, None),
            ("stalemate", RED_SHUTTLE, BLACK_SHUTTLE, [], {"no_moves": [shuttle(3)]},
             "1-0", "red stalemates", 3, None, None),
            ("illegal move", ["move b0c2", "move c2a1"], BLACK_SHUTTLE, [], {},
             "0-1", "illegal move c2a1", 2, 1, "illegal"),
            ("resignation", RED_SHUTTLE, ["move b9c7", "resign"], [], {},
             "1-0", "resigns", 3, None, None),
            ("moved out of turn", ["move b0c2|move c2b0"], ["sleep 1|move b9c7"], [], {},
             "0-1", "moved out of turn", 1, 1, "protocol"),
        ]
        for name, red, black, args, referee, result, reason, plies, lost, kind in cases:
            with self.subTest(name):
                over, game, loser = self.play(red, black, args, **referee)
                self.check(over, game, loser, result, reason, plies, lost, kind)

    def test_time_forfeit(self):
        over, game, loser = self.play([""], BLACK_SHUTTLE, ["--st-margin", "0",
                                                          "--st-margin-pct", "0"], st=0.2)
        self.check(over, game, loser, "0-1", "no move in time", 0, 1, "time")

    def test_claims(self):
        cases = [  # name, red, black, options, referee, result, reason, plies, loser
            ("a draw by the referee's rules, claimed instead of a move",
             RED_SHUTTLE, ["move b9c7", "1/2-1/2 {50-move rule}"], [],
             {"rule_ends": {tuple(shuttle(3)): 0}},
             "1/2-1/2", "draw by rule (referee), claimed by black", 3, None),
            ("the same claim where the game goes on is false",
             RED_SHUTTLE, ["move b9c7", "1/2-1/2 {50-move rule}"], [], {},
             "1-0", "false claim: 1/2-1/2 {50-move rule}", 3, 2),
            ("a claim of another result than the rules give is false",
             RED_SHUTTLE, ["move b9c7", "0-1 {Black wins}"], [],
             {"rule_ends": {tuple(shuttle(3)): 0}},
             "1-0", "false claim: 0-1 {Black wins}", 3, 2),
            ("a win by the referee's rules, claimed by the winner after its move",
             ["move b0c2", "move c2b0|1-0 {White chases}"], BLACK_SHUTTLE, [],
             {"rule_ends": {tuple(shuttle(3)): 1}},
             "1-0", "red wins by rule (referee), claimed by red", 3, None),
            ("a third occurrence claimed after its own move, before --repetitions",
             RED_SHUTTLE, ["move b9c7", "move c7b9", "move b9c7",
                           "move c7b9|1/2-1/2 {3-fold repetition}"], ["--repetitions", "5"], {},
             "1/2-1/2", "repetition, claimed by black", 8, None),
            ("a perpetual check claimed by its victim",
             RED_SHUTTLE, ["move b9c7", "move c7b9", "move b9c7",
                           "move c7b9|0-1 {White checks 3 times}"], ["--repetitions", "5"],
             {"checks": {"b0c2", "c2b0"}},
             "0-1", "red perpetual check, claimed by black", 8, None),
            ("a draw claimed where the rules see perpetual check is false",
             RED_SHUTTLE, ["move b9c7", "move c7b9", "move b9c7",
                           "move c7b9|1/2-1/2 {3-fold repetition}"], ["--repetitions", "5"],
             {"checks": {"b0c2", "c2b0"}},
             "1-0", "false claim: 1/2-1/2 {3-fold repetition}", 8, 2),
            ("a second occurrence is no repetition",
             RED_SHUTTLE, ["move b9c7", "move c7b9|1/2-1/2 {repetition}"], [], {},
             "1-0", "false claim: 1/2-1/2 {repetition}", 4, 2),
        ]
        for name, red, black, args, referee, result, reason, plies, lost in cases:
            with self.subTest(name):
                over, game, loser = self.play(red, black, args, **referee)
                self.check(over, game, loser, result, reason, plies, lost,
                           "protocol" if lost else None)


class CommandLineTest(unittest.TestCase):
    """tools/match.py is only a script over the package beside it."""

    def run_script(self, *args):
        with tempfile.TemporaryDirectory() as scratch:
            return subprocess.run([sys.executable, os.path.join(ROOT, "tools", "match.py"), *args],
                                  cwd=scratch, capture_output=True, text=True, timeout=60)

    def test_the_manual_frames_the_options(self):
        run = self.run_script("--help")
        self.assertEqual(run.returncode, 0, run.stderr)
        out = run.stdout
        self.assertTrue(out.startswith("usage: match.py"), out)
        self.assertLess(out.index("Engine-vs-engine Xiangqi matches"),
                        out.index("command line of engine 1"))
        self.assertLess(out.index("command line of engine 1"),
                        out.index("Claims. An engine may end the game"))

    def test_the_exit_code_of_main_is_the_scripts(self):
        run = self.run_script("--engine1", "a", "--engine2", "b", "--st", "1",
                              "--referee", "no-such-referee")
        self.assertEqual(run.returncode, 2)
        self.assertIn("error: ", run.stderr)


def find_fairy_stockfish():
    return find_binary("fairy-stockfish")


@unittest.skipUnless(find_fairy_stockfish(), "fairy-stockfish is not installed")
class RealRefereeTest(unittest.TestCase):
    """The referee's answers from fairy-stockfish itself."""

    @classmethod
    def setUpClass(cls):
        cls.ref = Referee(find_fairy_stockfish())

    @classmethod
    def tearDownClass(cls):
        cls.ref.close()

    CHECKS = "4k4/9/9/9/9/9/9/9/9/R2K5 w - - 0 1"   # red rook checks from a0
    ROOK = "3k5/9/9/9/9/9/9/9/4R4/5K3 w - - %d 80"

    def test_rule_ends(self):
        check_cycle = ["a0a9", "e9e8", "a9a8", "e8e9", "a8a9", "e9e8", "a9a8", "e8e9"]
        cases = [  # fen, moves, rule end (last mover's view)
            (None, ["h2e2"], None),
            (None, shuttle(4), None),                       # second occurrence
            (None, shuttle(8), 0),                          # third: a draw
            (self.CHECKS, check_cycle + ["a8a9"], -1),      # perpetual check loses
            (self.CHECKS, check_cycle[:4] + ["a8a9"], None),
            (self.ROOK % 99, ["e1e2"], 0),                  # 100 plies without a capture
            (self.ROOK % 90, ["e1e2"], None),
            ("3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1", ["b1d1"], 1),   # mate
        ]
        for fen, moves, value in cases:
            with self.subTest(fen=fen, moves=moves):
                self.assertEqual(self.ref.rule_end(fen, moves), value)

    def test_probe(self):
        legal, check, key = self.ref.probe(None, [])
        self.assertEqual((len(legal), check), (44, False))
        self.assertIn("h2e2", legal)
        _, check, _ = self.ref.probe(self.CHECKS, ["a0a9"])
        self.assertTrue(check)
        self.assertEqual(self.ref.probe(None, shuttle(4))[2], key)


@unittest.skipUnless(find_fairy_stockfish(), "fairy-stockfish is not installed")
class OpeningGeneratorTest(unittest.TestCase):
    """tools/make_openings.py: walks through a small book, with the real referee."""

    START = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r"
    AFTER_H2E2 = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b"
    # h2e2 three times as often as c3c4; a0a5 is illegal (the pawn on a3).
    BOOK = START + ":h2e2 c3c4 h2e2 a0a5 h2e2\n" + AFTER_H2E2 + ":h9g7\n"

    @classmethod
    def setUpClass(cls):
        cls.ref = make_openings.Judge(find_fairy_stockfish())
        cls.scratch = tempfile.TemporaryDirectory()
        path = os.path.join(cls.scratch.name, "book.dat")
        with open(path, "w") as f:
            f.write(cls.BOOK)
        cls.book = make_openings.read_book(path)

    @classmethod
    def tearDownClass(cls):
        cls.ref.close()
        cls.scratch.cleanup()

    def lines(self, *args, **kwargs):
        with contextlib.redirect_stderr(io.StringIO()) as err:
            return make_openings.make_lines(self.ref, self.book, *args, **kwargs), err.getvalue()

    def test_the_book_is_followed_as_far_as_it_goes(self):
        self.assertEqual(make_openings.book_fen(self.ref.probe(None, [])[2]), self.START)
        # Seed, count, book plies at most, random plies.
        lines, err = self.lines(1, 2, 4, 0)
        self.assertEqual(sorted(lines), [(["c3c4"], 1), (["h2e2", "h9g7"], 2)])
        self.assertIn("book move a0a5 is illegal", err)
        self.assertEqual(sorted(self.lines(1, 2, 1, 0)[0]), [(["c3c4"], 1), (["h2e2"], 1)])
        with self.assertRaisesRegex(MatchError, "only 2 lines of 3 found in 50 walks"):
            self.lines(1, 3, 4, 0, tries=50)

    def test_book_weights(self):
        rng = random.Random(7)
        firsts = [make_openings.opening_line(self.ref, self.book, rng, 1, 0)[0][0]
                  for _ in range(400)]
        self.assertEqual(set(firsts), {"h2e2", "c3c4"})
        self.assertAlmostEqual(firsts.count("h2e2") / 400, 0.75, delta=0.06)

    def test_random_plies_give_distinct_legal_lines(self):
        # One random ply after either book line: about 90 positions in all, so
        # 60 draws would repeat some.
        lines, _ = self.lines(3, 60, 4, 1)
        self.assertEqual(lines, self.lines(3, 60, 4, 1)[0])      # seeded
        self.assertNotEqual(lines, self.lines(4, 60, 4, 1)[0])
        self.assertEqual({len(moves) - book for moves, book in lines}, {1})
        keys = {self.ref.probe(None, moves)[2] for moves, _ in lines}
        self.assertEqual(len(keys), 60)
        # The match runner reads them back, each checked move by move.
        path = os.path.join(self.scratch.name, "openings.txt")
        with open(path, "w") as f:
            make_openings.write_lines(f, lines, "test")
        self.assertEqual([moves for moves, _ in load_openings(path, self.ref, None)],
                         [moves for moves, _ in lines])


if __name__ == "__main__":
    if "--real-referee" in sys.argv:
        sys.argv.remove("--real-referee")
        if not find_fairy_stockfish():
            print("fairy-stockfish is not installed: skipped")
            sys.exit(SKIP_RETURN_CODE)
        sys.argv[1:1] = ["RealRefereeTest"]
    unittest.main()
