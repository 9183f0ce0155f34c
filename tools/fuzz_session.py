#!/usr/bin/env python3
"""Fuzzes the program through its standard input in all four modes.

Starts the program again and again (console, cxboard, xboard, UCI, in turn), sends it random
lines drawn from its commands with extreme or malformed arguments, random moves, legal and
illegal move sequences, random positions and over-material ones (a board full of rooks,
advisors out of the palace, elephants off their points, pawns behind their starting rank,
too many pieces of a kind), long lines, NUL bytes, bytes that are no UTF-8 and interrupts,
and after every few lines asks for a sign of life that must come within a second:
  console and cxboard  an unknown word, answered "Error (unknown command): WORD"
  xboard               "?" then "ping N", answered "pong N" (a second "?" a second
                       later moves a search that began after the first)
  UCI                  "isready", answered "readyok"
UCI sessions start with -uci or with "uci" typed at the console. Under UCI every "go" must
be answered by exactly one "bestmove": not before its search may end (an infinite or
pondering search waits for stop, ponderhit or a command that ends it), at once when
position, ucinewgame, "setoption name Clear Hash" or another go ends it (before the next
readyok; other settings wait for the next search and leave it running), within a
second or two of "stop", and none is owed after "quit" or the end of input.
A session ends by "quit", or by closing the input, often while a search runs; either way
the program must exit with status 0 within two seconds. Sizing the table past 64 MB or the
threads past 8, and clearing such a table, take seconds under the sanitizers: after them the
answer, and the exit, may take ten.
A session fails when a sign of life does not come, when the program dies or exits other
than by "quit" or the end of input, when a bestmove is missing, extra or early, or when its
standard error shows a sanitizer's report. Each session draws its lines from the seed and its
number alone: a finding is printed with its lines (as Python strings, bytes that are no UTF-8
as \\udcXX) and the command that replays that session alone.

Use the sanitized build (build-test/qorat, made by "make test"):
  tools/fuzz_session.py --minutes 30 --seed 1
  tools/fuzz_session.py --minutes 5 --seed 2 --modes uci,xboard
  tools/fuzz_session.py --seed 2 --modes uci,xboard --session 17     (replays one session)
A ThreadSanitizer build is slower: give it more time for every answer with --patience 5.
"""

import argparse
import itertools
import os
import random
import re
import select
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
START = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR"
MODES = ["console", "cxboard", "xboard", "uci"]
ANSWER_SECONDS = 1.0
# A stopped search, or a program whose input has ended, is given this long.
STOP_SECONDS = 2.0
EXIT_SECONDS = 2.0
# Start-up under the sanitizers, before the first answer.
HANDSHAKE_SECONDS = 10.0
# Sizing a table of a gigabyte, clearing it, or making 64 threads takes seconds under the
# sanitizers, and so does the leak check at exit that reads such a table.
HEAVY_SECONDS = 10.0
LINES_PER_PROBE = 6
LINES_PER_SESSION = 120

NUMBERS = ["0", "1", "-1", "2", "7", "30", "100", "1024", "2147483647", "2147483648", "-2147483649",
           "9223372036854775807", "9223372036854775808", "-999999999999999999999", "1e308", "-1e308",
           "1e400", "nan", "inf", "0.001", "0:30", "5:99999999999", "x", "", "00000000000000000001"]
# Words a random word must not be: each would switch the protocol or end the session.
RESERVED = {"uci", "xboard", "cxboard", "console", "quit", "exit"}


def word(rng):
    while True:
        text = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(rng.randint(1, 8)))
        if text not in RESERVED:
            return text


def move(rng):
    return "%s%d%s%d" % (rng.choice("abcdefghi"), rng.randint(0, 9), rng.choice("abcdefghi"), rng.randint(0, 9))


def high_bytes(rng):
    """Text that is no UTF-8, or UTF-8 beyond ASCII, as a str that encodes back to those bytes."""
    data = rng.choice([
        bytes(rng.randint(0x80, 0xff) for _ in range(rng.randint(1, 12))),
        b"\xc0\xaf",                      # an overlong "/"
        b"\xed\xa0\x80",                  # a UTF-16 surrogate
        b"\xf4\x90\x80\x80",              # beyond U+10FFFF
        b"\xe2\x82",                      # cut short
        b"\xff\xfe",
        "帅將车馬".encode(),
        bytes([rng.randint(0x80, 0xff)]) + word(rng).encode(),
    ])
    return data.decode("utf-8", "surrogateescape")


def with_high_bytes(rng, line):
    """The line with high bytes put in at a random place."""
    at = rng.randint(0, len(line))
    return line[:at] + high_bytes(rng) + line[at:]


