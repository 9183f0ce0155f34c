#!/usr/bin/env python3
"""Score every opening book move with fairy-stockfish and flag the weak ones.

For each book position the peer searches to a fixed depth twice: once freely
(the best score) and once restricted to each book move ("go ... searchmoves").
loss = best - move, in centipawns from the mover's view. Moves losing more
than --threshold are listed with the tools/book_lines.txt lines that play
them. Shallow scores are noisy, so a move over the threshold at --depth is
searched again at --confirm-depth, and that deeper loss decides. Scores
are cached so reruns are fast; a position and its mirror image share their
entries. A cache key names everything a score depends on: the scoring
engine (its "id name" and a digest of its binary), its threads and hash
size, the variant, how a search is run, and the fen, move and depth; so a
different engine or setting never reuses a stale score.

A move kept on purpose is marked in book_lines.txt by a comment
  # keep: MOVES -- reason
where MOVES run from the start position and end with the kept move; it is
listed as kept and not flagged.

Exit status: 0 when nothing is flagged, 1 when something is, 2 on errors.

Usage examples:
  bench/check_book.py                       # whole book, depth 12
  bench/check_book.py --depth 10 --max-positions 50
  bench/check_book.py --positions-from-lines 50,51,141-150
"""

import argparse
import hashlib
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import make_book  # noqa: E402  (shares the line reader and move replay)

MATE = 30000
VARIANT = "xiangqi"
# How a score is searched (see Engine.search); change it when that changes.
SEARCH_METHOD = "ucinewgame+go-depth"


# --- notation ----------------------------------------------------------------

# Ours: H horse, E elephant, side r/b, ranks 0-9.
# Peer: N horse, B elephant, side w/b, ranks 1-10.
TO_PEER = {"H": "N", "E": "B", "h": "n", "e": "b"}


def peer_fen(fen):
    rows, side = fen.split(" ")
    rows = "".join(TO_PEER.get(c, c) for c in rows)
    return "%s %s - - 0 1" % (rows, "w" if side == "r" else "b")


def peer_move(move):
    return "%s%d%s%d" % (move[0], int(move[1]) + 1, move[2], int(move[3]) + 1)


def our_move(move):
    """Peer move text (ranks 1-10) back to ours."""
    i = 1
    while move[i].isdigit():
        i += 1
    return "%s%d%s%d" % (move[0], int(move[1:i]) - 1,
                         move[i], int(move[i + 1:]) - 1)


def mirror_fen(fen):
    rows, side = fen.split(" ")
    return "/".join(row[::-1] for row in rows.split("/")) + " " + side


def mirror_move(move):
    flip = {f: g for f, g in zip("abcdefghi", "ihgfedcba")}
    return flip[move[0]] + move[1] + flip[move[2]] + move[3]


# --- the peer engine ---------------------------------------------------------

def find_engine(path):
    if path:
        return path
    for cand in (shutil.which("fairy-stockfish"), "/usr/games/fairy-stockfish"):
        if cand and os.access(cand, os.X_OK):
            return cand
    if shutil.which("apt-get") and os.geteuid() == 0:
        print("installing fairy-stockfish with apt-get...", file=sys.stderr)
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.call(["apt-get", "update", "-qq"], env=env,
                        stdout=subprocess.DEVNULL)
        subprocess.call(["apt-get", "install", "-y", "-qq", "fairy-stockfish"],
                        env=env, stdout=subprocess.DEVNULL)
        if os.access("/usr/games/fairy-stockfish", os.X_OK):
            return "/usr/games/fairy-stockfish"
    sys.exit("error: fairy-stockfish not found (apt-get install fairy-stockfish)")


