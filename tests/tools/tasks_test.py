"""Tests of the task layer (tools/tasks/) in this process, without a cluster: the progress
line, the digest that names a run's tasks, the programs as a worker finds them and the
helpers a worker keeps. cluster_test.py runs it on real clusters."""

import io
import os
import socket
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "..", "tools"))

from tasks.context import RunContext  # noqa: E402
from tasks.files import EngineFiles, MissingProgram  # noqa: E402
from tasks.progress import Progress  # noqa: E402
from tasks.runner import Task, describe, run_digest  # noqa: E402


class Clock:
    def __init__(self):
        self.now = 1000.0

    def __call__(self):
        return self.now


class ProgressTest(unittest.TestCase):
    def progress(self, terminal):
        clock, out = Clock(), io.StringIO()
        return Progress(200, "games", out, clock, terminal), clock, out

    def test_the_line_says_done_rate_time_left_workers_and_note(self):
        p, clock, _ = self.progress(False)
        clock.now += 600
        self.assertEqual(p.text(50, 2, "score 26-24"),
                         "50/200 games, 5.0/min, 0:30:00 left, 2 workers; score 26-24")
        self.assertEqual(p.text(0, 0), "0/200 games, 0:10:00 elapsed, waiting for workers")

    def test_off_a_terminal_a_line_a_minute_and_one_at_the_end(self):
        p, clock, out = self.progress(False)
        for done in range(1, 200):
            clock.now += 1.5        # 300 s in all: five minutes
            p.update(done)
        p.update(200)
        lines = out.getvalue().splitlines()
        self.assertEqual([line.split("/")[0] for line in lines], ["40", "80", "120", "160", "200"])
        self.assertEqual(lines[0], "40/200 games, 40.0/min, 0:04:00 left")
        self.assertNotIn("\r", out.getvalue())

    def test_on_a_terminal_one_line_rewritten_and_cleared(self):
        p, clock, out = self.progress(True)
        clock.now += 10
        p.update(100, 2, "a long note")
        clock.now += 0.1
        p.update(101)                       # too soon: not drawn
        clock.now += 1
        p.update(102)
        p.clear()
        text = out.getvalue()
        first, second, cleared = text.split("\r")[1:4]
        self.assertTrue(first.startswith("100/200 games"))
        self.assertTrue(second.startswith("102/200 games"))
        # The shorter line covers what is left of the longer one, and clearing blanks it.
        self.assertEqual(len(second), len(first))
        self.assertEqual(cleared, " " * len(second.rstrip()))
        self.assertNotIn("\n", text)


def square(x):
    return x * x


class DigestTest(unittest.TestCase):
    def tasks(self, args, context="one"):
        return [Task(("game", n), square, (a, RunContext(context))) for n, a in enumerate(args)]

    def test_the_same_run_has_the_same_keys_and_another_run_others(self):
        digest = run_digest(self.tasks([1, 2, 3]))
        # A run's context has a random name of its own: it does not count.
        self.assertEqual(run_digest(self.tasks([1, 2, 3], "two")), digest)
        for other in ([1, 2, 4], [1, 2], [2, 1, 3]):
            with self.subTest(args=other):
                self.assertNotEqual(run_digest(self.tasks(other)), digest)
        self.assertEqual(describe(("game", 3)), "game 3")


class EngineFilesTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = os.path.join(scratch.name, "engines")
        os.mkdir(self.dir)
        for name, text in (("qorat", "#!/bin/sh\n"), ("book.dat", "x")):
            with open(os.path.join(self.dir, name), "w") as f:
                f.write(text)
            os.chmod(os.path.join(self.dir, name), 0o755)
        self.cwd = os.getcwd()
        os.chdir(scratch.name)
        self.addCleanup(os.chdir, self.cwd)

    def test_commands_name_absolute_paths_for_the_workers(self):
        files = EngineFiles("engines")
        cases = [  # command, as the workers get it
            ("engines/qorat -xboard", self.dir + "/qorat -xboard"),
            ("engines/qorat --book engines/book.dat", self.dir + "/qorat --book " + self.dir + "/book.dat"),
            # Words outside the folder are no business of it; a program on PATH stays a name.
            ("engines/qorat --log ./x/y", self.dir + "/qorat --log ./x/y"),
            ("fairy-stockfish", "fairy-stockfish"),
        ]
        for command, portable in cases:
            with self.subTest(command=command):
                self.assertEqual(files.portable(command), portable)
        # Outside a worker the folder's own files serve.
        self.assertEqual(files.command(self.dir + "/qorat -xboard"), self.dir + "/qorat -xboard")

    def test_a_program_the_worker_lacks_is_named_with_its_host(self):
        for files in (EngineFiles(), EngineFiles("engines")):
            with self.subTest(folder=files.folder):
                with self.assertRaises(MissingProgram) as caught:
                    files.command("/no/such/engine -xboard")
                self.assertIn(socket.gethostname(), str(caught.exception))
                self.assertIn("/no/such/engine", str(caught.exception))

    def test_the_folder_name_follows_the_contents(self):
        before = EngineFiles("engines").folder_name
        self.assertEqual(EngineFiles(self.dir).folder_name, before)
        with open(os.path.join(self.dir, "book.dat"), "w") as f:
            f.write("y")
        self.assertNotEqual(EngineFiles("engines").folder_name, before)
        copy = EngineFiles("engines").plugin()
        self.assertEqual(sorted(copy.files), ["book.dat", "qorat"])

    def test_the_plugin_writes_the_files_once_and_whole(self):
        class Worker:
            local_directory = os.getcwd()

        files = EngineFiles("engines")
        files.plugin().setup(Worker())
        copy = os.path.join(Worker.local_directory, files.folder_name, "qorat")
        self.assertTrue(os.access(copy, os.X_OK))
        # A second run with the same files leaves them as they are.
        os.chmod(copy, 0o700)
        files.plugin().setup(Worker())
        self.assertEqual(os.stat(copy).st_mode & 0o777, 0o700)
        self.assertEqual(sorted(os.listdir(Worker.local_directory)),
                         sorted(["engines", files.folder_name]))


class Helper:
    made = []

    def __init__(self):
        self.closed = False
        Helper.made.append(self)

    def close(self):
        self.closed = True


class HelperTest(unittest.TestCase):
    def setUp(self):
        Helper.made = []
        self.context = RunContext("helpers")
        self.addCleanup(self.context.close_helpers)

    def test_a_helper_is_kept_until_unfit_or_dropped(self):
        c = self.context
        first = c.helper("referee", Helper, lambda h: True)
        self.assertIs(c.helper("referee", Helper, lambda h: True), first)
        self.assertIsNot(c.helper("player", Helper), first)
        second = c.helper("referee", Helper, lambda h: False)
        self.assertTrue(first.closed)
        c.drop_helper("referee")
        self.assertTrue(second.closed)
        self.assertEqual(len(Helper.made), 3)

    def test_a_run_closes_its_own_helpers_only(self):
        mine = self.context.helper("referee", Helper)
        other = RunContext("another run").helper("referee", Helper)
        self.context.close_helpers()
        self.assertTrue(mine.closed)
        self.assertFalse(other.closed)
        RunContext("another run").close_helpers()
        self.assertTrue(other.closed)


if __name__ == "__main__":
    unittest.main()
