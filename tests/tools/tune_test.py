"""The tuning pipeline's fit on a small fixture of labelled positions: it lowers the error,
and the weights it writes compile as the evaluation's source.

The fixture is 3000 lines of the labels that `tools/tune/tune.py --seed 1` makes
(build/tune/seed-1-games-3000-nodes-4000/labels-depth-8.txt), shuffled by Python's
random.Random(1).shuffle and cut.

Run as: /usr/bin/python3 tune_test.py QORAT_FEATURES_BINARY (exit 77 without numpy/scipy)."""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "tools", "tune"))
FIXTURE = os.path.join(HERE, "fixtures", "tune_positions.txt")
FEATURES = None

try:
    import fit
    import weights_file
except ImportError:
    fit = None


class FitTest(unittest.TestCase):
    def test_fit_lowers_the_error_and_writes_source_that_compiles(self):
        report = []
        groups, weights, _ = fit.fit(FEATURES, FIXTURE, iterations=60, log=report.append)
        errors = {line.split(":")[0]: [float(x.split()[0]) for x in line.split(":")[1].split(",")]
                  for line in report if line.startswith("error")}
        before, after = errors["error before"], errors["error after"]
        self.assertLess(after[0], before[0] * 0.98, report)
        _, _, start = weights_file.read_layout(FEATURES)
        self.assertEqual(len(weights), len(start))
        with tempfile.TemporaryDirectory() as scratch:
            source = os.path.join(scratch, "eval_weights.cpp")
            weights_file.write(source, groups, weights, "the test fixture")
            compiled = subprocess.run(["c++", "-std=c++20", "-fsyntax-only", "-Wall", "-Werror",
                                       "-I", os.path.join(ROOT, "src"), source],
                                      capture_output=True, text=True, timeout=120)
            self.assertEqual(compiled.returncode, 0, compiled.stderr)


if __name__ == "__main__":
    if fit is None:
        print("numpy or scipy missing: skipped")
        sys.exit(77)
    FEATURES = sys.argv.pop(1)
    unittest.main()
