"""One batch of self-play games as a task on any worker: qorat-datagen run with the batch's
seed in a scratch folder of its own, its positions file handed back whole. The same seed
and settings give the same bytes, whichever worker runs it and however often."""

import os
import subprocess
import tempfile


class BatchError(RuntimeError):
    pass


def play_batch(seed, games, nodes, random_plies, openings_text, datagen, files, context):
    """The positions file (bytes) of GAMES games drawn from SEED; OPENINGS_TEXT is the opening
    file's text, which the workers need not have."""
    program = files.program(datagen)
    with tempfile.TemporaryDirectory(prefix="qorat-batch-") as scratch:
        openings = os.path.join(scratch, "openings.txt")
        with open(openings, "w") as f:
            f.write(openings_text)
        out = os.path.join(scratch, "positions.bin")
        command = [program, "--seed", str(seed), "--games", str(games), "--nodes", str(nodes),
                   "--random-plies", str(random_plies), "--openings", openings, "--out", out]
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        with context.watching_stop(process.kill):
            _, errors = process.communicate()
        if process.returncode != 0:
            raise BatchError("%s --seed %d: exit %d: %s"
                             % (datagen, seed, process.returncode, errors.decode(errors="replace").strip()))
        with open(out, "rb") as f:
            return f.read()
