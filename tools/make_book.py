#!/usr/bin/env python3
"""Build the opening book (book.dat) from tools/book_lines.txt.

Each line of book_lines.txt is played from the start position; the position
before every move is recorded together with that move. All lines are merged
so every position appears once, with each move repeated as often as the
lines (and their "Nx " weights) play it, so the engine picks it that often.

A "|" among the moves ends a lead-in: the moves before it are played to
reach the position but not recorded, so the book can answer a mistake
without ever playing it.

Output: one "FEN:move move ..." line per position, sorted so the file diffs
cleanly, every line newline-terminated and at most MAX_LINE characters.

Usage: make_book.py [OUT] [--lines FILE]
OUT defaults to book.dat at the repo root.
"""

import argparse
import os
import re
import sys
from collections import Counter

FILES = "abcdefghi"
START_FEN = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r"
# The engine reads book lines into a fixed buffer; longer lines are capped.
MAX_LINE = 254
MOVE_RE = re.compile(r"^[a-i][0-9][a-i][0-9]$")
WEIGHT_RE = re.compile(r"^([0-9]+)x$")


class LineError(Exception):
    pass


def parse_fen(fen):
    """Board as a list of 90 squares (index rank * 9 + file) and side."""
    rows, side = fen.split(" ")
    board = [None] * 90
    for i, row in enumerate(rows.split("/")):
        rank = 9 - i
        f = 0
        for ch in row:
            if ch.isdigit():
                f += int(ch)
            else:
                board[rank * 9 + f] = ch
                f += 1
    return board, side


def to_fen(board, side):
    rows = []
    for rank in range(9, -1, -1):
        row, empty = "", 0
        for f in range(9):
            p = board[rank * 9 + f]
            if p is None:
                empty += 1
            else:
                if empty:
                    row += str(empty)
                    empty = 0
                row += p
        if empty:
            row += str(empty)
        rows.append(row)
    return "/".join(rows) + " " + side


def square(text):
    return int(text[1]) * 9 + FILES.index(text[0])


def play(board, side, move):
    """Move a piece, with the sanity checks that catch typos in the lines."""
    if not MOVE_RE.match(move):
        raise LineError("bad move text %r" % move)
    frm, to = square(move[:2]), square(move[2:])
    if frm == to:
        raise LineError("%s does not move" % move)
    piece = board[frm]
    if piece is None:
        raise LineError("%s: no piece on %s" % (move, move[:2]))
    red = side == "r"
    if piece.isupper() != red:
        raise LineError("%s: %s moves a %s piece with %s to move"
                        % (move, piece, "Blue" if red else "Red",
                           "Red" if red else "Blue"))
    target = board[to]
    if target is not None and target.isupper() == red:
        raise LineError("%s: captures its own %s" % (move, target))
    board[to] = piece
    board[frm] = None
    return "b" if red else "r"


def read_lines(path):
    """Yield (line number, weight, moves) for every book line."""
    with open(path, encoding="utf-8") as fh:
        for num, text in enumerate(fh, 1):
            text = text.strip()
            if not text or text.startswith("#"):
                continue
            words = text.split()
            weight = 1
            m = WEIGHT_RE.match(words[0])
            if m:
                weight = int(m.group(1))
                words = words[1:]
                if weight < 1:
                    raise LineError("line %d: weight must be at least 1" % num)
            if not words:
                raise LineError("line %d: weight without moves" % num)
            yield num, weight, words


def split_lead_in(moves):
    """(moves played but not recorded, recorded moves) of a line."""
    if "|" in moves:
        cut = moves.index("|")
        return moves[:cut], moves[cut + 1:]
    return [], moves


def replay(num, moves):
    """Yield (fen, move, recorded) along a line, checking every move."""
    board, side = parse_fen(START_FEN)
    lead, rest = split_lead_in(moves)
    for ply, move in enumerate(lead + rest, 1):
        fen = to_fen(board, side)
        try:
            side = play(board, side, move)
        except LineError as err:
            raise LineError("line %d, move %d: %s" % (num, ply, err))
        yield fen, move, ply > len(lead)


def collect(path):
    book = {}
    for num, weight, moves in read_lines(path):
        for fen, move, recorded in replay(num, moves):
            if recorded:
                book.setdefault(fen, Counter())[move] += weight
    return book


def render(fen, counts):
    """Book line for one position; scales counts down if it gets too long."""
    # Most-played first, then by text, so the output is stable.
    order = sorted(counts, key=lambda mv: (-counts[mv], mv))

    def line(cnt):
        moves = []
        for mv in order:
            moves.extend([mv] * cnt[mv])
        return fen + ":" + " ".join(moves)

    text = line(counts)
    if len(text) <= MAX_LINE:
        return text
    # Keep the proportions as far as the room allows, every move at least once.
    total = sum(counts.values())
    for budget in range(total - 1, 0, -1):
        cnt = {mv: max(1, round(counts[mv] * budget / total)) for mv in order}
        text = line(cnt)
        if len(text) <= MAX_LINE:
            return text
    # Too many different moves even once each: drop the rarest.
    while len(order) > 1:
        order.pop()
        text = line({mv: 1 for mv in order})
        if len(text) <= MAX_LINE:
            return text
    raise LineError("position does not fit in a book line: " + fen)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("out", nargs="?",
                    default=os.path.join(os.path.dirname(here), "book.dat"),
                    help="book file to write (default: book.dat at the repo root)")
    ap.add_argument("--lines", default=os.path.join(here, "book_lines.txt"),
                    help="opening lines to read (default: tools/book_lines.txt)")
    args = ap.parse_args()
    try:
        book = collect(args.lines)
        out = [render(fen, book[fen]) for fen in sorted(book)]
    except LineError as err:
        sys.exit("%s: %s" % (args.lines, err))
    with open(args.out, "w", encoding="ascii", newline="\n") as fh:
        for text in out:
            fh.write(text + "\n")
    print("%s: %d positions, %d moves" % (
        args.out, len(out), sum(sum(c.values()) for c in book.values())))


if __name__ == "__main__":
    main()
