#!/usr/bin/python3
"""Fits the model of results by score that UCI_ShowWDL shows, on games the match runner
logged with thinking (tools/match.py --log DIR --post, or bench/selfplay.sh with the same).

For every move an engine played after thinking, its score then (its last thinking line's,
for the side to move, in centipawns; mates left out) is paired with how the game ended for
that side. The model: a win's chance is 1 / (1 + exp((a - score) / b)), a loss's the same at
minus the score, a draw the rest; a and b are chosen by maximum likelihood. Prints a and b
for src/thinking/win_draw_loss.cpp and a table of the model against the games.

  tools/fit_wdl.py LOGDIR [LOGDIR...]

Needs Debian's python3-numpy and python3-scipy.
"""

import glob
import os
import re
import sys

import numpy as np
from scipy.optimize import minimize

THINKING = re.compile(r"^\d+ (-?\d+) \d+ \d+ ")
LINE = re.compile(r"^[\d.]+ ([12])([<>]) (.*)$")
# xboard mates are 100000 and more; these and scores near them say nothing of a draw.
MATE = 90000
RESULT_FOR_RED = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}


def positions(path):
    """(score, result) for each move played after thinking in the game, both for its mover."""
    with open(path) as f:
        text = f.read().splitlines()
    header = text[0].split()
    number = int(header[2].rstrip(","))
    # Engine 1 plays red in the first game of each pair.
    red_engine = "1" if (number - 1) % 2 == 0 else "2"
    result_line = [line for line in text if line.startswith("# result: ")]
    if not result_line or result_line[0].split()[2] not in RESULT_FOR_RED:
        return []
    red_result = RESULT_FOR_RED[result_line[0].split()[2]]
    last_score = {"1": None, "2": None}
    found = []
    for line in text:
        m = LINE.match(line)
        if not m or m.group(2) != "<":
            continue
        engine, said = m.group(1), m.group(3)
        t = THINKING.match(said)
        if t:
            last_score[engine] = int(t.group(1))
        elif said.startswith("move "):
            score = last_score[engine]
            last_score[engine] = None
            if score is None or abs(score) >= MATE:
                continue
            found.append((score, red_result if engine == red_engine else 1.0 - red_result))
    return found


def chances(params, scores):
    even, width = params
    win = 1 / (1 + np.exp((even - scores) / width))
    loss = 1 / (1 + np.exp((even + scores) / width))
    return win, np.clip(1 - win - loss, 1e-9, 1), loss


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    data = []
    games = 0
    for folder in sys.argv[1:]:
        for path in sorted(glob.glob(os.path.join(folder, "game-*.log"))):
            found = positions(path)
            games += 1 if found else 0
            data.extend(found)
    if not data:
        sys.exit("no scored moves in the logs: were they written with --post?")
    scores = np.array([s for s, _ in data], dtype=float)
    results = np.array([r for _, r in data])

    def loss_of_fit(params):
        if params[0] <= 0 or params[1] <= 1:
            return 1e12
        win, draw, loss = chances(params, scores)
        p = np.where(results == 1.0, win, np.where(results == 0.0, loss, draw))
        return -np.sum(np.log(np.clip(p, 1e-12, 1)))

    fit = minimize(loss_of_fit, x0=[200.0, 100.0], method="Nelder-Mead")
    even, width = fit.x
    print("%d games, %d scored moves" % (games, len(data)))
    print("EvenWinScore = %.1f" % even)
    print("RiseWidth = %.1f" % width)
    print("\n| score | games' moves | won | drawn | lost | model W-D-L per mille |")
    print("|---|---|---|---|---|---|")
    edges = [-100000, -400, -200, -100, -50, 50, 100, 200, 400, 100000]
    for low, high in zip(edges, edges[1:]):
        inside = (scores >= low) & (scores < high)
        n = int(inside.sum())
        if n == 0:
            continue
        r = results[inside]
        w, d, l = chances((even, width), np.array([np.median(scores[inside])]))
        print("| %s..%s | %d | %.0f%% | %.0f%% | %.0f%% | %d-%d-%d |"
              % (low if low > -100000 else "", high if high < 100000 else "", n, 100 * np.mean(r == 1.0),
                 100 * np.mean(r == 0.5), 100 * np.mean(r == 0.0),
                 round(1000 * w[0]), round(1000 * d[0]), round(1000 * l[0])))


if __name__ == "__main__":
    main()