class Engine:
    def __init__(self, path, threads, hash_mb):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True,
                                     bufsize=1)
        self.send("uci")
        self.wait_for("uciok")
        self.send("setoption name UCI_Variant value " + VARIANT)
        self.send("setoption name Threads value %d" % threads)
        self.send("setoption name Hash value %d" % hash_mb)
        self.send("isready")
        self.wait_for("readyok")

    def send(self, text):
        self.proc.stdin.write(text + "\n")
        self.proc.stdin.flush()

    def wait_for(self, word):
        for line in self.proc.stdout:
            if line.split()[:1] == [word]:
                return line
        raise RuntimeError("engine closed while waiting for " + word)

    def search(self, fen, depth, move=None):
        """(score in cp from the mover's view, best move in our notation)."""
        # A fresh hash for every search, so a score does not depend on the
        # searches before it.
        self.send("ucinewgame")
        self.send("position fen " + peer_fen(fen))
        cmd = "go depth %d" % depth
        if move:
            cmd += " searchmoves " + peer_move(move)
        self.send(cmd)
        score = None
        for line in self.proc.stdout:
            words = line.split()
            if not words:
                continue
            if words[0] == "bestmove":
                best = words[1] if len(words) > 1 else "(none)"
                if best == "(none)" or score is None:
                    return None, None
                return score, our_move(best)
            if words[0] != "info" or "score" not in words:
                continue
            if "lowerbound" in words or "upperbound" in words:
                continue
            i = words.index("score")
            kind, val = words[i + 1], int(words[i + 2])
            if kind == "cp":
                score = val
            else:  # mate in val moves; negative when the mover is mated
                score = MATE - abs(val) if val > 0 else -MATE + abs(val)
        raise RuntimeError("engine closed during search")

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()


def engine_identity(path):
    """The engine's "id name" and a digest of its binary: which build scores."""
    try:
        out = subprocess.run([path], input="uci\nquit\n", capture_output=True,
                             text=True, timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired) as err:
        sys.exit("error: cannot ask %s for its name: %s" % (path, err))
    name = next((line[len("id name "):].strip() for line in out.splitlines()
                 if line.startswith("id name ")), "unnamed")
    digest = hashlib.sha256()
    with open(os.path.realpath(shutil.which(path) or path), "rb") as fh:
        for block in iter(lambda: fh.read(1 << 20), b""):
            digest.update(block)
    return "%s sha256:%s" % (name, digest.hexdigest()[:16])


def cache_prefix(identity, threads, hash_mb):
    """The part of every cache key that names the scorer and its settings."""
    return "scorer=%s|threads=%d|hash=%d|variant=%s|search=%s|" % (
        identity, threads, hash_mb, VARIANT, SEARCH_METHOD)


class Scorer:
    """Cached peer scores; starts the peer for a search only when one is needed."""

    def __init__(self, cache_path, engine=None, threads=1, hash_mb=64):
        self.path = cache_path
        self.engine_path = find_engine(engine)
        self.threads, self.hash_mb = threads, hash_mb
        self.prefix = cache_prefix(engine_identity(self.engine_path),
                                   threads, hash_mb)
        self.engine, self.searched = None, 0
        self.cache = {}
        if os.path.exists(cache_path):
            with open(cache_path) as fh:
                # Keys without a scorer (an older cache) can never match: drop them.
                self.cache = {k: v for k, v in json.load(fh).items()
                              if k.startswith("scorer=")}

    def save(self):
        os.makedirs(os.path.dirname(os.path.abspath(self.path)), exist_ok=True)
        tmp = self.path + ".tmp"
        with open(tmp, "w") as fh:
            json.dump(self.cache, fh, sort_keys=True, indent=0)
        os.replace(tmp, self.path)

    def lookup(self, fen, move, depth):
        """[score, best move] at depth; move=None for a free search.

        A position and its left-right mirror image share one entry."""
        key = "%s%s|%s|%d" % (self.prefix, fen, move or "", depth)
        if key not in self.cache:
            mfen = mirror_fen(fen)
            if mfen < fen:
                score, best = self.lookup(mfen, move and mirror_move(move),
                                          depth)
                return [score, best and mirror_move(best)]
            if self.engine is None:
                self.engine = Engine(self.engine_path, self.threads,
                                     self.hash_mb)
            self.cache[key] = list(self.engine.search(fen, depth, move))
            self.searched += 1
            if self.searched % 50 == 0:
                self.save()
        return self.cache[key]

    def loss(self, fen, move, depth, confirm=0, threshold=0):
        """(loss or None if the peer rejects the move, best move, depth).

        A loss above threshold at depth is searched again at the deeper
        confirm depth (if set), which decides: shallow scores are noisy."""
        for d in (depth, confirm):
            best_score, best = self.lookup(fen, None, d)
            if best_score is None:
                return None, None, d
            if move == best:
                return 0, best, d
            score, got = self.lookup(fen, move, d)
            if score is None or got != move:
                return None, best, d
            loss = max(0, best_score - score)
            if loss <= threshold or not confirm or confirm <= depth:
                return loss, best, d
        return loss, best, confirm

    def close(self):
        if self.engine:
            self.engine.close()
            self.engine = None
        self.save()


