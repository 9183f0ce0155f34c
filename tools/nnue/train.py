#!/usr/bin/python3
"""Trains the network (network.py) on positions files of qorat-datagen and writes the net
file the engine loads (netfile.py). From the repository root:

    tools/nnue/train.py --data ~/.cache/qorat/nnue-data/nodes-5000 --out NET --seed 1

Each position's target is lambda * sigmoid(score / K) + (1 - lambda) * result, with the
search's score in centipawns and the game's result, both for the side to move; the net's
prediction is sigmoid(out * SCALE / K), out being its float output, of which the engine makes
out * SCALE centipawns (SCALE = 400). K = 400 by default, the scale on which a score of
400 centipawns stands for a win probability of 0.73. The loss is the mean squared error of
those probabilities; Adam learns; a tenth of the positions, drawn from the seed, is held out
for the validation loss. After every step the weights are clipped to what quantisation
needs. Beside NET go NET.csv (each epoch's training and validation loss and seconds) and
NET.png, their plot. The same data, options and seed give the same file: the run uses one
thread (--threads) and torch's deterministic algorithms.

Needs Debian's python3-torch (CPU) and python3-numpy; python3-matplotlib for a plot with
words on it (without, the curves alone).
"""

import argparse
import csv
import glob
import os
import sys
import time

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, TOOLS)

import numpy as np  # noqa: E402
import torch  # noqa: E402

from nnue import dataset, features, netfile, network, plot  # noqa: E402

DATA = os.path.join(os.path.expanduser("~"), ".cache", "qorat", "nnue-data", "nodes-5000")
NETS = os.path.join(os.path.expanduser("~"), ".cache", "qorat", "nnue-nets")
VALIDATION_SHARE = 10          # one position in this many is held out
# A start small enough that 32 pieces leave most neurons between 0 and 1, where they learn.
INITIAL_SPREAD = 0.05
# The positions on which the written net is checked against the float one.
CHECKED_POSITIONS = 2000


class Model(torch.nn.Module):
    def __init__(self, hidden):
        super().__init__()
        self.transformer = torch.nn.EmbeddingBag(features.FEATURES + 1, hidden, mode="sum",
                                                 padding_idx=features.NONE)
        self.transformer_bias = torch.nn.Parameter(torch.zeros(hidden))
        self.output = torch.nn.Linear(2 * hidden, 1)
        with torch.no_grad():
            self.transformer.weight.normal_(0, INITIAL_SPREAD)
            self.transformer.weight[features.NONE].zero_()

    def forward(self, mover, other):
        """The float output for batches of active features, the side to move's first."""
        halves = [(self.transformer(side) + self.transformer_bias).clamp(0, 1) ** 2 for side in (mover, other)]
        return self.output(torch.cat(halves, dim=1)).squeeze(1)

    def clip(self):
        with torch.no_grad():
            self.transformer.weight.clamp_(-network.TRANSFORMER_LIMIT, network.TRANSFORMER_LIMIT)
            self.transformer_bias.clamp_(-network.TRANSFORMER_LIMIT, network.TRANSFORMER_LIMIT)
            self.output.weight.clamp_(-network.OUTPUT_WEIGHT_LIMIT, network.OUTPUT_WEIGHT_LIMIT)

    def float_net(self):
        def numbers(t):
            return t.detach().numpy().astype(np.float64)
        return network.Net(numbers(self.transformer.weight[:features.FEATURES]), numbers(self.transformer_bias),
                           numbers(self.output.weight[0]), float(self.output.bias[0]))


def data_files(paths):
    """The positions files named, those of a folder in the order of their names."""
    files = []
    for path in paths:
        files.extend(sorted(glob.glob(os.path.join(path, "*.bin"))) if os.path.isdir(path) else [path])
    return files


def batch_tensors(records, options):
    """The inputs and the target of a batch of records."""
    mover, other = features.perspectives(records)
    scores = records["score"].astype(np.float64)
    target = (options.wdl_lambda / (1 + np.exp(-scores / options.scale_k))
              + (1 - options.wdl_lambda) * dataset.result_for_mover(records))
    return torch.from_numpy(mover), torch.from_numpy(other), torch.from_numpy(target.astype(np.float32))


def loss_of(model, batch, options):
    mover, other, target = batch
    predicted = torch.sigmoid(model(mover, other) * network.SCALE / options.scale_k)
    return torch.mean((predicted - target) ** 2)


def validation_loss(model, records, options):
    total = 0.0
    with torch.no_grad():
        for first in range(0, len(records), options.batch_size):
            part = records[first:first + options.batch_size]
            total += float(loss_of(model, batch_tensors(part, options), options)) * len(part)
    return total / len(records)