# Squares are (rank, file): rank 0 is Red's back rank, rank 9 Blue's.
def _grid(placement):
    grid = []
    for row in placement.split("/"):
        cells = []
        for c in row:
            cells.extend([None] * int(c) if c.isdigit() else [c])
        grid.append(cells)
    return grid[::-1]


def _text(grid, knight_bishop):
    rows = []
    for rank in range(9, -1, -1):
        row, run = "", 0
        for piece in grid[rank]:
            if piece is None:
                run += 1
                continue
            if run:
                row, run = row + str(run), 0
            if knight_bishop:
                piece = piece.translate(str.maketrans("HEhe", "NBnb"))
            row += piece
        rows.append(row + (str(run) if run else ""))
    return "/".join(rows)


PALACE = [(r, f) for r in range(3) for f in (3, 4, 5)]
ADVISOR_POINTS = [(0, 3), (0, 5), (1, 4), (2, 3), (2, 5)]
ELEPHANT_POINTS = [(0, 2), (0, 6), (2, 0), (2, 4), (2, 8), (4, 2), (4, 6)]
ALL_SQUARES = [(r, f) for r in range(10) for f in range(9)]
BEHIND_PAWNS = [(r, f) for r in range(3) for f in range(9)]
ROOKS = "rrrrkrrrr/rrrrr4/9/9/9/9/9/9/RRRRR4/RRRRKRRRR"


def _own(squares, red):
    """The squares seen from the side: Blue's are Red's turned about the river."""
    return squares if red else [(9 - r, f) for r, f in squares]


def over_material(rng, knight_bishop=False):
    """A placement no game reaches: too much of a kind, or pieces where they can never stand."""
    kind = rng.choice(["rooks", "crowd", "advisor", "elephant", "pawn", "extra", "extra", "kings"])
    if kind == "rooks":
        heavy = rng.choice("rrrch")
        return ROOKS.replace("r", heavy).replace("R", heavy.upper()).translate(
            str.maketrans("hH", "nN" if knight_bishop else "hH"))
    if kind == "crowd":
        grid = [[None] * 9 for _ in range(10)]
        grid[rng.randint(0, 2)][rng.randint(3, 5)] = "K"
        grid[rng.randint(7, 9)][rng.randint(3, 5)] = "k"
        for r, f in rng.sample([s for s in ALL_SQUARES if grid[s[0]][s[1]] is None], rng.randint(20, 88)):
            grid[r][f] = rng.choice("RHECAPrhecap")
        return _text(grid, knight_bishop)
    grid = _grid(START)
    for _ in range(rng.choice([1, 1, 1, 2, 3])):
        red = rng.random() < 0.5
        letter = (lambda c: c.upper() if red else c)
        empty = [s for s in ALL_SQUARES if grid[s[0]][s[1]] is None]
        if kind in ("advisor", "elephant", "pawn"):
            # One of the side's own moved where it can never stand, or one more put there.
            piece = letter(kind[0])
            own = [s for s in ALL_SQUARES if grid[s[0]][s[1]] == piece]
            if own and rng.random() < 0.7:
                r, f = rng.choice(own)
                grid[r][f] = None
            if kind == "pawn":
                wrong = [s for s in empty if s in _own(BEHIND_PAWNS, red)]
            else:
                wrong = [s for s in empty if s not in _own(ADVISOR_POINTS if kind == "advisor" else ELEPHANT_POINTS, red)]
            r, f = rng.choice(wrong or empty)
            grid[r][f] = piece
        elif kind == "extra":
            piece = rng.choice("rhcaep")
            for r, f in rng.sample(empty, min(len(empty), rng.randint(1, 12))):
                grid[r][f] = letter(piece)
        else:
            choice = rng.choice(["second", "outside", "none"])
            king = [s for s in ALL_SQUARES if grid[s[0]][s[1]] == letter("k")]
            if choice == "none":
                for r, f in king:
                    grid[r][f] = None
            else:
                squares = [s for s in empty if s not in _own(PALACE, red)] if choice == "outside" else empty
                if choice == "outside":
                    for r, f in king:
                        grid[r][f] = None
                r, f = rng.choice(squares)
                grid[r][f] = letter("k")
    return _text(grid, knight_bishop)


def placement(rng, knight_bishop=False):
    """A random placement: often playable, sometimes over-material, sometimes not even well formed."""
    chance = rng.random()
    if chance < 0.25:
        return _text(_grid(START), knight_bishop) if knight_bishop else START
    if chance < 0.55:
        return over_material(rng, knight_bishop)
    rows = []
    for _ in range(rng.choice([10, 10, 10, 9, 11])):
        row, filled = "", 0
        while filled < 9:
            if rng.random() < 0.7:
                run = rng.randint(1, 9 - filled)
                row += str(run)
                filled += run
            else:
                row += rng.choice("rheakcpRHEAKCPNBnbx")
                filled += 1
        rows.append(row)
    return "/".join(rows)


