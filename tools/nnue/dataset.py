#!/usr/bin/python3
"""The positions file of qorat-datagen: its one reader (and a writer, for tests and fixtures).

    python3 tools/nnue/dataset.py print FILE...    a line "FEN;SCORE;RESULT" per position

The layout, little-endian throughout:

  header, 16 bytes
    0   8 bytes  magic "QORATPOS"
    8   u32      version, 1
    12  u32      record size, 32
  records, 32 bytes each, as many as the file holds
    0   12 bytes occupancy: square s (9 * row + column, row 0 Blue's back rank, the top row
                 of a FEN) is bit s % 8 of byte s // 8, set when a piece stands there
    12  16 bytes the pieces of the occupied squares in ascending order of square, 4 bits
                 each: piece k in byte 12 + k // 2, the low nibble for even k; the code is
                 the engine's, 8 for Red or 0 for Blue plus the type 1..7 (pawn, cannon,
                 rook, horse, elephant, advisor, king); unused nibbles 0
    28  int16    the search's score, centipawns for the side to move
    30  u8       the game's result for Red: 0 lost, 1 drawn, 2 won
    31  u8       the side to move: 0 Red, 1 Blue

The printed SCORE is for the side to move, as stored; RESULT is the game's for Red, 1, 0.5
or 0. FEN is the engine's text (h and e for horse and elephant, r or b to move).
"""

import sys

import numpy as np

MAGIC = b"QORATPOS"
VERSION = 1
HEADER = np.dtype([("magic", "S8"), ("version", "<u4"), ("record_size", "<u4")])
RECORD = np.dtype([("occupancy", "u1", 12), ("pieces", "u1", 16), ("score", "<i2"),
                   ("result", "u1"), ("side", "u1")])
assert HEADER.itemsize == 16 and RECORD.itemsize == 32

SQUARES = 90
OCCUPANCY_BITS = 8 * RECORD["occupancy"].shape[0]
FILES = 9
RED = 8
TYPE_MASK = 7
RED_TO_MOVE, BLUE_TO_MOVE = 0, 1
MOST_PIECES = 32
LETTERS = "+pcrheak"


class FormatError(ValueError):
    pass


def read(path):
    """The records of one file, as a read-only array over it (RECORD's fields)."""
    header = np.fromfile(path, HEADER, count=1)
    if len(header) != 1 or header["magic"][0] != MAGIC:
        raise FormatError("%s: not a positions file" % path)
    if header["version"][0] != VERSION or header["record_size"][0] != RECORD.itemsize:
        raise FormatError("%s: version %d with records of %d bytes; this reader knows version %d "
                          "with records of %d bytes" % (path, header["version"][0], header["record_size"][0],
                                                       VERSION, RECORD.itemsize))
    size = np.memmap(path, np.uint8, "r").size - HEADER.itemsize
    if size % RECORD.itemsize:
        raise FormatError("%s: %d bytes after the header, no whole number of records" % (path, size))
    if size == 0:
        return np.zeros(0, RECORD)
    return np.memmap(path, RECORD, "r", offset=HEADER.itemsize)


def read_all(paths):
    """The records of every file, one after the other, in memory."""
    parts = [np.asarray(read(p)) for p in paths]
    return np.concatenate(parts) if parts else np.zeros(0, RECORD)


def write(path, records):
    header = np.array([(MAGIC, VERSION, RECORD.itemsize)], HEADER)
    with open(path, "wb") as f:
        f.write(header.tobytes())
        f.write(np.ascontiguousarray(records, RECORD).tobytes())


# -- boards -------------------------------------------------------------------------------

def _places(occupied):
    """The occupied squares of boolean rows (records, 90) in record order, then square order:
    arrays (record, square, its place among its record's pieces)."""
    rows, squares = np.nonzero(occupied)
    counts = occupied.sum(axis=1, dtype=np.int64)
    if counts.max(initial=0) > MOST_PIECES:
        raise FormatError("a position with more than %d pieces" % MOST_PIECES)
    return rows, squares, np.arange(len(rows)) - np.repeat(np.cumsum(counts) - counts, counts)