# --- the book ----------------------------------------------------------------

def replay_lines(path):
    """{fen: {move: [line numbers]}} and each position's ply from the lines."""
    src, plies = {}, {}
    for num, _weight, moves in make_book.read_lines(path):
        for ply, (fen, move, recorded) in enumerate(
                make_book.replay(num, moves)):
            if not recorded:
                continue
            lines = src.setdefault(fen, {}).setdefault(move, [])
            if num not in lines:
                lines.append(num)
            plies[fen] = min(plies.get(fen, ply), ply)
    return src, plies


def read_keeps(path):
    """{(fen, move): (line number, reason)} from '# keep: MOVES -- reason'."""
    keeps = {}
    with open(path, encoding="utf-8") as fh:
        for num, text in enumerate(fh, 1):
            text = text.strip()
            if not text.startswith("# keep:"):
                continue
            moves, _, reason = text[len("# keep:"):].partition("--")
            moves = moves.split()
            if not moves:
                raise make_book.LineError("line %d: keep without moves" % num)
            board, side = make_book.parse_fen(make_book.START_FEN)
            for move in moves[:-1]:
                side = make_book.play(board, side, move)
            fen = make_book.to_fen(board, side)
            keeps[(fen, moves[-1])] = (num, reason.strip())
    return keeps


def read_book(path):
    book = {}
    with open(path, encoding="ascii") as fh:
        for text in fh:
            text = text.strip()
            if not text:
                continue
            fen, _, moves = text.partition(":")
            book[fen] = sorted(set(moves.split()))
    return book


def parse_ranges(text):
    wanted = set()
    for part in text.split(","):
        part = part.strip()
        if "-" in part:
            a, b = part.split("-")
            wanted.update(range(int(a), int(b) + 1))
        elif part:
            wanted.add(int(part))
    return wanted


