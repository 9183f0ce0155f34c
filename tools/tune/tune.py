#!/usr/bin/python3
"""Tunes the modern evaluation: from nothing but fairy-stockfish, qorat and a seed to a new
src/eval/eval_weights.cpp. The one command, from the repository root after `make`:

    tools/tune/tune.py --seed 1

Stages (see data.py and fit.py), each timed; their files go to build/tune/seed-N/ and are
reused when a run is repeated with the same seed and sizes:
  games.txt    positions of fairy-stockfish games (--games games, --nodes nodes a move)
  quiet.txt    each position at the end of qorat's quiescence search, duplicates dropped
  labels.txt   fairy-stockfish's score of each at --depth
  then the fit, written to src/eval/eval_weights.cpp (or --write).

The games and labels run as tasks on Dask's distributed scheduler: on a cluster of --workers
processes on this machine, or with --scheduler tcp://HOST:PORT on a cluster of several
(README.md, "Matches and data runs over several machines"); --engine-dir ships fairy-stockfish
to the workers that lack it. Needs fairy-stockfish (bench/install_peers.sh) and Debian's
python3-numpy, python3-scipy and python3-distributed.
"""

import argparse
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "tools"))

import data  # noqa: E402
import fit  # noqa: E402
from matchlib.referee import find_binary  # noqa: E402
from tasks.runner import TaskError, TaskRunner  # noqa: E402


def stage(name, path, make):
    """Makes the stage's file unless it is there; says what it holds and how long it took."""
    start = time.monotonic()
    if os.path.exists(path):
        with open(path) as f:
            count = sum(1 for _ in f)
        print("%-7s %8d lines  (kept from an earlier run: %s)" % (name, count, path), flush=True)
        return
    count = make()
    print("%-7s %8d lines  %7.1f s  %s" % (name, count, time.monotonic() - start, path), flush=True)


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--games", type=int, default=3000)
    p.add_argument("--nodes", type=int, default=4000, help="fairy-stockfish's nodes a move in the games")
    p.add_argument("--random-plies", type=int, default=4, help="random plies after each opening line")
    p.add_argument("--depth", type=int, default=8, help="fairy-stockfish's depth for the labels")
    p.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                   help="worker processes of the cluster on this machine (default: its cores)")
    p.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                   help="run the games and labels on the Dask cluster of this scheduler")
    p.add_argument("--engine-dir", metavar="DIR",
                   help="copy the files of DIR to every worker (e.g. fairy-stockfish, named as "
                        "--fairy-stockfish DIR/fairy-stockfish)")
    p.add_argument("--fairy-stockfish", help="its binary (default: PATH or /usr/games)")
    p.add_argument("--openings", default=os.path.join(ROOT, "build", "selfplay-openings-1.txt"),
                   help="opening lines (tools/make_openings.py --seed 1 --count 1000 --out FILE)")
    p.add_argument("--features", default=os.path.join(ROOT, "build", "qorat-features"))
    p.add_argument("--blend", type=float, default=0.5)
    p.add_argument("--iterations", type=int, default=1500)
    p.add_argument("--write", default=os.path.join(ROOT, "src", "eval", "eval_weights.cpp"))
    args = p.parse_args(argv)

    fsf = args.fairy_stockfish or find_binary("fairy-stockfish")
    if not fsf:
        sys.exit("tune: fairy-stockfish not found; run bench/install_peers.sh")
    for path in (args.features, args.openings):
        if not os.path.exists(path):
            sys.exit("tune: %s missing (make; tools/make_openings.py)" % path)
    folder = os.path.join(ROOT, "build", "tune", "seed-%d-games-%d-nodes-%d" % (args.seed, args.games, args.nodes))
    os.makedirs(folder, exist_ok=True)
    games = os.path.join(folder, "games.txt")
    quiet = os.path.join(folder, "quiet.txt")
    labels = os.path.join(folder, "labels-depth-%d.txt" % args.depth)

    # The cluster starts only if a stage needs it.
    with TaskRunner(args.workers, args.scheduler, args.engine_dir, code=("matchlib", "data")) as runner:
        try:
            stage("games", games, lambda: data.make_games(games, args.seed, args.games, runner,
                                                           args.openings, args.random_plies,
                                                           args.nodes, fsf))
            stage("quiet", quiet, lambda: data.make_quiet(games, quiet, args.features))
            stage("label", labels, lambda: data.make_labels(quiet, labels, args.depth, runner, fsf))
        except TaskError as e:
            sys.exit("tune: %s" % e)
    start = time.monotonic()
    groups, weights, _ = fit.fit(args.features, labels, blend=args.blend, iterations=args.iterations, seed=args.seed)
    print("fit     %7.1f s" % (time.monotonic() - start), flush=True)
    fit.weights_file.write(args.write, groups, weights,
                           "tools/tune/tune.py --seed %d --games %d --nodes %d --depth %d" %
                           (args.seed, args.games, args.nodes, args.depth))
    print("written to %s" % args.write)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
