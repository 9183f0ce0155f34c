"""Runs tasks on Dask's distributed scheduler and yields their results as they come.

A task is (key, function, args), with an optional size (what it counts for in the progress,
say the positions of a batch). Without a scheduler the runner starts a cluster on this machine
when first asked to run (worker processes of one thread each) and stops it on close(); given
one (tcp://HOST:PORT), the tasks go to whatever workers it has, on any machine.

What reaches a worker, as it joins the run: the source of the packages and modules named in
CODE (code.py), so that a worker needs no copy of the tools, only the same Python and
distributed as the client; and the programs of an engine folder (files.py).

A task's Dask key is the caller's key with a digest of the whole run's tasks: the same run
always has the same keys, which is what lets a task lost with its worker be run again under
its key elsewhere, while two different runs on one cluster never share a key. So the
functions must be pure and retry-safe: their result depends on their arguments alone,
whichever worker runs them, in whatever order, and as often as they are run."""

import collections
import contextlib
import hashlib
import io
import logging
import pickle
import signal
import sys
import uuid

from . import code as code_module
from . import files as files_module
from .code import Code
from .context import RunContext
from .files import EngineFiles
from .progress import Progress

try:
    import cloudpickle
    import distributed
except ImportError:
    distributed = None

Task = collections.namedtuple("Task", "key function args size", defaults=(1,))

# How long the client waits for a scheduler to answer when it connects.
CONNECT_SECONDS = 30
# How often the progress is looked at while no task ends.
TICK_SECONDS = 1.0


class TaskError(Exception):
    """A task that failed (its key and what it raised), or a cluster that cannot be had."""


class _Digest(pickle.Pickler):
    """Pickles the run's tasks for their digest; the run's context, which holds the run's
    random name, counts only as a context."""

    def persistent_id(self, obj):
        return "context" if isinstance(obj, RunContext) else None


def run_digest(tasks):
    buffer = io.BytesIO()
    _Digest(buffer, protocol=4).dump(
        [(t.key, t.function.__module__, t.function.__qualname__, t.args) for t in tasks])
    return hashlib.sha256(buffer.getvalue()).hexdigest()[:12]


def describe(key):
    """A task's key in words: ("game", 3) is game 3."""
    return " ".join(str(k) for k in key) if isinstance(key, tuple) else str(key)


@contextlib.contextmanager
def _sigint_ignored():
    """Processes started here ignore Ctrl-C: it is the client's to act on (it stops the
    tasks), not the local workers' or their engines' to die of."""
    try:
        old = signal.signal(signal.SIGINT, signal.SIG_IGN)
    except ValueError:      # not the main thread: nothing to change
        yield
        return
    try:
        yield
    finally:
        signal.signal(signal.SIGINT, old)


class TaskRunner:
    def __init__(self, workers=1, scheduler=None, engine_dir=None, code=(), progress=True):
        self.workers = max(1, workers)
        self.scheduler = scheduler
        self.files = EngineFiles(engine_dir)
        self.code = tuple(code) + ("tasks",)
        self.plugins = []
        self.show_progress = progress
        self.context = RunContext(uuid.uuid4().hex)
        self.cluster = None
        self.client = None
        self.futures = {}
        self.progress = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- the cluster ----------------------------------------------------------------------
    def start(self):
        if self.client is not None:
            return
        if distributed is None:
            raise TaskError("Dask's distributed is missing for %s: install python3-distributed "
                            "and run the tools with /usr/bin/python3" % sys.executable)
        try:
            if self.scheduler:
                self.client = distributed.Client(self.scheduler, timeout=CONNECT_SECONDS)
            else:
                with _sigint_ignored():
                    self.cluster = distributed.LocalCluster(
                        n_workers=self.workers, threads_per_worker=1, processes=True,
                        host="127.0.0.1", dashboard_address=":0", silence_logs=logging.ERROR)
                self.client = distributed.Client(self.cluster)
        except (OSError, TimeoutError) as e:
            self.close()
            raise TaskError("no cluster at %s: %s" % (self.scheduler or "this machine", e))
        # The plugins go pickled by value, for workers that have no code of ours yet.
        for module in (code_module, files_module):
            cloudpickle.register_pickle_by_value(module)
        for plugin in (Code(self.code).plugin(), self.files.plugin()):
            if plugin is not None:
                name = "%s-%s" % (plugin.folder_name, self.context.name[:8])
                self.client.register_worker_plugin(plugin, name=name)
                self.plugins.append(name)

    def close(self):
        """Stops what start() began: tasks left (a run broken off), the run's helpers on the
        workers, its engine files for workers yet to join, and a local cluster."""
        if self.futures:
            self.cancel()
        if self.client is not None:
            with contextlib.suppress(Exception):
                self.client.run(self.context.close_helpers)
                for name in self.plugins:
                    self.client.unregister_worker_plugin(name)
            with contextlib.suppress(Exception):
                self.client.close()
        if self.cluster is not None:
            with contextlib.suppress(Exception):
                self.cluster.close()
        self.client = self.cluster = None

    def worker_count(self):
        try:
            return len(self.client.scheduler_info()["workers"])
        except Exception:
            return None

    # -- the tasks ------------------------------------------------------------------------
    def run(self, tasks, unit="tasks", note=None):
        """Yields (key, result) of each of TASKS as it ends, in no set order. NOTE() gives what
        the progress line adds. A task that raises ends the run with TaskError."""
        tasks = [Task(*t) for t in tasks]
        self.start()
        digest = run_digest(tasks)
        order = {}
        for t in tasks:
            dask_key = (self._name(t.key) + "-" + digest,) + self._index(t.key)
            future = self.client.submit(t.function, *t.args, key=dask_key, pure=False)
            self.futures[future] = t
            order[future] = len(order)
        if self.show_progress:
            self.progress = Progress(sum(t.size for t in tasks), unit)
        done = 0
        try:
            pending = set(self.futures)
            while pending:
                try:
                    finished, pending = distributed.wait(pending, timeout=TICK_SECONDS,
                                                         return_when="FIRST_COMPLETED")
                except TimeoutError:
                    self._show(done, note)
                    continue
                for future in sorted(finished, key=order.get):
                    if future.status == "cancelled" or future not in self.futures:
                        continue
                    t = self.futures[future]
                    if future.status == "error":
                        raise TaskError("%s failed: %s" % (describe(t.key), future.exception()))
                    result = future.result()
                    del self.futures[future]
                    done += t.size
                    if self.progress:
                        self.progress.clear()
                    yield t.key, result
                    self._show(done, note)
        finally:
            if self.progress:
                self.progress.clear()

    def _show(self, done, note):
        if self.progress:
            self.progress.update(done, self.worker_count(), note() if note else "")

    @staticmethod
    def _name(key):
        return str(key[0]) if isinstance(key, tuple) else str(key)

    @staticmethod
    def _index(key):
        return tuple(key[1:]) if isinstance(key, tuple) else ()

    def cancel(self):
        """Stops the run: its tasks not yet begun are dropped, those under way told to stop."""
        if self.client is None:
            return
        with contextlib.suppress(Exception):
            self.context.stop(self.client)
        futures = list(self.futures)
        self.futures.clear()
        with contextlib.suppress(Exception):
            self.client.cancel(futures)