def load_lines():
    """Move sequences from the start that the rules allow: the opening book's lines."""
    lines = []
    try:
        with open(os.path.join(ROOT, "tools", "book_lines.txt")) as f:
            for text in f:
                words = [w for w in text.split() if w != "|"]
                if not words or words[0].startswith("#"):
                    continue
                if re.fullmatch(r"\d+x", words[0]):
                    words = words[1:]
                lines.append(words)
    except OSError:
        pass
    return lines or [["h2e2", "h9g7", "h0g2", "i9h9", "i0h0", "b9c7", "c3c4"]]


def legal_line(rng, lines):
    return rng.choice(lines)[:rng.randint(1, 12)]


def uci_position(rng, lines):
    chance = rng.random()
    if chance < 0.45:
        moves = legal_line(rng, lines) if rng.random() < 0.8 else []
        text = "position startpos"
    elif chance < 0.9:
        fen = placement(rng, knight_bishop=rng.random() < 0.5)
        moves = legal_line(rng, lines) if fen.translate(str.maketrans("NBnb", "HEhe")) == START or rng.random() < 0.3 else []
        side = rng.choice(["w", "w", "b", "r", "x", ""])
        tail = rng.choice(["", " - - 0 1", " - - 0"])
        text = "position fen %s %s%s" % (fen, side, tail)
    else:
        return rng.choice(["position", "position fen", "position moves h2e2", "position startpos moves",
                           "position startpos h2e2", "position fen moves", "position  startpos   moves  h2e2 ",
                           "position startpos moves " + " ".join(move(rng) for _ in range(300))])
    # An illegal move at the end, or in the middle, or a cut-off one.
    if moves and rng.random() < 0.3:
        at = rng.randint(0, len(moves))
        moves = moves[:at] + [rng.choice([move(rng), move(rng).upper(), "h2e2", "a0a0", "z9z9", "h2", "0000"])] + moves[at:]
    if moves or rng.random() < 0.1:
        text += " moves " + " ".join(moves)
    return text


def uci_go(rng, lines):
    chance = rng.random()
    if chance < 0.1:
        return "go infinite" + (" searchmoves " + " ".join(legal_line(rng, lines)[:2]) if rng.random() < 0.3 else "")
    if chance < 0.2:
        return "go " + " ".join(rng.choice(["wtime", "btime", "winc", "binc", "movestogo", "depth", "nodes", "movetime",
                                            "infinite", "ponder", "searchmoves", move(rng), word(rng)] + NUMBERS)
                                for _ in range(rng.randint(0, 6)))
    # Most searches end by themselves within a fraction of a second.
    limits = []
    for _ in range(rng.choice([1, 1, 2, 3])):
        limits.append(rng.choice([
            "movetime %d" % rng.randint(1, 150),
            "depth %d" % rng.randint(1, 5),
            "nodes %d" % rng.randint(1, 20000),
            "wtime %d btime %d" % (rng.randint(1, 3000), rng.randint(1, 3000)),
            "wtime %d btime %d winc %d binc %d" % (rng.randint(1, 3000), rng.randint(1, 3000),
                                                   rng.randint(0, 100), rng.randint(0, 100)),
            "wtime %d btime %d movestogo %d" % (rng.randint(1, 3000), rng.randint(1, 3000), rng.randint(1, 40)),
        ]))
    if rng.random() < 0.15:
        limits.append("searchmoves " + " ".join(rng.choice([legal_line(rng, lines)[:3], [move(rng), move(rng)]])))
    rng.shuffle(limits)
    return ("go ponder " if chance < 0.3 else "go ") + " ".join(limits)


