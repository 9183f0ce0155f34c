"""Reads the evaluation's layout from qorat-features and writes its weights as C++ source.

The layout is what `qorat-features layout` prints: one line per group of terms (name, first
weight, count), then a line "weights mg,eg mg,eg ..." with the weights compiled in and a line
"start mg,eg ..." with the weights every fit starts from.
"""

import subprocess

HEADER = """// The modern evaluation's weights, middlegame then endgame, in centipawns, written by
// tools/tune/fit.py: {origin}.
// Edit by running the pipeline again, not by hand.
#include "eval/eval_weights.h"

namespace qorat {{

const std::array<Weight, term::Count> evalWeights = {{{{
"""

FOOTER = """}};

}  // namespace qorat
"""


def read_layout(features_binary):
    """[(name, first, count)], the compiled weights and the starting weights [(mg, eg)] of the binary."""
    text = subprocess.run([features_binary, "layout"], check=True, capture_output=True, text=True).stdout
    groups, weights = [], {}
    for line in text.splitlines():
        fields = line.split()
        if fields[0] in ("weights", "start"):
            weights[fields[0]] = [tuple(int(v) for v in pair.split(",")) for pair in fields[1:]]
        else:
            groups.append((fields[0], int(fields[1]), int(fields[2])))
    return groups, weights["weights"], weights["start"]


def write(path, groups, weights, origin):
    """Writes the weights, a group at a time, ten to a line."""
    out = [HEADER.format(origin=origin)]
    for name, first, count in groups:
        out.append("    // %s\n" % name)
        pairs = ["{%d, %d}," % (round(mg), round(eg)) for mg, eg in weights[first:first + count]]
        for i in range(0, len(pairs), 10):
            out.append("    " + " ".join(pairs[i:i + 10]) + "\n")
    out.append(FOOTER)
    with open(path, "w") as f:
        f.write("".join(out))
