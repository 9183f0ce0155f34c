"""The programs a task starts (engines, referee), as each worker finds them.

With a folder (--engine-dir DIR), the regular files directly in it are copied to every worker
when it joins the run, into a folder of the worker's own named by a digest of their contents,
and every word of a command that names one of them is rewritten there to the worker's copy.
Without one, commands run as given: they must name the same paths on every machine (relative
paths are made absolute on the client first). Either way a program the worker lacks fails
the task with the worker's host name and the path, rather than a game lost to a start failure."""

import hashlib
import os
import shlex
import shutil
import socket

try:
    from distributed.diagnostics.plugin import WorkerPlugin
except ImportError:     # the client says distributed is missing before anything ships
    WorkerPlugin = object


class CopyFiles(WorkerPlugin):
    """Writes the files into the worker's folder FOLDER_NAME once (a second run with the same
    files finds them there), whole or not at all."""

    def __init__(self, folder_name, files):
        self.folder_name = folder_name
        self.files = files      # name -> bytes

    def setup(self, worker):
        target = os.path.join(worker.local_directory, self.folder_name)
        if os.path.isdir(target):
            return
        part = "%s.part-%d" % (target, os.getpid())
        os.makedirs(part, exist_ok=True)
        for name, data in self.files.items():
            with open(os.path.join(part, name), "wb") as f:
                f.write(data)
            os.chmod(os.path.join(part, name), 0o755)
        try:
            os.rename(part, target)
        except OSError:     # another run put the same files there first
            shutil.rmtree(part, ignore_errors=True)


class MissingProgram(FileNotFoundError):
    pass


def _worker_directory():
    try:
        from distributed import get_worker
        return get_worker().local_directory
    except (ImportError, ValueError):
        return None


class EngineFiles:
    def __init__(self, folder=None):
        self.folder = os.path.abspath(folder) if folder else None
        self.names = []
        digest = hashlib.sha256()
        if self.folder:
            if not os.path.isdir(self.folder):
                raise NotADirectoryError("--engine-dir %s is no folder" % folder)
            self.names = sorted(n for n in os.listdir(self.folder)
                                if os.path.isfile(os.path.join(self.folder, n)))
            for name in self.names:
                digest.update(name.encode() + b"\0")
                with open(os.path.join(self.folder, name), "rb") as f:
                    digest.update(hashlib.sha256(f.read()).digest())
        self.folder_name = "engines-" + digest.hexdigest()[:16]

    def plugin(self):
        """The worker plugin that copies the files (None without a folder)."""
        if not self.folder:
            return None
        files = {}
        for name in self.names:
            with open(os.path.join(self.folder, name), "rb") as f:
                files[name] = f.read()
        return CopyFiles(self.folder_name, files)

    # -- on the client --------------------------------------------------------------------
    def portable(self, command):
        """COMMAND with its program's path, and every path into the folder, made absolute,
        to be read on any worker."""
        words = shlex.split(command)
        for i, word in enumerate(words):
            if os.sep in word and (i == 0 or self._in_folder(os.path.abspath(word))):
                words[i] = os.path.abspath(word)
        return shlex.join(words)

    # -- on a worker ----------------------------------------------------------------------
    def command(self, command):
        """COMMAND as this worker runs it: the folder's files named by its copies, and its
        program checked."""
        words = [self._local(w) for w in shlex.split(command)]
        if words:
            words[0] = self.program(words[0])
        return shlex.join(words)

    def program(self, path):
        """The worker's path of the program PATH; MissingProgram when it has none."""
        path = self._local(path)
        found = shutil.which(path)
        if not found:
            hint = "" if self.folder else " (--engine-dir ships programs to the workers)"
            raise MissingProgram("%s: no program %s on this worker%s"
                                 % (socket.gethostname(), path, hint))
        return found

    def _in_folder(self, path):
        return bool(self.folder) and os.path.dirname(path) == self.folder \
            and os.path.basename(path) in self.names

    def _local(self, word):
        here = _worker_directory()
        if here is None or not self._in_folder(word):
            return word
        return os.path.join(here, self.folder_name, os.path.basename(word))