def uci_setoption(rng, book_paths):
    name = rng.choice(["Hash", "hash", "HASH", "Threads", "threads", "Ponder", "Move Overhead", "move overhead",
                       "OwnBook", "Book File", "Clear Hash", word(rng), "", "Hash Hash"])
    lower = name.lower()
    if lower == "hash":
        value = rng.choice(["1", "8", "16", "64", "1024", "1024", "1025", "4096", "0"] + NUMBERS)
    elif lower == "threads":
        value = str(rng.randint(1, 64)) if rng.random() < 0.7 else rng.choice(["0", "65", "1000"] + NUMBERS)
    elif lower in ("ponder", "ownbook"):
        value = rng.choice(["true", "false", "TRUE", "1", word(rng), ""])
    elif lower == "move overhead":
        value = str(rng.randint(0, 5000)) if rng.random() < 0.5 else rng.choice(NUMBERS)
    elif lower == "book file":
        value = rng.choice(book_paths + ["<empty>", word(rng), ""])
    else:
        value = rng.choice(NUMBERS + [word(rng)])
    return rng.choice([
        "setoption name %s value %s" % (name, value),
        "setoption name %s value %s" % (name, value),
        "setoption name %s" % name,
        "setoption value %s name %s" % (value, name),
        "setoption name %s value" % name,
        "setoption %s %s" % (name, value),
    ])


def uci_line(rng, book_paths, lines):
    n = lambda: rng.choice(NUMBERS)
    choices = [
        lambda: uci_position(rng, lines),
        lambda: uci_position(rng, lines),
        lambda: uci_go(rng, lines),
        lambda: uci_go(rng, lines),
        lambda: uci_go(rng, lines),
        lambda: uci_setoption(rng, book_paths),
        lambda: "stop",
        lambda: "stop",
        lambda: "ponderhit",
        lambda: rng.choice(["uci", "isready", "ucinewgame", "debug on", "register later", "xboard", "new"]),
        lambda: word(rng) + " " + n(),
        lambda: with_high_bytes(rng, rng.choice(["go movetime 50", "position startpos moves h2e2",
                                                 "setoption name Hash value 8", "isready", "stop"])),
        lambda: "position fen %s w moves %s" % (with_high_bytes(rng, START), move(rng)),
        lambda: high_bytes(rng),
        lambda: "x" * rng.choice([1000, 100000]),
        lambda: word(rng) + "\0" + word(rng),
        lambda: "\t go  \r",
        lambda: "",
    ]
    return rng.choice(choices)()


def random_line(rng, mode, book_paths, lines):
    if mode == "uci":
        return uci_line(rng, book_paths, lines)
    n = lambda: rng.choice(NUMBERS)
    common = [
        lambda: move(rng),
        lambda: move(rng).upper(),
        lambda: rng.choice(["h2e2", "b2e2", "h0g2", "h9g7", "b9c7", "c3c4", "g6g5"]),
        lambda: "sd " + n(),
        lambda: "st " + n(),
        lambda: rng.choice(["new", "undo", "remove", "?", "go", "force", "post", "nopost"]),
        lambda: "setboard %s %s" % (placement(rng), rng.choice(["r", "b", "w", "x", ""])),
        lambda: "set %s %s" % (rng.choice(["search", "hashSize", "bookFile", "searchPly", "nullmove",
                                            "quiescence", "iterative", "useOpeningBook", "computerColor",
                                            "hash", "st", word(rng)]),
                               rng.choice(NUMBERS + ["pvs", "mtd", "negascout", "alphabeta", "on", "off"]
                                          + book_paths)),
        lambda: word(rng) + " " + n(),
        lambda: "x" * rng.choice([1000, 100000, 1000000]),
        lambda: word(rng) + "\0" + word(rng),
        lambda: "\t " + word(rng) + " \r",
        lambda: "",
        lambda: high_bytes(rng),
        lambda: with_high_bytes(rng, rng.choice(["setboard %s r" % START, "h2e2", "sd 3", "set search pvs"])),
    ]
    if mode == "xboard":
        common += [
            lambda: "usermove " + move(rng),
            lambda: "usermove " + rng.choice(["h2e2", "h9g7", "b0c2", "b9c7"]),
            lambda: "time " + n(), lambda: "otim " + n(),
            lambda: "level %s %s %s" % (n(), n(), n()),
            lambda: "level 40 %s 0" % n(),
            lambda: "option Hash size (MB)=" + n(),
            lambda: "option Book file=" + rng.choice(book_paths + [word(rng), ""]),
            lambda: "option Search=" + rng.choice(["pvs", "mtd", "negascout", "alphabeta", word(rng)]),
            lambda: "option %s=%s" % (rng.choice(["Hash table", "Opening book", word(rng)]), n()),
            lambda: "setboard %s %s - - 0 1" % (placement(rng, rng.random() < 0.5), rng.choice(["w", "b"])),
            lambda: "setboard %s w - - 0 1" % over_material(rng, rng.random() < 0.5),
            lambda: rng.choice(["playother", "result 1-0 {x}", "variant xiangqi", "variant shogi",
                                "protover 2", "random", "draw", "hint", "bk"]),
            lambda: rng.choice(["hard", "easy"]),
            lambda: rng.choice(["analyze", "analyze", "analyze " + n(), "exit", "exit " + n(), ".", ". " + n()]),
            lambda: "%s %s" % (rng.choice(["exclude", "include"]),
                               rng.choice(["all", "all", "h2e2", "h9g7", "b0c2", "c3c4", "g6g5", move(rng),
                                           word(rng), "", high_bytes(rng)])),
            lambda: "memory " + rng.choice(["1", "8", "64", "1024", "4096"] + NUMBERS),
            lambda: "cores " + rng.choice([str(rng.randint(1, 64)), "65", "1000"] + NUMBERS),
            lambda: "usermove " + high_bytes(rng),
        ]
    else:
        common += [lambda: rng.choice(["red", "blue", "black", "time", "t", "vomit", "level 40 5 0"]),
                   lambda: "setboard %s %s" % (over_material(rng), rng.choice(["r", "b"]))]
    return rng.choice(common)()


