"""The referee: fairy-stockfish over UCI, asked about legality, check, position
keys and its own end of a game; and where to find it."""

import os
import queue
import shutil
import subprocess
import threading
import time

from .errors import MatchError
from .notation import from_uci, to_uci
from .rulings import no_attacking_material


def find_binary(name):
    path = shutil.which(name)
    if path:
        return path
    alt = os.path.join("/usr/games", name)
    return alt if os.access(alt, os.X_OK) else None


def parse_rule_end(lines, move):
    """Referee.rule_end's reading of the search lines of MOVE (UCI text)."""
    score = pv = None
    for line in lines:
        words = line.split()
        if words[:1] != ["info"] or "score" not in words or "pv" not in words:
            continue
        i = words.index("score")
        if words[i + 1] in ("cp", "mate") and len(words) > i + 2:
            score = (words[i + 1], int(words[i + 2]))
            pv = words[words.index("pv") + 1:]
    if score is None or pv != [move]:
        return None
    kind, value = score
    if kind == "mate":
        return 1 if value > 0 else -1
    return 0 if value == 0 else None


class Referee:
    def __init__(self, path, timeout=30.0):
        self.timeout = timeout
        self.proc = subprocess.Popen(
            [path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.q = queue.Queue()
        threading.Thread(target=self._reader, daemon=True).start()
        self._send("uci")
        self._until(lambda l: l == "uciok")
        self._send("setoption name UCI_Variant value xiangqi")
        self._send("isready")
        self._until(lambda l: l == "readyok")

    def _reader(self):
        for line in self.proc.stdout:
            self.q.put(line.rstrip("\r\n"))
        self.proc.stdout.close()
        self.q.put(None)

    def _send(self, s):
        try:
            self.proc.stdin.write(s + "\n")
            self.proc.stdin.flush()
        except OSError as e:
            raise MatchError("referee died: %s" % e)

    def _until(self, pred):
        lines = []
        end = time.monotonic() + self.timeout
        while True:
            left = end - time.monotonic()
            if left <= 0:
                raise MatchError("referee timed out")
            try:
                line = self.q.get(timeout=left)
            except queue.Empty:
                raise MatchError("referee timed out")
            if line is None:
                raise MatchError("referee exited")
            lines.append(line)
            if pred(line):
                return lines

    def probe(self, fen, moves):
        """Returns (legal moves, in check, position key) after MOVES."""
        pos = "position startpos" if fen is None else "position fen " + fen
        if moves:
            pos += " moves " + " ".join(to_uci(m) for m in moves)
        self._send(pos)
        self._send("d")
        self._send("go perft 1")
        lines = self._until(lambda l: l.startswith("Nodes searched"))
        legal, check, key = set(), False, None
        for line in lines:
            if line.startswith("Fen:"):
                f = line[4:].split()
                key = f[0] + " " + f[1]
            elif line.startswith("Checkers:"):
                check = bool(line[9:].strip())
            elif ":" in line:
                mv = from_uci(line.split(":", 1)[0].strip())
                if mv:
                    legal.add(mv)
        if key is None:
            raise MatchError("referee gave no position for: " + pos)
        return legal, check, key

    @staticmethod
    def dead_draw(key):
        """Whether the position (its key) can never be won by either side."""
        return no_attacking_material(key)

    def rule_end(self, fen, moves):
        """Whether the referee's rules end the game in the position reached by
        the last of MOVES: None if the game goes on, else the result from the
        view of the side that made that move: +1 it wins, -1 it loses
        (e.g. perpetual check or chase), 0 a draw (e.g. a repetition without
        such a verdict, or the move-count rule). A two-ply search of just that
        move shows it: the referee scores a position its rules end without
        searching below it, so its principal variation is that move alone,
        while any other position gets a reply (all windows are open at such a
        depth)."""
        if not moves:
            return None
        pos = "position startpos" if fen is None else "position fen " + fen
        if len(moves) > 1:
            pos += " moves " + " ".join(to_uci(m) for m in moves[:-1])
        last = to_uci(moves[-1])
        self._send(pos)
        self._send("go depth 2 searchmoves " + last)
        return parse_rule_end(self._until(lambda l: l.startswith("bestmove")), last)

    def rule_verdict(self, fen, moves):
        """The referee's view of a repetition reached by the last move:
        +1 the mover wins, -1 the mover loses (perpetual check or chase),
        0 no decisive verdict."""
        return self.rule_end(fen, moves) or 0

    def fresh(self):
        """Clears what the referee keeps from earlier questions (its hash table, lines left
        over from a question cut short), so that a referee kept between games answers each
        as a new one would; says whether it still answers."""
        try:
            self._send("ucinewgame")
            self._send("isready")
            self._until(lambda l: l == "readyok")
            return True
        except MatchError:
            return False

    def close(self):
        try:
            self._send("quit")
            self.proc.wait(timeout=2)
        except (MatchError, subprocess.TimeoutExpired):
            self.proc.kill()
            self.proc.wait()
        try:
            self.proc.stdin.close()
        except OSError:
            pass
