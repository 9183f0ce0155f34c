"""The tools' own Python code, as the workers get it: the source files of the packages and
modules a run names, copied to every worker when it joins the run (a worker needs no copy of
the tools, only the same Python and distributed as the client), into a folder of the
worker's own named by a digest of the sources. That folder goes first on the worker's path,
and modules of those names loaded before are forgotten, so that a worker kept between runs
never runs the code of an earlier one."""

import hashlib
import importlib
import os
import sys

try:
    from distributed.diagnostics.plugin import WorkerPlugin
except ImportError:     # the client says distributed is missing before anything ships
    WorkerPlugin = object


class InstallCode(WorkerPlugin):
    def __init__(self, folder_name, top_names, files):
        self.folder_name = folder_name
        self.top_names = top_names  # the packages and modules, whose old copies go
        self.files = files          # path under the folder -> source text

    def setup(self, worker):
        target = os.path.join(worker.local_directory, self.folder_name)
        if not os.path.isdir(target):
            part = "%s.part-%d" % (target, os.getpid())
            for path, text in self.files.items():
                os.makedirs(os.path.dirname(os.path.join(part, path)), exist_ok=True)
                with open(os.path.join(part, path), "w") as f:
                    f.write(text)
            try:
                os.rename(part, target)
            except OSError:     # a run with the same code put it there first
                pass
        sys.path[:] = [p for p in sys.path if os.path.dirname(p) != worker.local_directory
                       or not os.path.basename(p).startswith("code-")]
        sys.path.insert(0, target)
        for name in list(sys.modules):
            if name.split(".")[0] in self.top_names:
                del sys.modules[name]
        importlib.invalidate_caches()


class Code:
    def __init__(self, names):
        """NAMES: the top-level packages and modules to ship, all imported by now."""
        self.top_names = sorted(set(names))
        self.files = {}
        for name in self.top_names:
            module = sys.modules[name]
            path = module.__file__
            if os.path.basename(path) == "__init__.py":
                root = os.path.dirname(path)
                for entry in sorted(os.listdir(root)):
                    if entry.endswith(".py"):
                        self.files[name + "/" + entry] = self._read(os.path.join(root, entry))
            else:
                self.files[name + ".py"] = self._read(path)
        digest = hashlib.sha256()
        for path, text in sorted(self.files.items()):
            digest.update(path.encode() + b"\0" + text.encode() + b"\0")
        self.folder_name = "code-" + digest.hexdigest()[:16]

    @staticmethod
    def _read(path):
        with open(path, encoding="utf-8") as f:
            return f.read()

    def plugin(self):
        return InstallCode(self.folder_name, self.top_names, self.files)
