#!/usr/bin/python3
"""Training positions from qorat's self-play, in batches run as tasks on Dask's distributed
scheduler (tools/tasks/). From the repository root after `make`:

    tools/nnue/generate.py --seed 1 --batches 200

Batch n plays --games-per-batch games of `build/qorat-datagen --seed SEED+n` (the modern
search at --nodes nodes a move, from the opening lines plus --random-plies random plies) and
is written to OUT/batch-<its seed>.bin, a positions file (tools/nnue/dataset.py reads it).
A batch whose file is there already is kept: a run broken off goes on where it stopped, and
a run with more batches adds to those made. OUT (default ~/.cache/qorat/nnue-data/nodes-K)
holds batches of one set of settings only, noted in its settings.txt.

The batches run on a cluster of --workers processes on this machine, or with --scheduler
tcp://HOST:PORT on a cluster of several (README.md, "Matches and data runs over several
machines"); --engine-dir ships qorat-datagen to workers that lack it (name it then as
--datagen DIR/qorat-datagen). The progress shows the games done and their rate.
"""

import argparse
import hashlib
import os
import sys
import time

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ROOT = os.path.dirname(TOOLS)
sys.path.insert(0, TOOLS)

from nnue import batch, dataset  # noqa: E402
from tasks.runner import Task, TaskError, TaskRunner  # noqa: E402

CACHE = os.path.join(os.path.expanduser("~"), ".cache", "qorat", "nnue-data")


def batch_path(out, seed):
    return os.path.join(out, "batch-%d.bin" % seed)


def settings_text(args, openings_text):
    """What makes a batch of a given seed what it is, besides the program."""
    digest = hashlib.sha256(openings_text.encode()).hexdigest()[:16]
    return ("games-per-batch %d\nnodes %d\nrandom-plies %d\nopenings %s\n"
            % (args.games_per_batch, args.nodes, args.random_plies, digest))


def claim_folder(out, settings):
    """Notes the settings in OUT, or checks that they are those noted; exits on a mismatch."""
    os.makedirs(out, exist_ok=True)
    noted = os.path.join(out, "settings.txt")
    if os.path.exists(noted):
        with open(noted) as f:
            if f.read() != settings:
                sys.exit("generate: %s holds batches of other settings (see its settings.txt); "
                         "give another --out" % out)
        return
    with open(noted, "w") as f:
        f.write(settings)


def write_batch(path, data):
    part = path + ".part"
    with open(part, "wb") as f:
        f.write(data)
    os.replace(part, path)


def parse_options(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--seed", type=int, default=1, help="the first batch's seed (default 1)")
    p.add_argument("--batches", type=int, required=True, help="batches in all, those made included")
    p.add_argument("--games-per-batch", type=int, default=50, help="games of each batch (default 50)")
    p.add_argument("--nodes", type=int, default=5000, help="the search's nodes a move (default 5000)")
    p.add_argument("--random-plies", type=int, default=4,
                   help="random plies after each opening line (default 4)")
    p.add_argument("--openings", default=os.path.join(ROOT, "bench", "openings.txt"),
                   help="opening lines (default bench/openings.txt; tools/make_openings.py makes more)")
    p.add_argument("--out", help="the batches' folder (default %s/nodes-K)" % CACHE)
    p.add_argument("--datagen", default=os.path.join(ROOT, "build", "qorat-datagen"),
                   help="the generator (default build/qorat-datagen)")
    p.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                   help="worker processes of the cluster on this machine (default: its cores)")
    p.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                   help="run the batches on the Dask cluster of this scheduler")
    p.add_argument("--engine-dir", metavar="DIR", help="copy the files of DIR to every worker")
    args = p.parse_args(argv)
    if args.batches < 1 or args.games_per_batch < 1 or args.nodes < 1 or args.random_plies < 0:
        p.error("--batches, --games-per-batch and --nodes must be positive, --random-plies not negative")
    args.out = args.out or os.path.join(CACHE, "nodes-%d" % args.nodes)
    return args


def main(argv):
    args = parse_options(argv)
    # On a cluster of several machines the program need not be here; on this one it must.
    if not args.scheduler and not os.path.exists(args.datagen):
        sys.exit("generate: %s missing (make builds it)" % args.datagen)
    with open(args.openings) as f:
        openings_text = f.read()
    claim_folder(args.out, settings_text(args, openings_text))
    seeds = [args.seed + n for n in range(args.batches)]
    missing = [s for s in seeds if not os.path.exists(batch_path(args.out, s))]
    print("%d batches of %d games in %s: %d there, %d to play"
          % (len(seeds), args.games_per_batch, args.out, len(seeds) - len(missing), len(missing)), flush=True)
    if missing:
        start = time.monotonic()
        with TaskRunner(args.workers, args.scheduler, args.engine_dir, code=("nnue",)) as runner:
            datagen = runner.files.portable(args.datagen)
            tasks = [Task(("nnue-batch", s), batch.play_batch,
                          (s, args.games_per_batch, args.nodes, args.random_plies, openings_text,
                           datagen, runner.files, runner.context), args.games_per_batch)
                     for s in missing]
            positions = 0
            try:
                for (_, seed), data in runner.run(tasks, "games"):
                    write_batch(batch_path(args.out, seed), data)
                    positions += (len(data) - dataset.HEADER.itemsize) // dataset.RECORD.itemsize
            except TaskError as e:
                sys.exit("generate: %s" % e)
            workers = runner.worker_count() or args.workers
        seconds = time.monotonic() - start
        print("%d positions in %.0f s: %.0f positions/s, %.0f a worker"
              % (positions, seconds, positions / seconds, positions / seconds / workers))
    total = sum((os.path.getsize(batch_path(args.out, s)) - dataset.HEADER.itemsize) // dataset.RECORD.itemsize
                for s in seeds)
    print("%d positions in %d batches: %s" % (total, len(seeds), args.out))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except KeyboardInterrupt:
        sys.exit(130)
