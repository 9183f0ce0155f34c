#!/usr/bin/python3
"""The quantised net's evaluation of positions, computed as network.py defines it: the
reference for the engine's.

    python3 tools/nnue/evaluate.py NET < fens     a line "FEN;CENTIPAWNS" for each FEN read,
                                                   centipawns for the side to move
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from nnue import dataset, features, netfile, network  # noqa: E402


def main(argv):
    if len(argv) != 1:
        sys.stderr.write("usage: evaluate.py NET < fens\n")
        return 2
    net = netfile.read(argv[0])
    fens = [line.strip() for line in sys.stdin if line.strip()]
    if not fens:
        return 0
    records = dataset.from_fens(fens)
    for fen, value in zip(fens, network.evaluate(net, *features.perspectives(records))):
        print("%s;%d" % (fen, value))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError) as e:
        sys.exit("evaluate.py: %s" % e)
