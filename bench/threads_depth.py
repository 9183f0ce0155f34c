#!/usr/bin/env python3
"""Depth and nodes in a fixed time with 1 and with more search threads: qorat's modern search
in UCI mode on the positions of qorat-bench, one thread count after the other, one run.

    bench/threads_depth.py [--seconds 2] [--threads 1,2] [--hash 64]

For each position and thread count the deepest completed iteration reported is the depth;
the last info line's nodes are the nodes (all threads together).
"""

import argparse
import os
import re
import signal
import subprocess
import sys

from depth_vs_peer import GRACE_SECONDS, ROOT, bench_positions, give_up, read_until


def search(binary, fen, seconds, threads, hash_mb):
    """(depth, nodes) of the last full info line of one search."""
    p = subprocess.Popen([binary, "-uci"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    p.stdin.write("uci\nsetoption name Threads value %d\nsetoption name Hash value %d\n"
                  "setoption name OwnBook value false\nucinewgame\nisready\n" % (threads, hash_mb))
    read_until(p, lambda line: line.startswith("readyok"))
    p.stdin.write("position fen %s\ngo movetime %d\n" % (fen, round(seconds * 1000)))
    lines = read_until(p, lambda line: line.startswith("bestmove"))
    p.stdin.write("quit\n")
    p.communicate(timeout=10)
    depth = nodes = 0
    for line in lines:
        found = re.search(r"^info depth (\d+) .*\bnodes (\d+)", line)
        if found and "bound" not in line:
            depth, nodes = int(found.group(1)), int(found.group(2))
    return depth, nodes


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--qorat", default=os.path.join(ROOT, "build", "qorat"))
    p.add_argument("--seconds", type=float, default=2.0)
    p.add_argument("--threads", default="1,2")
    p.add_argument("--hash", type=int, default=64)
    args = p.parse_args(argv)
    counts = [int(t) for t in args.threads.split(",")]

    print("%-4s" % "" + "".join("%22s" % ("%d thread(s): depth nodes" % t) for t in counts))
    totals = {t: [0, 0] for t in counts}
    signal.signal(signal.SIGALRM, give_up)
    for i, fen in enumerate(bench_positions(), 1):
        row = ""
        for t in counts:
            signal.alarm(int(args.seconds) + 1 + GRACE_SECONDS)
            depth, nodes = search(args.qorat, fen, args.seconds, t, args.hash)
            signal.alarm(0)
            totals[t][0] += depth
            totals[t][1] += nodes
            row += "%10d %11d" % (depth, nodes)
        print("%-4d%s   %s" % (i, row, fen), flush=True)
    positions = len(bench_positions())
    for t in counts:
        print("%d thread(s): mean depth %.2f, mean nodes %d" % (t, totals[t][0] / positions, totals[t][1] // positions))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
