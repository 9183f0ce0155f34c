#!/usr/bin/env python3
"""Opening lines for tools/match.py, walked at random through the opening book.

Each line starts from the start position and follows book.dat: in every
position the book knows, one of its moves is chosen at random as the book
weighs them (a move listed twice, twice as often), for at most --plies plies
or until the book has no move; then --random-plies plies (default 2), each
chosen uniformly among the legal moves, make the lines varied. fairy-stockfish
(the match runner's referee, in UCI mode) checks every move and judges the
result: a line is kept only when its last position is new (as a position:
placement and side to move), leaves a legal move, and, unless --max-score is
0, when fairy-stockfish's search to --depth scores it within --max-score
centipawns for either side, so that few games are decided by the opening.
The same seed, book and fairy-stockfish give the same lines.

The output has the format of bench/openings.txt (moves in xboard notation,
ranks 0-9, a comment naming each line). bench/selfplay.sh makes its lines with

  python3 tools/make_openings.py --seed 1 --count 1000 --out build/selfplay-openings-1.txt

and a match plays them with

  tools/match.py --openings build/selfplay-openings-1.txt ...
"""

import argparse
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from matchlib.errors import MatchError  # noqa: E402
from matchlib.notation import to_uci  # noqa: E402
from matchlib.referee import Referee, find_binary  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def read_book(path):
    """book.dat as {position FEN text: its moves, repeated by weight}."""
    book = {}
    with open(path, encoding="utf-8") as f:
        for raw in f:
            fen, colon, moves = raw.strip().partition(":")
            if colon and moves.split():
                book[fen.strip()] = moves.split()
    return book


def book_fen(key):
    """The referee's position key ("rnbakabnr/... w") as the book writes it
    ("rheakaehr/... r"): horse and elephant letters, r or b for the side."""
    board, side = key.split()[:2]
    return "%s %s" % (board.translate(str.maketrans("nNbB", "hHeE")), "r" if side == "w" else "b")


class Judge(Referee):
    """The referee, which can also score a position by a search."""

    def score(self, moves, depth):
        """fairy-stockfish's score of the position after MOVES from the start,
        in centipawns for the side to move (a mate counts as 100000), from a
        search to DEPTH with a fresh hash table, so that it depends on the
        position alone."""
        self._send("ucinewgame")
        self._send("position startpos" + (" moves " + " ".join(to_uci(m) for m in moves)
                                          if moves else ""))
        self._send("go depth %d" % depth)
        value = None
        for line in self._until(lambda l: l.startswith("bestmove")):
            words = line.split()
            if words[:1] == ["info"] and "score" in words and "pv" in words:
                i = words.index("score")
                kind, number = words[i + 1], int(words[i + 2])
                value = number if kind == "cp" else (100000 if number > 0 else -100000)
        if value is None:
            raise MatchError("no score for: " + " ".join(moves))
        return value


def opening_line(ref, book, rng, plies, random_plies, warned=None):
    """One line: (moves, plies from the book, position key), or None when it
    ends the game. Book moves the position does not allow are skipped (and
    named once on standard error)."""
    moves = []
    while len(moves) < plies:
        legal, _, key = ref.probe(None, moves)
        choices = []
        for mv in book.get(book_fen(key), ()):
            if mv in legal:
                choices.append(mv)
            elif warned is not None and (key, mv) not in warned:
                warned.add((key, mv))
                print("warning: book move %s is illegal in %s" % (mv, book_fen(key)),
                      file=sys.stderr)
        if not choices:
            break
        moves.append(rng.choice(choices))
    from_book = len(moves)
    for _ in range(random_plies):
        legal, _, _ = ref.probe(None, moves)
        if not legal:
            return None
        moves.append(rng.choice(sorted(legal)))
    legal, _, key = ref.probe(None, moves)
    if not legal:
        return None
    return moves, from_book, key


