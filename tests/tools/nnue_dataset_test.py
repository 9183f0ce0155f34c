"""The positions file (tools/nnue/dataset.py) and the network's inputs (features.py): records
written and read back give the same positions, scores and results; files that are not ours
are refused; each piece is the feature the definitions give from each side.

Run as: /usr/bin/python3 nnue_dataset_test.py (exit 77 without numpy)."""

import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools"))

try:
    import numpy as np

    from nnue import dataset, features
except ImportError:
    dataset = None

START = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r"
# Positions with their score for the side to move and result for Red (0, 1 or 2 halves).
POSITIONS = [
    (START, 0, 1),
    ("rheakae1r/9/1c4hc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RHEAKAEHR b", -32768, 0),
    ("3k5/4a4/5a3/9/9/4r4/9/9/4H4/R4K3 r", 32767, 2),
    ("4k4/9/9/9/9/9/9/9/4R4/4K4 b", 417, 1),
]


@unittest.skipIf(dataset is None, "numpy missing")
class RecordsTest(unittest.TestCase):
    def records(self):
        return dataset.from_fens([fen for fen, _, _ in POSITIONS], [score for _, score, _ in POSITIONS],
                                 [r for _, _, r in POSITIONS])

    def test_written_and_read_back_the_same(self):
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(scratch, "positions.bin")
            dataset.write(path, self.records())
            self.assertEqual(os.path.getsize(path), 16 + 32 * len(POSITIONS))
            read = dataset.read(path)
            placed = dataset.boards(read)
            self.assertEqual([dataset.fen(placed[i], read["side"][i]) for i in range(len(read))],
                             [fen for fen, _, _ in POSITIONS])
            self.assertEqual(list(read["score"]), [score for _, score, _ in POSITIONS])
            self.assertEqual(list(dataset.result_for_red(read)), [0.5, 0.0, 1.0, 0.5])
            self.assertEqual(list(dataset.result_for_mover(read)), [0.5, 1.0, 1.0, 0.5])
            both = dataset.read_all([path, path])
            self.assertEqual(len(both), 2 * len(POSITIONS))

    def test_the_bytes_of_a_record(self):
        record = self.records()[3].tobytes()    # kings on 4 and 85, a Red rook on 76
        occupancy = int.from_bytes(record[:12], "little")
        self.assertEqual(occupancy, (1 << 4) | (1 << 76) | (1 << 85))
        self.assertEqual(record[12:14], bytes([0x07 | 0xB0, 0x0F]))  # k (Blue 0 + 7), R (8 + 3), K (8 + 7)
        self.assertEqual(record[14:28], bytes(14))
        self.assertEqual(record[28:], bytes([417 & 0xFF, 417 >> 8, 1, 1]))

    def test_files_not_ours_are_refused(self):
        good = np.array([(dataset.MAGIC, dataset.VERSION, 32)], dataset.HEADER).tobytes()
        cases = [
            ("not a positions file", b"QORATNN1" + good[8:]),
            ("version 2 ", np.array([(dataset.MAGIC, 2, 32)], dataset.HEADER).tobytes()),
            ("records of 31 bytes", np.array([(dataset.MAGIC, 1, 31)], dataset.HEADER).tobytes()),
            ("whole number", good + bytes(33)),
            ("not a positions file", good[:10]),
        ]
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(scratch, "bad.bin")
            for said, data in cases:
                with self.subTest(said=said):
                    with open(path, "wb") as f:
                        f.write(data)
                    with self.assertRaisesRegex(dataset.FormatError, said):
                        dataset.read(path)

    def test_text_that_is_no_fen_is_refused(self):
        for text in ["", START.split()[0], START[:-1] + "w", "9/" * 9 + "8 r", "x8/" + "9/" * 8 + "9 r",
                     "9/" * 9 + "9p r"]:
            with self.subTest(text=text), self.assertRaises(ValueError):
                dataset.parse_fen(text)


@unittest.skipIf(dataset is None, "numpy missing")
class FeaturesTest(unittest.TestCase):
    # (FEN, features from the side to move's view, from the other's), each sorted.
    CASES = [
        # Red's view: own king (type 7) on 85, Blue's king on 4; Blue sees the same, mirrored.
        ("4k4/9/9/9/9/9/9/9/9/4K4 r", [6 * 90 + 85, 13 * 90 + 4], [6 * 90 + 85, 13 * 90 + 4]),
        # A Red rook (type 3) on 76: Red's own on 76, Blue's other's on the mirrored 13.
        ("4k4/9/9/9/9/9/9/9/4R4/4K4 r", [2 * 90 + 76, 6 * 90 + 85, 13 * 90 + 4],
         [6 * 90 + 85, 9 * 90 + 13, 13 * 90 + 4]),
        # Blue to move: its view first. A Blue pawn on 27 is its own on 54, Red's other's on 27.
        ("4k4/9/9/p8/9/9/9/9/9/4K4 b", [54, 6 * 90 + 85, 13 * 90 + 4],
         [7 * 90 + 27, 6 * 90 + 85, 13 * 90 + 4]),
    ]

    def test_each_piece_is_its_feature_from_each_side(self):
        mover, other = features.perspectives(dataset.from_fens([fen for fen, _, _ in self.CASES]))
        for i, (fen, want_mover, want_other) in enumerate(self.CASES):
            with self.subTest(fen=fen):
                self.assertEqual(sorted(f for f in mover[i] if f != features.NONE), sorted(want_mover))
                self.assertEqual(sorted(f for f in other[i] if f != features.NONE), sorted(want_other))

    def test_the_start_position_fills_32_features_each_side_alike(self):
        mover, other = features.perspectives(dataset.from_fens([START]))
        self.assertEqual(sorted(mover[0]), sorted(other[0]))
        self.assertEqual(len(set(mover[0])), 32)
        self.assertTrue((mover[0] < features.FEATURES).all())


if __name__ == "__main__":
    if dataset is None:
        print("numpy missing: skipped")
        sys.exit(77)
    unittest.main()