def check_quantised(model, quantised, records):
    """The written net's evaluation against the float net's on some positions: the largest
    difference, and whether every one is within the quantisation's bound."""
    mover, other = features.perspectives(records[:CHECKED_POSITIONS])
    floats = model.float_net()
    difference = np.abs(network.evaluate(quantised, mover, other)
                        - network.SCALE * network.float_output(floats, mover, other))
    return difference.max(), bool((difference <= network.quantisation_bound(floats, quantised, mover, other)).all())


def parse_options(argv):
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--data", nargs="+", default=[DATA],
                   help="positions files, or folders of them (default %s)" % DATA)
    p.add_argument("--out", help="the net file (default %s/h<H>-seed<S>.nnue)" % NETS)
    p.add_argument("--hidden", type=int, default=256, help="H, neurons a side (a multiple of 32 up to 1024)")
    p.add_argument("--epochs", type=int, default=30)
    p.add_argument("--batch-size", type=int, default=4096)
    p.add_argument("--lr", type=float, default=1e-3, help="Adam's learning rate")
    p.add_argument("--lambda", dest="wdl_lambda", type=float, default=0.75,
                   help="the score's share of the target, the result's the rest (default 0.75)")
    p.add_argument("--scale-k", type=float, default=400.0, help="K of the sigmoids, centipawns (default 400)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--threads", type=int, default=1, help="torch's threads (default 1)")
    options = p.parse_args(argv)
    if options.hidden % netfile.HIDDEN_STEP or not 0 < options.hidden <= netfile.MOST_HIDDEN:
        p.error("--hidden must be a multiple of %d up to %d" % (netfile.HIDDEN_STEP, netfile.MOST_HIDDEN))
    if options.epochs < 1 or options.batch_size < 1 or not 0 <= options.wdl_lambda <= 1:
        p.error("--epochs and --batch-size must be positive, --lambda within [0, 1]")
    options.out = options.out or os.path.join(NETS, "h%d-seed%d.nnue" % (options.hidden, options.seed))
    return options


def train(options, log=print):
    """Trains as the options say, writes the net, its losses and their plot; returns the
    model and the quantised net."""
    torch.manual_seed(options.seed)
    torch.use_deterministic_algorithms(True)
    torch.set_num_threads(options.threads)
    rng = np.random.default_rng(options.seed)
    files = data_files(options.data)
    records = dataset.read_all(files)
    if len(records) < VALIDATION_SHARE:
        raise ValueError("%d positions in %s: too few to train on" % (len(records), " ".join(options.data)))
    order = rng.permutation(len(records))
    held_out = records[order[:len(records) // VALIDATION_SHARE]]
    learning = records[order[len(records) // VALIDATION_SHARE:]]
    log("%d positions from %d files: %d to learn from, %d held out"
        % (len(records), len(files), len(learning), len(held_out)))

    model = Model(options.hidden)
    optimiser = torch.optim.Adam(model.parameters(), lr=options.lr)
    base = os.path.splitext(options.out)[0]
    os.makedirs(os.path.dirname(os.path.abspath(options.out)), exist_ok=True)
    rows = []
    for epoch in range(1, options.epochs + 1):
        start = time.monotonic()
        total = 0.0
        shuffled = learning[rng.permutation(len(learning))]
        for first in range(0, len(shuffled), options.batch_size):
            part = shuffled[first:first + options.batch_size]
            optimiser.zero_grad()
            loss = loss_of(model, batch_tensors(part, options), options)
            loss.backward()
            optimiser.step()
            model.clip()
            total += float(loss) * len(part)
        rows.append((epoch, total / len(learning), validation_loss(model, held_out, options),
                     time.monotonic() - start))
        log("epoch %3d  training %.6f  validation %.6f  %.1f s" % rows[-1])
        with open(base + ".csv", "w", newline="") as f:
            writer = csv.writer(f)
            writer.writerow(["epoch", "training_loss", "validation_loss", "seconds"])
            writer.writerows(rows)
        plot.plot(base + ".png", [r[0] for r in rows], [r[1] for r in rows], [r[2] for r in rows])

    quantised = network.quantise(network.clipped(model.float_net()))
    netfile.write(options.out, quantised)
    largest, within = check_quantised(model, quantised, held_out)
    log("written %s (H = %d, %d bytes); on %d held-out positions the quantised net is at most "
        "%.1f cp from the float one" % (options.out, options.hidden, netfile.size(options.hidden),
                                       min(len(held_out), CHECKED_POSITIONS), largest))
    if not within:
        raise ArithmeticError("the quantised net strays beyond its rounding from the float one")
    return model, quantised


if __name__ == "__main__":
    try:
        train(parse_options(sys.argv[1:]))
    except (OSError, ValueError, dataset.FormatError) as e:
        sys.exit("train: %s" % e)
