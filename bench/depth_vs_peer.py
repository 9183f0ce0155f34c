#!/usr/bin/env python3
"""Depth, nodes and effective branching factor in a fixed time: qorat's modern search beside
fairy-stockfish's, one position after the other on the positions of qorat-bench, in one run.

    bench/depth_vs_peer.py [--seconds 1] [--hash 64]

Both get one thread, the same table size and no book; qorat is driven in xboard mode (st),
fairy-stockfish in UCI mode (go movetime). For each position the deepest iteration either
reports is its depth; the effective branching factor is (nodes to depth D / nodes to depth
D-4) ** (1/4) at that depth D, averaged over the positions geometrically.
"""

import argparse
import math
import os
import re
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
# The match runner's way to find the peer and its FEN letters.
from matchlib.notation import ref_fen  # noqa: E402
from matchlib.referee import find_binary  # noqa: E402

SPAN = 4
# How long an engine may take beyond its time before the run gives up on it.
GRACE_SECONDS = 30


def bench_positions():
    """The FEN texts of tools/bench.cpp, in its order."""
    with open(os.path.join(ROOT, "tools", "bench.cpp")) as f:
        return re.findall(r'"([rheakcpRHEAKCP1-9/]+ [rb])"', f.read())


def read_until(process, done):
    lines = []
    while True:
        line = process.stdout.readline()
        if not line:
            raise SystemExit("the engine ended early: %s" % " | ".join(lines[-5:]))
        lines.append(line.strip())
        if done(line):
            return lines


def give_up(signum, frame):
    raise SystemExit("an engine did not answer in time")


def ours(binary, fen, seconds, hash_mb):
    """{depth: nodes} from qorat's thinking lines: depth score time nodes pv."""
    p = subprocess.Popen([binary, "-xboard"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    p.stdin.write("xboard\nprotover 2\n")
    read_until(p, lambda line: "done=1" in line)
    p.stdin.write("new\noption Search=pvs\nmemory %d\noption Opening book=0\nforce\npost\n"
                  "st %g\nsetboard %s\ngo\n" % (hash_mb, seconds, fen))
    lines = read_until(p, lambda line: line.startswith("move "))
    p.stdin.write("quit\n")
    p.communicate(timeout=10)
    nodes = {}
    for line in lines:
        fields = line.split()
        if len(fields) >= 4 and all(re.fullmatch(r"-?\d+", x) for x in fields[:4]):
            nodes[int(fields[0])] = int(fields[3])
    return nodes


def peer(binary, fen, seconds, hash_mb):
    """{depth: nodes} from fairy-stockfish's info lines."""
    p = subprocess.Popen([binary], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
    p.stdin.write("uci\nsetoption name UCI_Variant value xiangqi\nsetoption name Hash value %d\n"
                  "setoption name Threads value 1\nucinewgame\nisready\n" % hash_mb)
    read_until(p, lambda line: line.startswith("readyok"))
    p.stdin.write("position fen %s\ngo movetime %d\n" % (ref_fen(fen), round(seconds * 1000)))
    lines = read_until(p, lambda line: line.startswith("bestmove"))
    p.stdin.write("quit\n")
    p.communicate(timeout=10)
    nodes = {}
    for line in lines:
        depth = re.search(r"\bdepth (\d+)", line)
        count = re.search(r"\bnodes (\d+)", line)
        if line.startswith("info") and depth and count and "bound" not in line:
            nodes[int(depth.group(1))] = int(count.group(1))
    return nodes


def summary(nodes):
    """(depth, nodes, branching factor or None)."""
    depth = max(nodes)
    earlier = nodes.get(depth - SPAN)
    ebf = (nodes[depth] / earlier) ** (1 / SPAN) if earlier else None
    return depth, nodes[depth], ebf


def main(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--qorat", default=os.path.join(ROOT, "build", "qorat"))
    p.add_argument("--peer", default=find_binary("fairy-stockfish"))
    p.add_argument("--seconds", type=float, default=1.0)
    p.add_argument("--hash", type=int, default=64)
    args = p.parse_args(argv)
    if not args.peer:
        sys.exit("fairy-stockfish not found; run bench/install_peers.sh")

    print("%-4s %28s %28s" % ("", "qorat: depth nodes EBF", "fairy-stockfish: depth nodes EBF"))
    totals = {"qorat": [], "fairy-stockfish": []}
    signal.signal(signal.SIGALRM, give_up)
    for i, fen in enumerate(bench_positions(), 1):
        row = []
        for name, run, binary in (("qorat", ours, args.qorat), ("fairy-stockfish", peer, args.peer)):
            signal.alarm(math.ceil(args.seconds) + GRACE_SECONDS)
            depth, count, ebf = summary(run(binary, fen, args.seconds, args.hash))
            signal.alarm(0)
            totals[name].append((depth, ebf))
            row.append("%6d %12d %6s" % (depth, count, "%.2f" % ebf if ebf else "-"))
        print("%-4d %28s %28s   %s" % (i, row[0], row[1], fen), flush=True)
    for name, rows in totals.items():
        ebfs = [e for _, e in rows if e]
        mean_ebf = math.exp(sum(math.log(e) for e in ebfs) / len(ebfs)) if ebfs else float("nan")
        print("%-16s mean depth %.1f, effective branching factor %.2f (geometric mean of %d)" %
              (name, sum(d for d, _ in rows) / len(rows), mean_ebf, len(ebfs)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
