"""The trainer (tools/nnue/train.py) on a small fixture: its loss is the one the definitions
give; it writes a net file of exactly the format's size with a valid checksum, the same bytes
for the same seed, with its losses and their plot beside it; its model computes what
network.py's float net does, and the written net's integer evaluation follows it to within
the quantisation's error.

The fixture holds the 373 positions of
    qorat-datagen --seed 1 --games 5 --nodes 1000 --openings bench/openings.txt --out FILE

Run as: /usr/bin/python3 nnue_train_test.py (exit 77 without torch or numpy)."""

import csv
import math
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools"))
FIXTURE = os.path.join(HERE, "fixtures", "nnue_positions.bin")
HIDDEN = 32

try:
    import numpy as np
    import torch

    from nnue import dataset, features, netfile, network, train
except ImportError:
    train = None


def options(out, seed=1, *more):
    return train.parse_options(["--data", FIXTURE, "--out", out, "--hidden", str(HIDDEN), "--epochs", "2",
                                "--batch-size", "64", "--seed", str(seed)] + list(more))


@unittest.skipIf(train is None, "torch or numpy missing")
class TrainerTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.out = os.path.join(cls.scratch.name, "first", "net.nnue")
        cls.model, cls.quantised = train.train(options(cls.out), log=lambda line: None)
        cls.records = dataset.read(FIXTURE)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_the_file_has_the_formats_size_and_a_valid_checksum(self):
        with open(self.out, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 8 + 4 + 4 + 2 * (1260 * HIDDEN + HIDDEN + 2 * HIDDEN) + 4 + 8)
        self.assertEqual(int.from_bytes(data[-8:], "little"), netfile.fnv1a64(data[:-8]))
        read = netfile.read(self.out)
        self.assertTrue(np.array_equal(read.weights, self.quantised.weights))

    def test_the_same_seed_gives_the_same_bytes_and_another_seed_others(self):
        again = os.path.join(self.scratch.name, "again.nnue")
        other = os.path.join(self.scratch.name, "other.nnue")
        train.train(options(again), log=lambda line: None)
        train.train(options(other, 2), log=lambda line: None)
        with open(self.out, "rb") as a, open(again, "rb") as b, open(other, "rb") as c:
            first = a.read()
            self.assertEqual(first, b.read())
            self.assertNotEqual(first, c.read())

    def test_losses_and_their_plot_lie_beside_the_net(self):
        with open(os.path.join(os.path.dirname(self.out), "net.csv")) as f:
            rows = list(csv.DictReader(f))
        self.assertEqual([r["epoch"] for r in rows], ["1", "2"])
        for r in rows:
            self.assertTrue(0 < float(r["training_loss"]) < 0.25 and 0 < float(r["validation_loss"]) < 0.25, r)
        with open(os.path.join(os.path.dirname(self.out), "net.png"), "rb") as f:
            self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")

    def test_the_loss_is_the_definitions(self):
        # A net whose output is 1 everywhere predicts sigmoid(1 * 400 / 400) = 0.731.
        model = train.Model(HIDDEN)
        with torch.no_grad():
            for parameter in model.parameters():
                parameter.zero_()
            model.output.bias.fill_(1.0)
        # Red to move scoring +400 in a game Red won; Blue to move scoring -400 in the same.
        records = dataset.from_fens(["4k4/9/9/9/9/9/9/9/4R4/4K4 r", "4k4/9/9/9/9/9/9/9/4R4/4K4 b"], [400, -400], 2)
        settings = train.parse_options(["--lambda", "0.75", "--scale-k", "400"])
        predicted = 1 / (1 + math.exp(-1))
        targets = [0.75 * predicted + 0.25 * 1, 0.75 * (1 - predicted) + 0.25 * 0]
        want = sum((predicted - t) ** 2 for t in targets) / 2
        got = float(train.loss_of(model, train.batch_tensors(records, settings), settings))
        self.assertAlmostEqual(got, want, places=6)

    def test_the_model_computes_the_float_net(self):
        mover, other = features.perspectives(self.records)
        with torch.no_grad():
            computed = self.model(torch.from_numpy(mover), torch.from_numpy(other)).numpy()
        expected = network.float_output(self.model.float_net(), mover, other)
        self.assertLess(np.abs(computed - expected).max(), 1e-4)

    def test_the_written_net_follows_the_float_net_within_its_rounding(self):
        mover, other = features.perspectives(self.records)
        floats = self.model.float_net()
        quantised = netfile.read(self.out)
        evaluated = network.evaluate(quantised, mover, other)
        floated = network.SCALE * network.float_output(floats, mover, other)
        bound = network.quantisation_bound(floats, quantised, mover, other)
        self.assertTrue((np.abs(evaluated - floated) <= bound).all())
        exact = network.SCALE * network.float_output(network.dequantise(quantised), mover, other)
        self.assertLess(np.abs(evaluated - exact).max(), 1 + network.SCALE / (network.QA * network.QB))
        # The trained net is no constant: its evaluations tell the positions apart.
        self.assertGreater(len(set(evaluated)), 20)


if __name__ == "__main__":
    if train is None:
        print("torch or numpy missing: skipped")
        sys.exit(77)
    unittest.main()