def split_words(line):
    """The program's lines in one of ours, each as the words the program reads from it."""
    for part in line.encode("utf-8", "surrogateescape").split(b"\n"):
        if part.endswith(b"\r"):
            part = part[:-1]
        yield part, part.split()


# The commands that end a running search and hand on its move before the next line is read;
# of the settings only the one that empties the table, the others holding from the next search.
SYNCHRONOUS_ENDS = {b"position", b"ucinewgame", b"go"}


def option_name(words):
    """The name of a setoption line as the program reads it: from "name" to "value" when that
    follows, else to the end."""
    if b"name" not in words:
        return b""
    name_at = words.index(b"name")
    value_at = words.index(b"value") if b"value" in words else len(words)
    return b" ".join(words[name_at + 1:value_at if value_at > name_at else len(words)]).lower()


def ends_search(words):
    command = words[0] if words else b""
    return command in SYNCHRONOUS_ENDS or (command == b"setoption" and option_name(words) == b"clear hash")
# Each takes the number after it; "infinite" or "ponder" there is no keyword.
GO_NUMBERS = {b"wtime", b"btime", b"winc", b"binc", b"movestogo", b"depth", b"nodes", b"movetime"}
BESTMOVE = re.compile(rb"bestmove (\(none\)|[a-i][0-9][a-i][0-9]( ponder [a-i][0-9][a-i][0-9])?)")


class UciLedger:
    """What the UCI mode owes: one bestmove for each go, in order, and one readyok for each
    isready. Told every line before it is sent and every line received, it keeps the first
    fault it sees in `fault`."""

    def __init__(self, active):
        # Launched with -uci; at the console, from the line "uci" on.
        self.active = active
        # For each go: whether its search still waits for a stop, and whether it was infinite.
        self.waits = []
        self.infinite = []
        self.answered = 0
        self.readies = 0
        self.readyoks = 0
        # For each isready: the gos whose bestmove must come before its readyok.
        self.due_before_ready = []
        self.synchronous_due = 0
        # The gos a stop has ended: their bestmoves must follow soon.
        self.stop_due = 0
        self.previous = b""
        self.fault = None

    def gos(self):
        return len(self.waits)

    def sent(self, line):
        for part, words in split_words(line):
            if not self.active:
                self.active = part == b"uci"
                continue
            command = words[0] if words else b""
            if command == b"stop" or ends_search(words):
                self.waits = [False] * len(self.waits)
                if command == b"stop":
                    self.stop_due = len(self.waits)
                else:
                    self.synchronous_due = len(self.waits)
            if command == b"ponderhit" and self.waits:
                # A pondering search becomes a timed one, unless it was also infinite.
                self.waits[-1] = self.waits[-1] and self.infinite[-1]
            if command == b"go":
                infinite = ponder = False
                i = 1
                while i < len(words):
                    if words[i] == b"infinite":
                        infinite = True
                    elif words[i] == b"ponder":
                        ponder = True
                    elif words[i] in GO_NUMBERS:
                        i += 1
                    i += 1
                self.waits.append(infinite or ponder)
                self.infinite.append(infinite)
            elif command == b"isready":
                self.readies += 1
                self.due_before_ready.append(self.synchronous_due)

    def received(self, line):
        if line.endswith(b"\r"):
            line = line[:-1]
        words = line.split()
        if self.fault is None and words[:1] == [b"bestmove"]:
            k = self.answered
            self.answered += 1
            if k >= self.gos():
                self.fault = "bestmove number %d, after only %d go" % (k + 1, self.gos())
            elif self.waits[k] and self.previous != b"info string No position to search":
                self.fault = "bestmove for go %d before stop or any other command ended its search" % (k + 1)
            elif not BESTMOVE.fullmatch(line):
                self.fault = "malformed %r" % line
        elif self.fault is None and line == b"readyok":
            r = self.readyoks
            self.readyoks += 1
            if r >= self.readies:
                self.fault = "readyok number %d, after only %d isready" % (r + 1, self.readies)
            elif self.answered < self.due_before_ready[r]:
                self.fault = ("readyok %d before the bestmove of go %d, whose search a command before "
                              "that isready ended" % (r + 1, self.answered + 1))
        self.previous = line


