"""The net file (tools/nnue/netfile.py) and the quantised net's integer evaluation
(network.py): nets worked out by hand give their centipawns, divisions rounding toward zero;
a file holds exactly its layout with the FNV-1a checksum, and a damaged one is refused; a
quantised random net follows its float net to within the quantisation's error, and the float
net its integers stand for to within the roundings of the divisions.

Run as: /usr/bin/python3 nnue_network_test.py (exit 77 without numpy)."""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools")
sys.path.insert(0, TOOLS)

try:
    import numpy as np

    from nnue import dataset, features, netfile, network
except ImportError:
    network = None

HIDDEN = 32
ROOK_POSITION = "4k4/9/9/9/9/9/9/9/4R4/4K4"
# The rook's feature from Red's view (own rook on 76) and from Blue's (other's rook on 13).
ROOK_FOR_RED = 2 * 90 + 76
ROOK_FOR_BLUE = 9 * 90 + 13


def inputs(fens):
    return features.perspectives(dataset.from_fens(fens))


def hand_net(bias=(), weights=(), output_weights=(), output_bias=0):
    """A quantised net of zeros but for the entries given as {index: value}."""
    net = network.Net(np.zeros((features.FEATURES, HIDDEN), np.int16), np.zeros(HIDDEN, np.int16),
                      np.zeros(2 * HIDDEN, np.int16), output_bias)
    for i, value in dict(bias).items():
        net.bias[i] = value
    for (f, i), value in dict(weights).items():
        net.weights[f, i] = value
    for i, value in dict(output_weights).items():
        net.output_weights[i] = value
    return net


def random_float_net(seed, hidden=HIDDEN):
    rng = np.random.default_rng(seed)
    return network.Net(rng.normal(0, 0.1, (features.FEATURES, hidden)), rng.normal(0.3, 0.2, hidden),
                       rng.normal(0, 1.0, 2 * hidden), rng.normal(0, 0.1))


@unittest.skipIf(network is None, "numpy missing")
class EvaluationTest(unittest.TestCase):
    # (what it shows, net, FEN, centipawns worked out by hand)
    CASES = [
        # Bias only: neuron 0 clamps to 255, 1 stays 100, 2 clamps to 0.
        # (255^2 * 127 + 100^2 * (5 - 3)) / 255 = 32463.4 -> 32463; - 1000; * 400 / 16320 = 771.2
        ("clamps and a positive sum", dict(bias={0: 300, 1: 100, 2: -50}, output_weights={0: 127, 1: -3, 33: 5},
                                          output_bias=-1000), ROOK_POSITION + " r", 771),
        # (-255^2 * 127 + 20000) / 255 = -32306.6 -> -32306 (not -32307); - 1000 = -33306;
        # * 400 / 16320 = -816.3 -> -816 (not -817)
        ("toward zero", dict(bias={0: 300, 1: 100, 2: -50}, output_weights={0: -127, 1: -3, 33: 5},
                             output_bias=-1000), ROOK_POSITION + " r", -816),
        # The rook lights neuron 3 from Red's view and neuron 4 from Blue's. Red to move:
        # (100^2 * 10 + 60^2 * 20) / 255 = 674.5 -> 674; * 400 / 16320 = 16.5
        ("the side to move's half first", dict(weights={(ROOK_FOR_RED, 3): 100, (ROOK_FOR_BLUE, 4): 60},
                                               output_weights={3: 10, 4: 7, 36: 20}), ROOK_POSITION + " r", 16),
        # Blue to move: its neuron 4 meets OW[4]; Red's neuron 3 meets OW[35] = 0.
        # 60^2 * 7 / 255 = 98.8 -> 98; * 400 / 16320 = 2.4
        ("the other side's half second", dict(weights={(ROOK_FOR_RED, 3): 100, (ROOK_FOR_BLUE, 4): 60},
                                              output_weights={3: 10, 4: 7, 36: 20}), ROOK_POSITION + " b", 2),
        # The output bias alone: 16320 * 400 / 16320.
        ("the bias", dict(output_bias=16320), ROOK_POSITION + " r", 400),
    ]

    def test_nets_worked_out_by_hand(self):
        for what, parts, fen, centipawns in self.CASES:
            with self.subTest(what=what):
                self.assertEqual(network.evaluate(hand_net(**parts), *inputs([fen]))[0], centipawns)

    def test_the_quantised_net_follows_the_float_net(self):
        fens = [fen for fen, _, _ in FENS]
        mover, other = inputs(fens)
        for seed in range(3):
            with self.subTest(seed=seed):
                floats = network.clipped(random_float_net(seed))
                quantised = network.quantise(floats)
                evaluated = network.evaluate(quantised, mover, other)
                # Against the float net the integers stand for, only the divisions round.
                exact = network.SCALE * network.float_output(network.dequantise(quantised), mover, other)
                self.assertLess(np.abs(evaluated - exact).max(), 1 + network.SCALE / (network.QA * network.QB))
                # Against the float net itself, within the bound of its roundings; a bound
                # narrow enough to tell a net read with its halves swapped.
                floated = network.SCALE * network.float_output(floats, mover, other)
                bound = network.quantisation_bound(floats, quantised, mover, other)
                self.assertTrue((np.abs(evaluated - floated) <= bound).all())
                swapped = quantised._replace(output_weights=np.roll(quantised.output_weights, HIDDEN))
                self.assertTrue((np.abs(network.evaluate(swapped, mover, other) - floated) > bound).any())

    def test_clipping_keeps_every_number_within_its_integers(self):
        wild = random_float_net(4)
        wild = network.Net(wild.weights * 100, wild.bias * 100, wild.output_weights * 100, 1.0)
        quantised = network.quantise(network.clipped(wild))
        self.assertEqual(np.abs(quantised.output_weights).max(), 127)
        most = (dataset.MOST_PIECES + 1) * np.abs(quantised.weights.astype(np.int64)).max()
        self.assertLessEqual(most, np.iinfo(np.int16).max)


