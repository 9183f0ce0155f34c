"""qorat-datagen and the batches of tools/nnue/generate.py: the same seed gives the same
file, the records hold positions the engine takes back as they were, quiet, with sane scores
and results; the options are checked; the batches on the task layer are the generator's own
files and a second run keeps them.

Run as: /usr/bin/python3 nnue_datagen_test.py QORAT_DATAGEN_BINARY (exit 77 without numpy)."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools")
sys.path.insert(0, TOOLS)
DATAGEN = None

try:
    from nnue import dataset
except ImportError:
    dataset = None

# Small enough for the sanitized build to play in seconds.
NODES = "600"
GAMES = "3"
# The position after the one opening line of the tests' file, with no random plies.
OPENING = "h2e2 h9g7\n"
AFTER_OPENING = "rheakae1r/9/1c4hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR r"
# Scores beyond this are won or lost games, which the generator leaves out.
KNOWN_WIN = 10000


def generate(scratch, name, seed, *more, games=GAMES):
    out = os.path.join(scratch, name)
    run = subprocess.run([DATAGEN, "--seed", str(seed), "--games", games, "--nodes", NODES, "--out", out]
                         + list(more), capture_output=True, text=True, timeout=240)
    if run.returncode != 0:
        raise AssertionError(run.stderr)
    return out


def printed(path):
    run = subprocess.run([sys.executable, os.path.join(TOOLS, "nnue", "dataset.py"), "print", path],
                         capture_output=True, text=True, check=True, timeout=60)
    return [line.split(";") for line in run.stdout.splitlines()]


class GeneratorTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.first = generate(cls.scratch.name, "first.bin", 5)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_the_same_seed_gives_the_same_file_and_another_seed_another(self):
        again = generate(self.scratch.name, "again.bin", 5)
        other = generate(self.scratch.name, "other.bin", 6)
        with open(self.first, "rb") as a, open(again, "rb") as b, open(other, "rb") as c:
            first = a.read()
            self.assertEqual(first, b.read())
            self.assertNotEqual(first, c.read())

    def test_positions_come_back_from_the_engine_as_written_and_quiet(self):
        lines = printed(self.first)
        self.assertGreater(len(lines), 20)
        fens = "".join(fen + "\n" for fen, _, _ in lines)
        checked = subprocess.run([DATAGEN, "check"], input=fens, capture_output=True, text=True,
                                 check=True, timeout=60).stdout
        self.assertEqual(checked, fens)

    def test_scores_and_results_are_in_range(self):
        records = dataset.read(self.first)
        scores = records["score"].astype(int)
        self.assertTrue((abs(scores) < KNOWN_WIN).all(), scores)
        self.assertGreater(len(set(scores)), 3)
        self.assertTrue(set(dataset.result_for_red(records)) <= {0.0, 0.5, 1.0})
        self.assertTrue(set(records["side"]) <= {dataset.RED_TO_MOVE, dataset.BLUE_TO_MOVE})

    def test_games_start_from_the_opening_lines(self):
        openings = os.path.join(self.scratch.name, "openings.txt")
        with open(openings, "w") as f:
            f.write("# one line\n" + OPENING)
        out = generate(self.scratch.name, "opened.bin", 1, "--openings", openings, "--random-plies", "0")
        self.assertEqual(printed(out)[0][0], AFTER_OPENING)

    def test_bad_command_lines_are_refused(self):
        openings = os.path.join(self.scratch.name, "bad-openings.txt")
        with open(openings, "w") as f:
            f.write("h2e2\nh2e2 h2e3\n")
        out = os.path.join(self.scratch.name, "refused.bin")
        cases = [
            (["--seed", "1", "--games", "1"], 2, "usage"),                       # no --out
            (["--seed", "1", "--games", "0", "--out", out], 2, "usage"),
            (["--seed", "x", "--games", "1", "--out", out], 2, "usage"),
            (["--seed", "1", "--games", "1", "--out", out, "--nodes"], 2, "usage"),
            (["--seed", "1", "--games", "1", "--out", out, "--depth", "3"], 2, "usage"),
            (["--seed", "1", "--games", "1", "--out", out, "--openings", openings], 1, ":2: h2e3"),
            (["--seed", "1", "--games", "1", "--out", out, "--openings", out + ".none"], 1, "cannot read"),
        ]
        for args, code, said in cases:
            with self.subTest(args=args):
                run = subprocess.run([DATAGEN] + args, capture_output=True, text=True, timeout=60)
                self.assertEqual(run.returncode, code, run.stderr)
                self.assertIn(said, run.stderr)


class BatchesTest(unittest.TestCase):
    """generate.py on a local cluster of one worker."""

    def run_generate(self, out, batches):
        run = subprocess.run([sys.executable, os.path.join(TOOLS, "nnue", "generate.py"), "--seed", "10",
                              "--batches", str(batches), "--games-per-batch", "1", "--nodes", NODES,
                              "--workers", "1", "--datagen", DATAGEN, "--out", out],
                             capture_output=True, text=True, timeout=240)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run.stdout

    def test_batches_are_the_generators_files_and_a_second_run_adds_to_them(self):
        with tempfile.TemporaryDirectory() as scratch:
            out = os.path.join(scratch, "batches")
            self.assertIn("0 there, 2 to play", self.run_generate(out, 2))
            made = os.path.getmtime(os.path.join(out, "batch-10.bin"))
            self.assertIn("2 there, 1 to play", self.run_generate(out, 3))
            self.assertEqual(os.path.getmtime(os.path.join(out, "batch-10.bin")), made)
            for seed in (10, 11, 12):
                direct = generate(scratch, "direct.bin", seed, "--openings",
                                  os.path.join(TOOLS, "..", "bench", "openings.txt"), games="1")
                with open(direct, "rb") as a, open(os.path.join(out, "batch-%d.bin" % seed), "rb") as b:
                    self.assertEqual(a.read(), b.read(), seed)

    def test_a_folder_of_other_settings_and_a_missing_generator_are_refused(self):
        with tempfile.TemporaryDirectory() as scratch:
            with open(os.path.join(scratch, "settings.txt"), "w") as f:
                f.write("nodes 1\n")
            cases = [(DATAGEN, "other settings"), (os.path.join(scratch, "none"), "missing")]
            for datagen, said in cases:
                with self.subTest(said=said):
                    run = subprocess.run([sys.executable, os.path.join(TOOLS, "nnue", "generate.py"),
                                          "--batches", "1", "--datagen", datagen, "--out", scratch],
                                         capture_output=True, text=True, timeout=60)
                    self.assertNotEqual(run.returncode, 0)
                    self.assertIn(said, run.stderr)


if __name__ == "__main__":
    if dataset is None:
        print("numpy missing: skipped")
        sys.exit(77)
    DATAGEN = os.path.abspath(sys.argv.pop(1))
    unittest.main()