# --- main ----------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--book", default=os.path.join(ROOT, "book.dat"),
                    help="book file (default book.dat); 'none' = lines only")
    ap.add_argument("--lines", default=os.path.join(ROOT, "tools",
                                                    "book_lines.txt"))
    ap.add_argument("--depth", type=int, default=12)
    ap.add_argument("--confirm-depth", type=int, default=16,
                    help="re-search moves flagged at --depth at this depth, "
                         "which decides (default 16; 0 = off)")
    ap.add_argument("--threshold", type=int, default=50,
                    help="flag moves losing more than this many cp (50)")
    ap.add_argument("--cache", default=os.path.join(ROOT, "build",
                                                    "book_check_cache.json"))
    ap.add_argument("--engine", help="path to fairy-stockfish")
    ap.add_argument("--threads", type=int, default=1)
    ap.add_argument("--hash", type=int, default=64, help="MB (64)")
    ap.add_argument("--max-positions", type=int,
                    help="check only the first N positions (shallowest first)")
    ap.add_argument("--positions-from-lines",
                    help="only positions played by these book_lines.txt "
                         "lines, e.g. 50,51,141-150")
    ap.add_argument("--quiet", action="store_true",
                    help="no progress output")
    args = ap.parse_args()

    try:
        src, plies = replay_lines(args.lines)
        keeps = read_keeps(args.lines)
    except make_book.LineError as err:
        sys.exit("%s: %s" % (args.lines, err))
    if args.book != "none" and os.path.exists(args.book):
        book = read_book(args.book)
        stale = sum(1 for fen in src if fen not in book)
        if stale:
            print("warning: %d positions of %s are missing from %s; "
                  "rerun tools/make_book.py" % (stale, args.lines, args.book),
                  file=sys.stderr)
    else:
        book = {fen: sorted(moves) for fen, moves in src.items()}

    fens = sorted(book, key=lambda f: (plies.get(f, 99), f))
    if args.positions_from_lines:
        wanted = parse_ranges(args.positions_from_lines)
        fens = [f for f in fens
                if any(set(ls) & wanted for ls in src.get(f, {}).values())]
    if args.max_positions is not None:
        fens = fens[:args.max_positions]

    scorer = Scorer(args.cache, args.engine, args.threads, args.hash)
    started = time.time()
    results = []  # (loss, fen, move, best move, lines, depth)
    try:
        for n, fen in enumerate(fens, 1):
            for move in book[fen]:
                lines = src.get(fen, {}).get(move, [])
                loss, best, depth = scorer.loss(fen, move, args.depth,
                                                args.confirm_depth,
                                                args.threshold)
                results.append((loss, fen, move, best, lines, depth))
            if not args.quiet and n % 25 == 0:
                print("  %d/%d positions, %d searches, %.0fs"
                      % (n, len(fens), scorer.searched,
                         time.time() - started), file=sys.stderr)
    finally:
        scorer.close()

    def where(lines):
        return ("line " + ",".join(map(str, lines))) if lines \
            else "not in " + os.path.basename(args.lines)

    kept = [r for r in results if (r[1], r[2]) in keeps
            and r[0] is not None and r[0] > args.threshold]
    for loss, fen, move, best, lines, _depth in kept:
        num, reason = keeps[(fen, move)]
        print("kept: %s  %s  loss %d (best %s)  %s; kept at line %d: %s"
              % (fen, move, loss, best, where(lines), num, reason))
    flagged = [r for r in results if r[0] is None or
               (r[0] > args.threshold and (r[1], r[2]) not in keeps)]
    flagged.sort(key=lambda r: (-(r[0] if r[0] is not None else 10**6),
                                r[4][:1], r[1]))
    for loss, fen, move, best, lines, depth in flagged:
        print("%s  %s  loss %s (best %s, depth %d)  %s"
              % (fen, move, "illegal?" if loss is None else "%d" % loss,
                 best, depth, where(lines)))

    losses = [r[0] for r in results if r[0] is not None]
    confirmed = sum(1 for r in results if r[5] != args.depth)
    print("summary: depth %d (%d move(s) re-searched at depth %d), "
          "%d positions, %d moves checked, median loss %s cp"
          % (args.depth, confirmed, args.confirm_depth, len(fens),
             len(results),
             "%.0f" % statistics.median(losses) if losses else "-"))
    if losses:
        worst = max((r for r in results if r[0] is not None),
                    key=lambda r: r[0])
        print("worst: %s  %s  loss %d (best %s)  %s"
              % (worst[1], worst[2], worst[0], worst[3], where(worst[4])))
    print("flagged: %d move(s) more than %d cp below the best%s"
          % (len(flagged), args.threshold,
             ", %d more kept on purpose" % len(kept) if kept else ""))
    return 1 if flagged else 0


if __name__ == "__main__":
    sys.exit(main())
