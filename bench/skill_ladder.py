#!/usr/bin/python3
"""The skill levels' strengths on one scale.

Plays matches with tools/match.py: each level against the level above it (0 against 1, ...,
19 against 20) and levels against the peer engines named with --peer, then rates every
player at once by weighted least squares on the matches' Elo differences, with sjaakii set
at 1500 (an origin, nothing more), and prints a Markdown table of the levels' Elo and 95%
margins. Every match's result is kept in --results, so that a run stopped part way goes on
where it stopped, and --rate-only rates what is there.

  bench/skill_ladder.py --games 20 --tc 0:05+0.05 \\
      --peer "0:sjaakii" --peer "6:hoixiangqi" --peer "14:fairy-stockfish:4"

--peer LEVEL:ENGINE[:DEPTH] plays that level against the peer (fairy-stockfish at a fixed
depth when one is given). Needs Debian's python3-numpy for the rating.
"""

import argparse
import json
import math
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MATCH = os.path.join(ROOT, "tools", "match.py")
MAX_LEVEL = 20
ANCHOR = "sjaakii"
ANCHOR_ELO = 1500.0
PEERS = {
    "sjaakii": ("/usr/games/sjaakii -xboard", "xboard"),
    "hoixiangqi": ("/usr/games/hoixiangqi -x on", "xboard"),
    "fairy-stockfish": ("/usr/games/fairy-stockfish", "xboard"),
}
SCORE_RE = re.compile(r"^Score of .* vs .*: (\d+) - (\d+) - (\d+) ")


def level_name(level):
    return "level %d" % level


def engine_args(slot, name, opts):
    """match.py's arguments for one engine: a level of ours, or a peer."""
    if name.startswith("level "):
        level = int(name.split()[1])
        return ["--engine%d" % slot, opts.binary + " -xboard", "--name%d" % slot, name.replace(" ", ""),
                "--ranks%d" % slot, "0",
                "--init%d" % slot, "option Skill Level=%d" % level,
                "--init%d" % slot, "option Opening book=0",
                "--init%d" % slot, "option Move overhead (ms)=10",
                "--init%d" % slot, "memory 16"]
    peer, _, depth = name.partition(" depth ")
    command, proto = PEERS[peer]
    args = ["--engine%d" % slot, command, "--name%d" % slot, peer, "--ranks%d" % slot, "0",
            "--proto%d" % slot, proto]
    if depth:
        args += ["--depth%d" % slot, depth]
    return args


def play(first, second, opts):
    """W-D-L of FIRST against SECOND."""
    cmd = [sys.executable, MATCH, *engine_args(1, first, opts), *engine_args(2, second, opts),
           "--tc", opts.tc, "--games", str(opts.games), "--concurrency", str(opts.concurrency)]
    print("== %s vs %s" % (first, second), flush=True)
    out = subprocess.run(cmd, capture_output=True, text=True, check=False).stdout
    for line in out.splitlines():
        if line.startswith(("Score of", "Elo difference", "level", ANCHOR, "hoixiangqi", "fairy")) or "forfeits" in line:
            print("   " + line, flush=True)
        m = SCORE_RE.match(line)
        if m:
            wins, losses, draws = map(int, m.groups())
            return [wins, draws, losses]
    raise SystemExit("no result from the match of %s and %s:\n%s" % (first, second, out[-2000:]))


def elo_difference(wins, draws, losses):
    """Elo of the first over the second and its variance, a half win and a half loss added
    so that a clean sweep still gives a finite figure."""
    games = wins + draws + losses + 1
    score = (wins + draws / 2 + 0.5) / games
    elo = -400 * math.log10(1 / score - 1)
    slope = 400 / (math.log(10) * score * (1 - score))
    return elo, slope * slope * score * (1 - score) / games


def rate(results):
    """Every player's Elo and 95% margin by weighted least squares, the anchor fixed."""
    import numpy as np  # Debian's, for /usr/bin/python3
    players = sorted({p for r in results for p in (r["first"], r["second"])} - {ANCHOR},
                     key=lambda p: (not p.startswith("level"), int(p.split()[1]) if p.startswith("level") else 0, p))
    index = {p: i for i, p in enumerate(players)}
    rows, values, weights = [], [], []
    for r in results:
        elo, variance = elo_difference(*r["wdl"])
        row = np.zeros(len(players))
        offset = 0.0
        for player, sign in ((r["first"], 1.0), (r["second"], -1.0)):
            if player == ANCHOR:
                offset -= sign * ANCHOR_ELO
            else:
                row[index[player]] = sign
        rows.append(row)
        values.append(elo + offset)
        weights.append(1 / variance)
    a = np.array(rows)
    w = np.diag(weights)
    normal = a.T @ w @ a
    covariance = np.linalg.pinv(normal)
    ratings = covariance @ a.T @ w @ np.array(values)
    margins = 1.96 * np.sqrt(np.clip(np.diag(covariance), 0, None))
    return {p: (ratings[i], margins[i]) for p, i in index.items()}


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--binary", default=os.path.join(ROOT, "build", "qorat"))
    p.add_argument("--games", type=int, default=20)
    p.add_argument("--tc", default="0:05+0.05")
    p.add_argument("--concurrency", type=int, default=2)
    p.add_argument("--levels", default="0-20", help="the ladder's rungs, LOW-HIGH (default 0-20)")
    p.add_argument("--peer", action="append", default=[], metavar="LEVEL:ENGINE[:DEPTH]")
    p.add_argument("--results", default=os.path.join(ROOT, "build", "skill-ladder.json"))
    p.add_argument("--rate-only", action="store_true")
    opts = p.parse_args()

    results = []
    if os.path.exists(opts.results):
        with open(opts.results) as f:
            results = json.load(f)
    done = {(r["first"], r["second"]) for r in results}
    low, high = map(int, opts.levels.split("-"))
    pairings = [(level_name(l + 1), level_name(l)) for l in range(low, min(high, MAX_LEVEL))]
    for peer in opts.peer:
        level, engine, *depth = peer.split(":")
        pairings.append((level_name(int(level)), engine + (" depth " + depth[0] if depth else "")))
    for first, second in pairings:
        if opts.rate_only or (first, second) in done:
            continue
        results.append({"first": first, "second": second, "wdl": play(first, second, opts),
                        "tc": opts.tc, "games": opts.games})
        with open(opts.results, "w") as f:
            json.dump(results, f, indent=1)

    print("\n| match | games | W-D-L |\n|---|---|---|")
    for r in results:
        print("| %s vs %s | %d | %s |" % (r["first"], r["second"], sum(r["wdl"]), "-".join(map(str, r["wdl"]))))
    if not any(ANCHOR in (r["first"], r["second"]) for r in results):
        print("\n(no match against %s yet: no scale)" % ANCHOR)
        return
    ratings = rate(results)
    print("\n| player | Elo | 95% margin |\n|---|---|---|")
    for player, (elo, margin) in ratings.items():
        print("| %s | %.0f | %.0f |" % (player, elo, margin))
    print("| %s | %.0f | (origin) |" % (ANCHOR, ANCHOR_ELO))


if __name__ == "__main__":
    main()
