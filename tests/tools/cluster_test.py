"""The match runner and the tuning data on real Dask clusters: the cluster the tools start
on this machine, and one of a dask-scheduler and dask-worker processes on 127.0.0.1 (no
copy of the tools on their path, so that the code must travel with the tasks). A match at a
fixed depth and a data run give the same results on either, also when a worker is killed in
the middle of a game; engines reach the workers through --engine-dir; a worker that lacks
an engine names its host and the path.

Run as: /usr/bin/python3 cluster_test.py QORAT_BINARY. It exits 77 where distributed, its
dask-scheduler and dask-worker, or fairy-stockfish are missing (no game is judged without
fairy-stockfish). Every process it starts is in a process group of its own, killed at the
end whatever happened."""

import contextlib
import json
import os
import shutil
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools")
sys.path.insert(0, TOOLS)
sys.path.insert(0, os.path.join(TOOLS, "tune"))

from matchlib.referee import find_binary  # noqa: E402

try:
    import dask
    import distributed
    import data
    from tasks.runner import TaskRunner
except ImportError:
    distributed = None

QORAT = None
FAIRY_STOCKFISH = find_binary("fairy-stockfish")
BIN = os.path.dirname(sys.executable) + os.pathsep + os.environ.get("PATH", "")
SCHEDULER, WORKER = shutil.which("dask-scheduler", path=BIN), shutil.which("dask-worker", path=BIN)
# Seconds that any one step may take before the test gives up on it.
STEP_SECONDS = 90

OPENINGS = "h2e2 h9g7  # central cannon\nb0c2 b9c7  # horses\n"
MATCH = ["--st", "10", "--depth", "2", "--games", "6", "--max-plies", "30",
         "--ranks1", "0", "--ranks2", "0",
         "--init1", "option Opening book=0", "--init2", "option Opening book=0"]


def stop_group(proc):
    """Kills PROC's process group (it and whatever it started) and waits for PROC."""
    with contextlib.suppress(ProcessLookupError):
        os.killpg(proc.pid, signal.SIGKILL)
    with contextlib.suppress(subprocess.TimeoutExpired):
        proc.wait(10)


def children(pid):
    """The commands of PID's child processes."""
    names = []
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/children" % (pid, task)) as f:
            for child in f.read().split():
                with contextlib.suppress(OSError), open("/proc/%s/comm" % child) as c:
                    names.append(c.read().strip())
    return names


class ClusterTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.dir = cls.scratch.name
        cls.processes = []
        # Dask's own files (worker spaces, locks) stay in the scratch folder too.
        cls.env = dict(os.environ, DASK_TEMPORARY_DIRECTORY=cls.dir)
        cls.env.pop("PYTHONPATH", None)
        dask.config.set({"temporary-directory": cls.dir})
        cls.openings = os.path.join(cls.dir, "openings.txt")
        with open(cls.openings, "w") as f:
            f.write(OPENINGS)
        cls.engines = os.path.join(cls.dir, "engines")
        os.mkdir(cls.engines)
        shutil.copy(QORAT, os.path.join(cls.engines, "qorat"))
        try:
            cls.start_cluster()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for proc in reversed(cls.processes):
            stop_group(proc)
        cls.scratch.cleanup()

    @classmethod
    def start(cls, command, log):
        with open(os.path.join(cls.dir, log), "w") as out:
            proc = subprocess.Popen(command, cwd=cls.dir, env=cls.env, stdout=out,
                                    stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                    start_new_session=True)
        cls.processes.append(proc)
        return proc

    @classmethod
    def start_cluster(cls):
        file = os.path.join(cls.dir, "scheduler.json")
        # Should the test itself be killed, the scheduler ends once idle, and the workers
        # once it is gone.
        cls.start([SCHEDULER, "--host", "127.0.0.1", "--port", "0", "--no-dashboard",
                   "--dashboard-address", "127.0.0.1:0", "--scheduler-file", file,
                   "--idle-timeout", str(3 * STEP_SECONDS)], "scheduler.log")
        deadline = time.monotonic() + STEP_SECONDS
        cls.address = None
        while cls.address is None:
            if time.monotonic() > deadline:
                raise AssertionError("no scheduler: " + cls.log("scheduler.log"))
            time.sleep(0.1)
            with contextlib.suppress(OSError, ValueError), open(file) as f:
                cls.address = json.load(f)["address"]
        cls.workers = [cls.start_worker("w%d" % n) for n in (1, 2)]
        cls.wait_for_workers(2)

    @classmethod
    def start_worker(cls, name):
        return cls.start([WORKER, cls.address, "--nthreads", "1", "--no-nanny", "--name", name,
                          "--no-dashboard", "--local-directory", os.path.join(cls.dir, name),
                          "--death-timeout", str(STEP_SECONDS)], name + ".log")

    @classmethod
    def wait_for_workers(cls, count):
        with distributed.Client(cls.address, timeout=STEP_SECONDS) as client:
            client.wait_for_workers(count, timeout=STEP_SECONDS)

    @classmethod
    def log(cls, name):
        with open(os.path.join(cls.dir, name)) as f:
            return f.read()[-3000:]

    # -- the match ------------------------------------------------------------------------
    def match(self, *args, engine=None, while_running=None):
        """tools/match.py's exit code, output and standard error for the test's match."""
        engine = engine or QORAT
        command = [sys.executable, os.path.join(TOOLS, "match.py"), "--openings", self.openings,
                   "--engine1", engine + " -xboard", "--engine2", engine + " -xboard",
                   *MATCH, *args]
        out, err = (open(os.path.join(self.dir, name), "w+") for name in ("match.out", "match.err"))
        with out, err:
            proc = subprocess.Popen(command, cwd=self.dir, env=self.env, stdout=out, stderr=err,
                                    stdin=subprocess.DEVNULL, start_new_session=True)
            try:
                if while_running:
                    while_running(out)
                proc.wait(STEP_SECONDS)
            finally:
                stop_group(proc)
            out.seek(0)
            err.seek(0)
            return proc.returncode, out.read(), err.read()

    def local_match(self):
        """The match on the cluster the runner starts on this machine, once for all tests."""
        cls = type(self)
        if not hasattr(cls, "local"):
            code, out, err = self.match("--concurrency", "2")
            self.assertEqual(code, 0, out + err)
            self.assertEqual(len(out.split("\n\n")[0].splitlines()), 7, out)    # head, 6 games
            cls.local = out
        return cls.local

    def test_a_match_plays_the_same_on_either_cluster(self):
        logs = os.path.join(self.dir, "logs")
        code, out, err = self.match("--scheduler", self.address, "--engine-dir", self.engines,
                                    "--log", logs, engine=os.path.join(self.engines, "qorat"))
        self.assertEqual(code, 0, out + err)
        self.assertEqual(out, self.local_match())
        # The workers played their copies of the engine folder's files.
        with open(os.path.join(logs, "game-0001.log")) as f:
            red = f.read().splitlines()[1]
        self.assertRegex(red, r"^# red: /\S+/engines-[0-9a-f]{16}/qorat -xboard$")
        self.assertNotIn(self.engines + "/", red)

    def test_a_game_lost_with_its_worker_is_played_again(self):
        doomed = self.start_worker("w3")
        self.wait_for_workers(3)

        def kill_mid_game(out):
            deadline = time.monotonic() + STEP_SECONDS
            while "qorat" not in children(doomed.pid):
                self.assertLess(time.monotonic(), deadline, "the third worker got no game")
                time.sleep(0.02)
            stop_group(doomed)

        code, out, err = self.match("--scheduler", self.address, while_running=kill_mid_game)
        self.assertIsNotNone(doomed.poll())
        self.assertEqual(code, 0, out + err)
        self.assertEqual(out, self.local_match())

    def test_a_worker_without_the_engine_names_itself_and_the_path(self):
        code, out, err = self.match("--scheduler", self.address, engine="/no/such/qorat")
        self.assertEqual(code, 1, out + err)
        # Whichever game a worker takes first fails, and stops the match.
        self.assertRegex(out, r"error: game \d+ failed: %s: no program /no/such/qorat on this worker"
                         % re.escape(socket.gethostname()))

    # -- the tuning data ------------------------------------------------------------------
    def test_a_data_run_writes_the_same_file_on_either_cluster(self):
        files = []
        for name, cluster in (("local", {"workers": 2}), ("remote", {"scheduler": self.address})):
            path = os.path.join(self.dir, "games-%s.txt" % name)
            with TaskRunner(code=("matchlib", "data"), progress=False, **cluster) as runner:
                data.make_games(path, 1, 4, runner, self.openings, 2, 200, FAIRY_STOCKFISH)
            with open(path) as f:
                files.append(f.read())
        self.assertGreater(len(files[0].splitlines()), 20)
        self.assertEqual(files[1], files[0])


if __name__ == "__main__":
    missing = [what for what, there in (("python3-distributed", distributed),
                                        ("dask-scheduler", SCHEDULER), ("dask-worker", WORKER),
                                        ("fairy-stockfish", FAIRY_STOCKFISH)) if not there]
    if missing:
        print("missing %s: skipped" % ", ".join(missing))
        sys.exit(77)
    QORAT = os.path.abspath(sys.argv.pop(1))
    unittest.main()
