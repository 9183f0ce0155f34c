"""What a task may ask of the run it belongs to, on whatever worker it runs: whether the run
has been stopped, and the helper processes a worker keeps between the run's tasks.

The stop is a Dask Event named after the run: the client sets it, and each task that watches
it polls it from a thread of its own. A helper (say, a referee process) is kept per worker
thread and run, so that tasks do not each pay for starting it; only helpers whose answers do
not depend on what they were asked before may be kept so, or a task's result would depend on
the tasks that ran before it on that worker."""

import contextlib
import threading

# The run's helpers when tasks run in this process, with no worker around them (tests).
_IN_PROCESS = {}


def _helpers():
    try:
        from distributed import get_worker
        worker = get_worker()
    except (ImportError, ValueError):
        return _IN_PROCESS
    # Kept on the worker: the tasks' own modules come pickled by value, so no module-level
    # dict of theirs lives longer than one task.
    if not hasattr(worker, "run_helpers"):
        worker.run_helpers = {}
    return worker.run_helpers


def _close(helper):
    try:
        helper.close()
    except Exception:   # a helper already gone is closed enough
        pass


class RunContext:
    POLL_SECONDS = 1.0

    def __init__(self, name):
        self.name = name

    # -- the stop -------------------------------------------------------------------------
    def stop(self, client):
        """Stops the run's tasks, wherever they run (from the client)."""
        from distributed import Event
        Event("stop-" + self.name, client).set()

    @contextlib.contextmanager
    def watching_stop(self, on_stop):
        """Runs the block; if the run is stopped meanwhile, ON_STOP is called once, from
        another thread. Outside a worker there is nothing to watch."""
        try:
            from distributed import Event, get_client
            event = Event("stop-" + self.name, get_client())
        except (ImportError, ValueError):
            yield
            return
        done = threading.Event()

        def poll():
            try:
                while not done.is_set():
                    if event.wait(self.POLL_SECONDS):
                        if not done.is_set():
                            on_stop()
                        return
            except Exception:   # the scheduler is gone: the task runs to its end
                return

        threading.Thread(target=poll, daemon=True, name="stop watch").start()
        try:
            yield
        finally:
            done.set()

    # -- helpers --------------------------------------------------------------------------
    def helper(self, name, make, usable=None):
        """This worker thread's helper NAME for the run, made by MAKE() when there is none, or
        when USABLE(helper) says the one kept is not fit to go on (it is closed then)."""
        helpers = _helpers()
        key = (self.name, name, threading.get_ident())
        kept = helpers.get(key)
        if kept is not None and usable is not None and not usable(kept):
            del helpers[key]
            _close(kept)
            kept = None
        if kept is None:
            kept = helpers[key] = make()
        return kept

    def drop_helper(self, name):
        """Closes this thread's helper NAME, after it failed a task."""
        kept = _helpers().pop((self.name, name, threading.get_ident()), None)
        if kept is not None:
            _close(kept)

    def close_helpers(self):
        """Closes every helper of the run in this process (on each worker at the run's end)."""
        helpers = _helpers()
        for key in [k for k in helpers if k[0] == self.name]:
            _close(helpers.pop(key))
