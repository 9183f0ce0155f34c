"""The network's inputs: each position seen from Red's and from Blue's side. From side P, a
piece of colour C and type T (1..7) on square S is feature

    ((C == P ? 0 : 1) * 7 + (T - 1)) * 90 + relative(S)

with relative(S) = S for Red and, for Blue, S mirrored top to bottom (row r to row 9 - r):
2 * 7 * 90 = 1260 features, at most 32 active at once."""

import numpy as np

from . import dataset

FEATURES = 2 * 7 * dataset.SQUARES
# The index of no feature, filling the rows of positions with fewer than 32 pieces.
NONE = FEATURES
TYPES = 7
ROWS = dataset.SQUARES // dataset.FILES


def perspectives(records):
    """Arrays (records, 32) of the active features from the side to move's view and from the
    other side's, each row padded with NONE."""
    rows, squares, k, codes = dataset.pieces(records)
    red_piece = (codes & dataset.RED) != 0
    type_row = (codes & dataset.TYPE_MASK).astype(np.int64) - 1
    mirrored = (ROWS - 1 - squares // dataset.FILES) * dataset.FILES + squares % dataset.FILES
    red = np.full((len(records), dataset.MOST_PIECES), NONE, np.int64)
    blue = red.copy()
    red[rows, k] = ((~red_piece) * TYPES + type_row) * dataset.SQUARES + squares
    blue[rows, k] = (red_piece * TYPES + type_row) * dataset.SQUARES + mirrored
    red_moves = (records["side"] == dataset.RED_TO_MOVE)[:, None]
    return np.where(red_moves, red, blue), np.where(red_moves, blue, red)