def pieces(records):
    """Every piece of every record, in record order, then square order: arrays (record,
    square, its place among its record's pieces, code)."""
    bits = np.unpackbits(records["occupancy"], axis=1, bitorder="little")[:, :SQUARES]
    rows, squares, k = _places(bits)
    nibbles = records["pieces"][rows, k // 2]
    return rows, squares, k, np.where(k % 2 == 0, nibbles & 15, nibbles >> 4)


def boards(records):
    """The piece code on each square: an array (records, 90), 0 where empty."""
    rows, squares, _, codes = pieces(records)
    board = np.zeros((len(records), SQUARES), np.uint8)
    board[rows, squares] = codes
    return board


def pack(board, side, score, result):
    """Records from piece codes (records, 90), the side to move (0 Red, 1 Blue), the score
    for the side to move and the result for Red (0 lost, 1 drawn, 2 won)."""
    board = np.asarray(board, np.uint8)
    records = np.zeros(len(board), RECORD)
    occupied = board != 0
    records["occupancy"] = np.packbits(
        np.pad(occupied, ((0, 0), (0, OCCUPANCY_BITS - SQUARES))), axis=1, bitorder="little")
    rows, squares, k = _places(occupied)
    nibbles = np.zeros((len(board), MOST_PIECES), np.uint8)
    nibbles[rows, k] = board[rows, squares]
    records["pieces"] = nibbles[:, 0::2] | (nibbles[:, 1::2] << 4)
    records["score"] = score
    records["result"] = result
    records["side"] = side
    return records


def result_for_red(records):
    """1, 0.5 or 0."""
    return records["result"].astype(np.float64) / 2


def result_for_mover(records):
    red = result_for_red(records)
    return np.where(records["side"] == RED_TO_MOVE, red, 1 - red)


# -- FEN text -----------------------------------------------------------------------------

def fen(board_row, side):
    ranks = []
    for row in range(SQUARES // FILES):
        text, empty = "", 0
        for code in board_row[row * FILES:(row + 1) * FILES]:
            if code == 0:
                empty += 1
                continue
            if empty:
                text += str(empty)
                empty = 0
            letter = LETTERS[code & TYPE_MASK]
            text += letter.upper() if code & RED else letter
        ranks.append(text + (str(empty) if empty else ""))
    return "/".join(ranks) + (" r" if side == RED_TO_MOVE else " b")


def parse_fen(text):
    """(piece codes by square, side to move) of a FEN; ValueError on other text."""
    fields = text.split()
    if len(fields) < 2 or fields[1] not in ("r", "b"):
        raise ValueError("no FEN: %r" % text)
    board = np.zeros(SQUARES, np.uint8)
    square = 0
    for c in fields[0]:
        if c.isdigit():
            square += int(c)
        elif c != "/":
            if c.lower() not in LETTERS[1:] or square >= SQUARES:
                raise ValueError("no FEN: %r" % text)
            board[square] = LETTERS.index(c.lower()) | (RED if c.isupper() else 0)
            square += 1
    if square != SQUARES:
        raise ValueError("no FEN: %r" % text)
    return board, RED_TO_MOVE if fields[1] == "r" else BLUE_TO_MOVE


def from_fens(fens, score=0, result=1):
    """Records of FEN texts, with the scores and results given (one for all, or one each)."""
    placed = [parse_fen(text) for text in fens]
    return pack([board for board, _ in placed], [side for _, side in placed], score, result)


def main(argv):
    if len(argv) < 2 or argv[0] != "print":
        sys.stderr.write("usage: dataset.py print FILE...\n")
        return 2
    out = sys.stdout
    for path in argv[1:]:
        records = read(path)
        placed = boards(records)
        red = result_for_red(records)
        for i in range(len(records)):
            out.write("%s;%d;%g\n" % (fen(placed[i], records["side"][i]), records["score"][i], red[i]))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, FormatError) as e:
        sys.exit("dataset.py: %s" % e)
    except BrokenPipeError:
        sys.exit(0)