# The programs running, killed whatever ends the fuzzer.
LIVE = set()


class Session:
    def __init__(self, binary, mode, directory, launch_flag=True, ledger=None):
        args = [binary] + (["-" + mode] if mode != "console" and launch_flag else [])
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=directory)
        LIVE.add(self)
        # Writes never block: a program that stops reading is a finding, not a hang.
        os.set_blocking(self.proc.stdin.fileno(), False)
        self.out = b""
        self.err = b""
        self.sent = []
        self.ledger = ledger
        self.parsed = 0
        # Whether the session has asked for a big table or many threads, and whether a line
        # since the last sign of life has sized or cleared them since.
        self.big = False
        self.heavy = False

    def send(self, line):
        self.sent.append(line)
        demand = demands(line)
        self.big = self.big or demand == 2
        self.heavy = self.heavy or (demand > 0 and self.big)
        if self.ledger:
            self.ledger.sent(line)
        data = (line + "\n").encode("utf-8", "surrogateescape")
        deadline = time.monotonic() + self.send_seconds()
        view = memoryview(data)
        while view:
            if time.monotonic() > deadline:
                return False
            _, writable, _ = select.select([], [self.proc.stdin], [], 0.05)
            self.pump(0)
            if writable:
                try:
                    view = view[os.write(self.proc.stdin.fileno(), view[:65536]):]
                except BlockingIOError:
                    continue
                except BrokenPipeError:
                    return False
        return True

    def send_seconds(self):
        return HEAVY_SECONDS if self.big else ANSWER_SECONDS * 5

    def pump(self, wait):
        streams = [s for s in (self.proc.stdout, self.proc.stderr) if s and not s.closed]
        if not streams:
            return
        readable, _, _ = select.select(streams, [], [], wait)
        for s in readable:
            chunk = os.read(s.fileno(), 65536)
            if s is self.proc.stdout:
                self.out += chunk
            else:
                self.err += chunk
        if self.ledger:
            end = self.out.rfind(b"\n") + 1
            if end > self.parsed:
                for line in self.out[self.parsed:end - 1].split(b"\n"):
                    self.ledger.received(line)
                self.parsed = end

    def wait_until(self, done, seconds):
        """Reads until done() holds, the program has exited, or the seconds are out."""
        deadline = time.monotonic() + seconds
        while not done():
            left = deadline - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                self.pump(0.05)
                return done()
            self.pump(min(left, 0.05))
        return True

    def wait_for(self, text, seconds):
        needle = text.encode()
        return self.wait_until(lambda: needle in self.out, seconds)

    def close_input(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass

    def drain(self):
        for _ in range(100):
            before = len(self.out) + len(self.err)
            self.pump(0.01)
            if len(self.out) + len(self.err) == before:
                break

    def exit_status(self, seconds):
        """The status once the program has exited, within the seconds; None if it has not."""
        try:
            self.proc.wait(timeout=seconds)
        except subprocess.TimeoutExpired:
            return None
        finally:
            self.drain()
        return self.proc.returncode

    def idle(self, seconds):
        deadline = time.monotonic() + seconds
        while (left := deadline - time.monotonic()) > 0 and self.proc.poll() is None:
            self.pump(min(left, 0.05))

    def kill(self):
        LIVE.discard(self)
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.drain()
        for stream in (self.proc.stdin, self.proc.stdout, self.proc.stderr):
            try:
                stream.close()
            except OSError:
                pass


def demands(line):
    """2 when the line sizes the table past 64 MB or the threads past 8, 1 when it sizes or
    clears them otherwise, 0 when it does neither."""
    words = line.lower().split()
    if not words:
        return 0
    if words[0] in ("ucinewgame", "new") or (words[0] == "setoption" and "clear" in words):
        return 1
    if (words[0] == "memory" or words[:2] == ["set", "hashsize"] or (words[0] == "setoption" and "hash" in words)
            or line.lower().startswith("option hash size")):
        most = 64
    elif words[0] == "cores" or words[:2] == ["set", "threads"] or (words[0] == "setoption" and "threads" in words):
        most = 8
    else:
        return 0
    return 2 if any(int(n) > most for n in re.findall(r"\d+", line)) else 1


def sanitizer_report(err):
    return b"runtime error" in err or b"Sanitizer" in err or b"invariants broken" in err


def refused(session):
    """Why a line could not be sent."""
    # A pipe closed by a program that is ending: its status comes a moment later.
    status = session.exit_status(0.5)
    if status is not None:
        return "exited with status %d" % status
    return "input not taken within %.0f s" % session.send_seconds()


def search_lines(rng, mode):
    """Lines that leave a long search running, to end the input under it."""
    if mode == "uci":
        return rng.choice([["go infinite"], ["go ponder"], ["go depth 100"], ["go movetime 100000"],
                           ["position fen %s w" % over_material(rng), "go movetime 100000"],
                           ["position fen %s w" % ROOKS, "go movetime 100"]])
    if mode == "xboard":
        return rng.choice([["analyze"], ["new", "analyze"], ["st 100", "go"], ["new", "sd 100", "level 0 60 0", "go"],
                           ["setboard %s w - - 0 1" % over_material(rng), "analyze"]])
    return rng.choice([["sd 100", "st 60", "go"], ["new", "sd 100", "st 60", "go"],
                       ["setboard %s r" % over_material(rng), "sd 100", "st 60", "go"]])


def finish(session, rng, mode):
    """Ends the session: a quit after the searches have settled, a quit at once, or the input
    closed, often while a search runs. Returns a finding or None."""
    ledger = session.ledger
    ending = rng.choice(["settle", "settle", "quit", "close", "close mid-search", "close mid-search"])
    if ending == "settle" and ledger:
        session.send("stop")
        if not session.wait_until(lambda: ledger.fault or ledger.answered >= ledger.gos(), STOP_SECONDS):
            return "go %d of %d not answered within %.0f s of stop" % (ledger.answered + 1, ledger.gos(),
                                                                     STOP_SECONDS)
    if ending == "close mid-search":
        for line in search_lines(rng, mode):
            if not session.send(line):
                return refused(session)
        session.idle(rng.uniform(0, 0.3))
    if ending.startswith("close"):
        session.sent.append("<end of input>")
        session.close_input()
        what = "the end of input"
    else:
        if not session.send("quit"):
            return refused(session)
        what = "quit"
    allowed = HEAVY_SECONDS if session.big else EXIT_SECONDS
    status = session.exit_status(allowed)
    if ledger and ledger.fault:
        return ledger.fault
    if sanitizer_report(session.err):
        return "sanitizer report"
    if status is None:
        return "still running %.0f s after %s" % (allowed, what)
    if status != 0:
        return "%s ended with status %d" % (what, status)
    return None


def probe(session, rng, mode, probes):
    """Asks for a sign of life; returns a finding or None."""
    ledger = session.ledger
    allowed = HEAVY_SECONDS if session.heavy else ANSWER_SECONDS
    session.heavy = False
    if mode == "uci":
        session.send("isready")
        answered = session.wait_until(lambda: ledger.fault or ledger.readyoks >= ledger.readies, allowed)
        answer = "readyok"
    elif mode == "xboard":
        session.send("?")
        session.send("ping %d" % probes)
        answer = "pong %d\n" % probes
        # A ping waits for the computer's move. "?" moves at once only a search that has
        # begun, and one may begin just after it: a second "?" a second later finds it under way.
        answered = session.wait_for(answer, allowed)
        if not answered and session.proc.poll() is None:
            session.send("?")
            answered = session.wait_for(answer, allowed)
    else:
        token = "probe%d" % probes
        session.send(token)
        answer = "Error (unknown command): %s\n" % token
        answered = session.wait_for(answer, allowed)
    if ledger and ledger.fault:
        return ledger.fault
    if not answered:
        if session.proc.poll() is not None:
            return "exited with status %d" % session.proc.returncode
        return "no answer to %r within %.0f s" % (answer.strip(), allowed)
    if ledger and ledger.answered < ledger.stop_due:
        # Only a stop's bestmove may still be on its way, not long.
        due = ledger.stop_due
        if not session.wait_until(lambda: ledger.fault or ledger.answered >= due, STOP_SECONDS):
            return "go %d not answered within %.0f s of stop" % (ledger.answered + 1, STOP_SECONDS)
    if sanitizer_report(session.err):
        return "sanitizer report"
    return None


def run_session(binary, mode, rng, directory, book_paths, lines):
    """One session; returns a finding (text) or None, and the session."""
    ledger = None
    launch_flag = True
    if mode == "uci":
        # At times the console, told "uci" after a few of its own lines.
        launch_flag = rng.random() < 0.7
        ledger = UciLedger(active=launch_flag)
    session = Session(binary, mode, directory, launch_flag, ledger)
    if mode == "xboard":
        session.send("protover 2")
        if not session.wait_for("feature done=1", HANDSHAKE_SECONDS):
            return "no handshake", session
    if mode == "uci":
        if not launch_flag:
            for _ in range(rng.randint(0, 3)):
                session.send(random_line(rng, "console", book_paths, lines))
        if not launch_flag or rng.random() < 0.9:
            session.send("uci")
            if not session.wait_for("uciok\n", HANDSHAKE_SECONDS):
                return "no uciok", session
    probes = 0
    for i in range(LINES_PER_SESSION):
        line = random_line(rng, mode, book_paths, lines)
        if not session.send(line):
            return refused(session), session
        # Only once the program has answered: before its first instruction no program can
        # ignore the signal.
        if probes > 0 and rng.random() < 0.02 and mode != "console":
            session.proc.send_signal(signal.SIGINT)
            session.sent.append("<SIGINT>")
        if (i + 1) % LINES_PER_PROBE:
            continue
        probes += 1
        finding = probe(session, rng, mode, probes)
        if finding:
            return finding, session
    return finish(session, rng, mode), session


def excerpt(text):
    """A sanitizer's report says what went wrong at its start, and the last lines what came after."""
    return text if len(text) <= 3000 else text[:2500] + "\n[...]\n" + text[-500:]


def main():
    global ANSWER_SECONDS, STOP_SECONDS, EXIT_SECONDS, HANDSHAKE_SECONDS, HEAVY_SECONDS
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--binary", default=os.path.join(ROOT, "build-test", "qorat"))
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--modes", default=",".join(MODES),
                        help="the modes to fuzz, in turn, comma separated (default: %(default)s)")
    parser.add_argument("--session", type=int, help="replay this session alone, showing its lines and output")
    parser.add_argument("--patience", type=float, default=1,
                        help="multiplies every time allowed, for slower builds (e.g. 5 under ThreadSanitizer)")
    args = parser.parse_args()
    # The program runs in a folder of its own.
    args.binary = os.path.abspath(args.binary)
    modes = args.modes.split(",")
    if not modes or any(m not in MODES for m in modes):
        sys.exit("fuzz_session: --modes takes some of %s" % ",".join(MODES))
    if not os.access(args.binary, os.X_OK):
        sys.exit("fuzz_session: %s missing; run make test first" % args.binary)
    ANSWER_SECONDS *= args.patience
    STOP_SECONDS *= args.patience
    EXIT_SECONDS *= args.patience
    HANDSHAKE_SECONDS *= args.patience
    HEAVY_SECONDS *= args.patience
    # Ended from outside, the fuzzer still kills the programs it started.
    for number in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(number, lambda received, frame: sys.exit(128 + received))
    lines = load_lines()
    end = time.monotonic() + args.minutes * 60
    sessions = sent = 0
    findings = []
    with tempfile.TemporaryDirectory(prefix="qorat-fuzz-") as directory:
        book = os.path.join(directory, "good.dat")
        with open(book, "w") as f:
            f.write(START + " b:h9g7\n")
        fifo = os.path.join(directory, "pipe")
        os.mkfifo(fifo)
        book_paths = [book, fifo, "/dev/zero", directory, "/nonexistent"]
        try:
            for number in [args.session] if args.session else itertools.count(1):
                if args.session is None and time.monotonic() >= end:
                    break
                mode = modes[(number - 1) % len(modes)]
                # Each session's lines follow from the seed and its number alone, so that one can be replayed.
                rng = random.Random("%d:%d" % (args.seed, number))
                finding, session = run_session(args.binary, mode, rng, directory, book_paths, lines)
                session.kill()
                sessions += 1
                sent += len(session.sent)
                if finding:
                    findings.append(finding)
                    print("FINDING in session %d (%s): %s" % (number, mode, finding))
                    print("  replay: %s --binary %s --seed %d --modes %s --session %d"
                          % (sys.argv[0], args.binary, args.seed, args.modes, number))
                if finding or args.session:
                    print("  lines:", [l[:120] for l in session.sent])
                    if args.session:
                        print("  output:", session.out.decode("utf-8", "replace")[-20000:])
                    print("  stderr:", excerpt(session.err.decode("utf-8", "replace")), flush=True)
        finally:
            # Nothing we started outlives us, whatever ended the run.
            for session in list(LIVE):
                session.kill()
    print("seed %d: %d sessions, %d lines, %d findings" % (args.seed, sessions, sent, len(findings)))
    sys.exit(1 if findings else 0)


if __name__ == "__main__":
    main()