# A few positions with pieces in many places, for the random nets.
FENS = [
    ("rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r", 0, 1),
    ("r1eak1e1r/4a4/2h3h2/p5p1p/4p4/2P3Pc1/P3P3P/E1H3HC1/4A4/1R2KAE1R r", 0, 1),
    ("2eak4/4ar3/h3e1hc1/C3p3p/9/2P3P2/P3P2cP/2H1CAH2/9/2E1KAE1R b", 0, 1),
    ("3ak1e2/4a4/9/p8/2P3e1p/9/PH2h3P/8r/4A4/2EK1A3 r", 0, 1),
    ("3k5/4a4/5a3/9/9/4r4/9/9/4H4/R4K3 b", 0, 1),
]


@unittest.skipIf(network is None, "numpy missing")
class NetFileTest(unittest.TestCase):
    def test_fnv1a64_of_known_text(self):
        self.assertEqual(netfile.fnv1a64(b""), 0xCBF29CE484222325)
        self.assertEqual(netfile.fnv1a64(b"a"), 0xAF63DC4C8601EC8C)
        self.assertEqual(netfile.fnv1a64(b"foobar"), 0x85944171F73967E8)

    def test_a_net_written_and_read_back_is_the_same(self):
        net = network.quantise(network.clipped(random_float_net(5, hidden=64)))
        data = netfile.to_bytes(net)
        self.assertEqual(len(data), 8 + 4 + 4 + 2 * 1260 * 64 + 2 * 64 + 2 * 128 + 4 + 8)
        self.assertEqual(len(data), netfile.size(64))
        self.assertEqual(data[:16], b"QORATNN1" + struct.pack("<II", 1260, 64))
        self.assertEqual(struct.unpack("<h", data[16:18])[0], net.weights[0, 0])
        self.assertEqual(struct.unpack("<h", data[18:20])[0], net.weights[0, 1])
        self.assertEqual(struct.unpack("<i", data[-12:-8])[0], net.output_bias)
        self.assertEqual(struct.unpack("<Q", data[-8:])[0], netfile.fnv1a64(data[:-8]))
        back = netfile.from_bytes(data)
        for name in network.Net._fields:
            self.assertTrue(np.array_equal(getattr(back, name), getattr(net, name)), name)

    def test_damaged_files_are_refused(self):
        data = netfile.to_bytes(network.quantise(network.clipped(random_float_net(6))))
        flipped = bytearray(data)
        flipped[1000] ^= 1
        cases = [
            ("checksum", bytes(flipped)),
            ("bytes for H", data[:-1]),
            ("not a net", b"QORATNN2" + data[8:]),
            ("not a net", data[:8] + struct.pack("<I", 1261) + data[12:]),
            ("bytes for H", data[:12] + struct.pack("<I", 33) + data[16:]),
            ("too short", data[:10]),
        ]
        for said, damaged in cases:
            with self.subTest(said=said), self.assertRaisesRegex(netfile.NetFileError, said):
                netfile.from_bytes(damaged)
        with self.assertRaisesRegex(netfile.NetFileError, "multiple"):
            netfile.to_bytes(hand_net()._replace(bias=np.zeros(40, np.int16)))

    def test_the_evaluation_command_gives_the_reference(self):
        net = hand_net(**EvaluationTest.CASES[0][1])
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(scratch, "hand.nnue")
            netfile.write(path, net)
            run = subprocess.run([sys.executable, os.path.join(TOOLS, "nnue", "evaluate.py"), path],
                                 input=ROOK_POSITION + " r\n", capture_output=True, text=True, timeout=60)
        self.assertEqual(run.stdout, ROOK_POSITION + " r;771\n", run.stderr)


if __name__ == "__main__":
    if network is None:
        print("numpy missing: skipped")
        sys.exit(77)
    unittest.main()
