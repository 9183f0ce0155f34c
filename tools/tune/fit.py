"""Fits the modern evaluation's weights to labelled positions (a logistic, "Texel" fit).

Each position's label blends two views of who is winning: fairy-stockfish's score, turned
into a winning chance with a scale fitted to the games' results first, and the result of the
game the position came from. The evaluation is linear in its weights once the terms are
counted (qorat-features trace), so the fit minimises the mean squared difference between the
label and sigmoid(evaluation / K) over the weights with L-BFGS, K being fitted to the
starting weights first. Every fit starts from the same weights (the classic evaluation's
piece-square table and a tempo), not from those compiled in, so that a run repeats. A small
ridge holds every weight near where it starts (the piece-square weights more firmly, as each
is seen in few positions).

Needs Debian's python3-numpy and python3-scipy.
"""

import math
import os
import subprocess
import sys

import numpy as np
import scipy.optimize
import scipy.sparse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import weights_file  # noqa: E402

FULL_PHASE = 32


def sigmoid(x):
    return 1.0 / (1.0 + np.exp(-np.clip(x, -60.0, 60.0)))


def read_data(path):
    """[(FEN, result for Red, score for Red)]."""
    rows = []
    with open(path) as f:
        for line in f:
            fen, result, score = line.rstrip("\n").split(";")
            rows.append((fen, float(result), float(score)))
    return rows


def traces(features_binary, fens, count):
    """The engine's evaluations for Red and the term matrix, each row scaled into its
    middlegame and endgame halves by the position's phase."""
    text = subprocess.run([features_binary, "trace"], input="".join(f + "\n" for f in fens),
                          capture_output=True, text=True, check=True).stdout
    evals, rows, cols, vals = [], [], [], []
    for i, line in enumerate(text.splitlines()):
        fields = line.split()
        evals.append(float(fields[0]))
        phase = int(fields[1])
        if not 0 <= phase <= FULL_PHASE:
            raise SystemExit("fit: phase %d out of range in the trace of %s" % (phase, fens[i]))
        mg = phase / FULL_PHASE
        for pair in fields[2:]:
            index, value = pair.split(":")
            index, value = int(index), float(value)
            rows += [i, i]
            cols += [index, count + index]
            vals += [value * mg, value * (1 - mg)]
    matrix = scipy.sparse.csr_matrix((vals, (rows, cols)), shape=(len(evals), 2 * count))
    return np.array(evals), matrix


def fit_scale(values, targets, start=200.0):
    """The K for which sigmoid(value / K) is nearest the targets."""
    def error(k):
        return float(np.mean((sigmoid(values / k) - targets) ** 2))
    result = scipy.optimize.minimize_scalar(error, bounds=(10.0, 5000.0), method="bounded",
                                            options={"xatol": 0.1})
    return result.x, error(result.x)


def fit(features_binary, data_path, blend=0.5, ridge=1e-11, square_ridge=1e-9, iterations=1500,
        validation_share=0.1, seed=1, log=print):
    """Returns (groups, fitted weights, report lines)."""
    groups, compiled, start_weights = weights_file.read_layout(features_binary)
    count = len(start_weights)
    rows = read_data(data_path)
    fens = [r[0] for r in rows]
    results = np.array([r[1] for r in rows])
    scores = np.array([r[2] for r in rows])
    evals, matrix = traces(features_binary, fens, count)

    def stacked(weights):
        return np.array([w[0] for w in weights] + [w[1] for w in weights], dtype=float)

    w0 = stacked(start_weights)
    # The traces must give back the engine's own evaluation, else the fit fits something else.
    mismatch = np.max(np.abs(matrix @ stacked(compiled) - evals)) if len(evals) else 0.0
    if mismatch > 1.0:
        raise SystemExit("fit: the terms do not give the engine's evaluation back (off by %.1f)" % mismatch)

    fsf_scale, fsf_error = fit_scale(scores, results)
    targets = blend * sigmoid(scores / fsf_scale) + (1 - blend) * results
    rng = np.random.default_rng(seed)
    held = rng.random(len(rows)) < validation_share
    train, test = ~held, held
    a_train, t_train = matrix[train], targets[train]
    a_test, t_test = matrix[test], targets[test]
    scale, start_error = fit_scale(a_train @ w0, t_train)
    log("fairy-stockfish scale %.1f (error against results %.5f); qorat scale %.1f" % (fsf_scale, fsf_error, scale))

    # Anchored at the start, not at zero: a pull of material towards zero would outweigh the error.
    square = next((first, n) for name, first, n in groups if name == "Square")
    anchor = w0.copy()
    penalty = np.full_like(w0, ridge)
    for half in (0, count):
        penalty[half + square[0]:half + square[0] + square[1]] = square_ridge

    n = a_train.shape[0]

    # Scaled up so that the line search's absolute tolerances do not stop the fit at its start.
    magnify = 1e6

    def loss(w):
        p = sigmoid(a_train @ w / scale)
        diff = p - t_train
        grad = (a_train.T @ (2 * diff * p * (1 - p) / scale)) / n + 2 * penalty * (w - anchor)
        return magnify * float(np.mean(diff ** 2) + np.sum(penalty * (w - anchor) ** 2)), magnify * grad

    def error(a, t, w):
        return float(np.mean((sigmoid(a @ w / scale) - t) ** 2)) if a.shape[0] else float("nan")

    before = (error(a_train, t_train, w0), error(a_test, t_test, w0))
    result = scipy.optimize.minimize(loss, w0, jac=True, method="L-BFGS-B",
                                     options={"maxiter": iterations, "gtol": 1e-14, "ftol": 1e-14})
    log("fit: %s after %d iterations; loss %.6g -> %.6g, weights moved %.3g" %
        (result.message, result.nit, loss(w0)[0], result.fun, np.linalg.norm(result.x - w0)))
    w = np.clip(np.round(result.x), -32000, 32000)
    after = (error(a_train, t_train, w), error(a_test, t_test, w))
    report = [
        "positions %d (%d fitted, %d held out); blend %.2f" % (len(rows), int(train.sum()), int(test.sum()), blend),
        "error before: %.6f fitted, %.6f held out" % before,
        "error after:  %.6f fitted, %.6f held out" % after,
    ]
    for line in report:
        log(line)
    weights = list(zip(w[:count], w[count:]))
    return groups, weights, report


def main(argv):
    import argparse
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--features", required=True, help="the qorat-features binary")
    p.add_argument("--data", required=True, help="labelled positions: FEN;RESULT;SCORE")
    p.add_argument("--write", help="the C++ source to write the weights to")
    p.add_argument("--blend", type=float, default=0.5, help="share of the label from the score")
    p.add_argument("--iterations", type=int, default=1500)
    p.add_argument("--seed", type=int, default=1)
    args = p.parse_args(argv)
    groups, weights, report = fit(args.features, args.data, blend=args.blend, iterations=args.iterations,
                                  seed=args.seed)
    if args.write:
        weights_file.write(args.write, groups, weights, "fitted to %s" % os.path.basename(args.data))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