def make_lines(ref, book, seed, count, plies, random_plies, max_score=0, depth=10,
               tries=None, tally=None):
    """COUNT lines, distinct as positions, as (moves, plies from the book);
    MatchError when TRIES walks (default 50 per line, at least 1000) find
    fewer. TALLY, a dict, gets the number of walks and of those left out:
    "ended" (no legal move), "seen" (a position already had), "score"."""
    rng = random.Random(seed)
    tries = tries or max(1000, 50 * count)
    seen, lines, warned = set(), [], set()
    tally = {} if tally is None else tally
    for what in ("walks", "ended", "seen", "score"):
        tally[what] = 0
    while len(lines) < count and tally["walks"] < tries:
        tally["walks"] += 1
        line = opening_line(ref, book, rng, plies, random_plies, warned)
        if line is None:
            tally["ended"] += 1
        elif line[2] in seen:
            tally["seen"] += 1
        else:
            seen.add(line[2])
            if max_score and abs(ref.score(line[0], depth)) > max_score:
                tally["score"] += 1
            else:
                lines.append(line[:2])
    if len(lines) < count:
        raise MatchError("only %d lines of %d found in %d walks"
                         % (len(lines), count, tries))
    return lines


def write_lines(out, lines, command):
    out.write("# Opening lines for tools/match.py, made by\n#   %s\n"
              "# Every line is played twice, once with each engine as red.\n\n" % command)
    for no, (moves, from_book) in enumerate(lines, 1):
        out.write("%s  # %d: %d book, %d random\n"
                  % (" ".join(moves), no, from_book, len(moves) - from_book))


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                epilog=__doc__.split("\n", 2)[2],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    p.add_argument("--count", type=int, default=500, help="number of lines (default 500)")
    p.add_argument("--plies", type=int, default=10,
                   help="book plies at most in a line (default 10)")
    p.add_argument("--random-plies", type=int, default=2,
                   help="uniformly random legal plies after the book's (default 2)")
    p.add_argument("--max-score", type=int, default=200,
                   help="keep lines scored within this many centipawns for either side "
                        "(default 200; 0 keeps every line)")
    p.add_argument("--depth", type=int, default=10,
                   help="depth of fairy-stockfish's search for --max-score (default 10)")
    p.add_argument("--book", default=os.path.join(ROOT, "book.dat"),
                   help="opening book (default book.dat at the repository root)")
    p.add_argument("--referee", help="fairy-stockfish binary (default: PATH or /usr/games)")
    p.add_argument("--out", metavar="FILE", help="write to FILE (default: standard output)")
    o = p.parse_args(argv)
    if o.count < 1 or o.plies < 0 or o.random_plies < 0 or o.max_score < 0 or o.depth < 1:
        p.error("--count and --depth must be positive, the others not negative")

    ref_path = o.referee or find_binary("fairy-stockfish")
    if not ref_path:
        print("error: fairy-stockfish not found (bench/install_peers.sh installs it)",
              file=sys.stderr)
        return 2
    command = "tools/make_openings.py --seed %d --count %d --plies %d --random-plies %d " \
              "--max-score %d --depth %d" % (o.seed, o.count, o.plies, o.random_plies,
                                             o.max_score, o.depth)
    try:
        book = read_book(o.book)
        ref = Judge(ref_path)
        try:
            tally = {}
            lines = make_lines(ref, book, o.seed, o.count, o.plies, o.random_plies,
                               o.max_score, o.depth, tally=tally)
        finally:
            ref.close()
    except (OSError, MatchError) as e:
        print("error: %s" % e, file=sys.stderr)
        return 1
    print("%d lines from %d walks; left out: %d ending the game, %d positions already had, "
          "%d scored beyond %d" % (len(lines), tally["walks"], tally["ended"], tally["seen"],
                                   tally["score"], o.max_score), file=sys.stderr)
    if not o.out:
        write_lines(sys.stdout, lines, command)
        return 0
    tmp = "%s.tmp%d" % (o.out, os.getpid())
    with open(tmp, "w", encoding="utf-8") as f:
        write_lines(f, lines, command)
    os.replace(tmp, o.out)      # whole or not at all
    return 0


if __name__ == "__main__":
    sys.exit(main())
