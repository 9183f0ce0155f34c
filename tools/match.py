#!/usr/bin/env python3
"""Engine-vs-engine Xiangqi matches over the xboard/CECP protocol (version 2),
or UCI for an engine started with --protoN uci.

Plays engine 1 against engine 2 from a file of opening lines, each line twice
with colours swapped. A separate fairy-stockfish process in UCI mode acts as
referee: it checks every move for legality and finds mate and stalemate (both
a loss for the side to move in xiangqi). When a position occurs the third time
(--repetitions) the referee's own xiangqi verdict decides (perpetual check or
chase loses); without one, a side that checked on every move of the cycle
loses and other repetitions are drawn. Games end drawn at --max-plies, and at
once when neither side has a rook, cannon, horse or pawn left.
Time forfeits, crashes, illegal moves, false claims and silence all lose.

Claims. An engine may end the game with a result line ("1-0", "0-1" or
"1/2-1/2", with a comment) at any time, on its turn or not; one whose comment
says it resigns is a resignation. A claim refers to the position the engine
knew when it sent it: the game as far as it had been told or had played
itself. It is judged by the rules the runner applies, and the claim holds
when they end the game there with the very result claimed:
  - mate or stalemate: the side to move has no legal move (a loss for it);
  - repetition: the position has occurred three times (the referee's rule),
    or --repetitions times if that is fewer, ruled as above (the referee's
    perpetual check or chase verdict, else a side that checked throughout
    loses, else a draw);
  - the referee's own end of the game in that position, which it scores as
    decided without searching it (fairy-stockfish 11.1: its move-count rule,
    100 plies without a capture, and its verdicts on a third occurrence; a
    referee that also judged, say, insufficient material would be followed
    the same way);
  - the ply cap (--max-plies).
A claim that holds ends the game with that result at that position (moves
after it are dropped); any other claim, including one whose result differs
from the ruling (a draw claimed where the rules see perpetual check), is
false and loses for the claimer. The runner ends games by itself only by
mate, stalemate, --repetitions and --max-plies: a draw by the move-count
rule needs a claim, as in over-the-board play.

Moves are written in xboard's xiangqi notation: files a-i, ranks 0-9 with rank
0 the red back rank, e.g. h2e2. Some engines count ranks 1-10; --ranksN says
which an engine uses, and "auto" lets its first move of the match decide once
(a rank 10, a rank 0, or the only legal reading; else 0-9): the numbering is
then kept for the whole match, and a move that contradicts it is illegal.
Opening files hold one line per opening, moves separated by spaces, '#'
starts a comment.

Statistics. The games of each opening line form a pair, played one after the
other with colours swapped. Besides W-D-L and its Elo (every game taken as
independent), the summary counts the complete pairs by engine 1's points,
LL-LD-DD+WL-WD-WW for 0, 0.5, 1, 1.5, 2 (the pentanomial), and gives the Elo
from them: each pair is one sample scoring half its points, and the 95%
margin comes from the variance of those pair scores, so that what an opening
gives one colour is not taken for noise. A pair whose other game has no
result (an interrupted match) is left out of these figures only. --sprt runs
the GSPRT (normal approximation, logistic Elo) on the pair scores once a pair
is complete.

Examples:
  tools/match.py --engine1 "build/qorat -xboard" \\
      --engine2 /usr/games/fairy-stockfish --st 1 --games 24
  tools/match.py --engine1 /usr/games/fairy-stockfish \\
      --engine2 "/usr/games/hoixiangqi -x on" --tc 0:20+0.2 --concurrency 2

Peers (Debian packages, see bench/install_peers.sh; binaries in /usr/games):
  fairy-stockfish   start as is; it switches to xboard mode on the "xboard"
                    line and supports "variant xiangqi". Sends usermove=1.
                    Moves use ranks 0-9 in xboard mode (1-10 in UCI mode).
                    Claims a result only when it has no legal move.
                    Reads "st" as whole seconds: "st 0.2" makes it move at
                    once, so use --st with whole seconds or --tc.
  hoixiangqi        (package hoichess) start with "-x on" (it also detects
                    a pipe by itself). Plays only xiangqi, no usermove (plain
                    moves), sends done=0 first and done=1 after loading.
                    Exits on a fractional "st"; prints a harmless "Failed to
                    open opening book" line. Ranks 0-9.
  sjaakii           start with "-xboard" (plain "sjaakii" also works after the
                    "xboard" line). Needs "variant xiangqi" (sent every game).
                    Answers "variant" with setup/piece lines (ignored here).
                    Ranks 0-9. Claims repetitions (its option "Claim
                    repetitions"), mates and draws by its own rules.
Fractional --st values are sent as is, which few engines understand.
"""

import argparse
import math
import os
import queue
import re
import shlex
import shutil
import signal
import subprocess
import sys
import threading
import time

START_FEN_REF = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"

MOVE_RE = re.compile(r"^([a-i])([0-9])([a-i])([0-9])$")
UCI_MOVE_RE = re.compile(r"^([a-i])(10|[1-9])([a-i])(10|[1-9])$")
ANY_MOVE_RE = re.compile(r"^([a-i])(10|[0-9])([a-i])(10|[0-9])")
FEATURE_RE = re.compile(r'(\w+)=("([^"]*)"|\S+)')
RESULT_RE = re.compile(r"^(1-0|0-1|1/2-1/2|\*)(\s+\{(.*)\})?")

# Features the runner understands; others are answered "rejected".
KNOWN_FEATURES = {
    "ping", "setboard", "playother", "san", "usermove", "time", "draw",
    "sigint", "sigterm", "reuse", "analyze", "myname", "myversion",
    "variants", "colors", "ics", "name", "pause", "nps", "debug", "memory",
    "smp", "egt", "option", "done", "exclude", "setscore", "highlight",
}

RED, BLACK = 0, 1
SIDE_NAME = ("red", "black")


class MatchError(Exception):
    pass


def find_binary(name):
    path = shutil.which(name)
    if path:
        return path
    alt = os.path.join("/usr/games", name)
    return alt if os.access(alt, os.X_OK) else None


def to_uci(move):
    """h2e2 (ranks 0-9) -> h3e3 (ranks 1-10), as fairy-stockfish's UCI wants."""
    m = MOVE_RE.match(move)
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) + 1, m.group(3), int(m.group(4)) + 1)


def from_uci(move):
    m = UCI_MOVE_RE.match(move)
    if not m:
        return None
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) - 1, m.group(3), int(m.group(4)) - 1)


def ref_fen(fen):
    """A user FEN in WXF letters (h, e, side r/b) -> the referee's letters."""
    parts = fen.split()
    board = parts[0].translate(str.maketrans("hHeE", "nNbB"))
    side = parts[1] if len(parts) > 1 else "w"
    side = "w" if side in ("w", "r") else "b"
    return "%s %s - - 0 1" % (board, side)


# --------------------------------------------------------------------------
# Referee: fairy-stockfish over UCI.

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


# --------------------------------------------------------------------------
# Rank numbering.

def decide_ranks(text, legal):
    """The rank numbering ("0" or "1") shown by an engine's move TEXT, given
    the LEGAL moves (ranks 0-9). A rank 10 or a rank 0 settles it; otherwise
    the only reading that is legal; otherwise (both or neither legal) the
    protocol's ranks 0-9."""
    m = ANY_MOVE_RE.match(text)
    if not m:
        return None
    r1, r2 = int(m.group(2)), int(m.group(4))
    if 10 in (r1, r2):
        return "1"
    if 0 in (r1, r2):
        return "0"
    zero = "%s%d%s%d" % (m.group(1), r1, m.group(3), r2)
    one = "%s%d%s%d" % (m.group(1), r1 - 1, m.group(3), r2 - 1)
    if zero not in legal and one in legal:
        return "1"
    return "0"


def read_move(text, ranks):
    """Engine move text -> internal move (ranks 0-9) when written with RANKS
    ("0" or "1"); text that is no move comes back unchanged. A rank outside
    the numbering gives a move no position allows."""
    m = ANY_MOVE_RE.match(text)
    if not m:
        return text
    shift = 1 if ranks == "1" else 0
    return "%s%d%s%d" % (m.group(1), int(m.group(2)) - shift,
                         m.group(3), int(m.group(4)) - shift)


class RankNotation:
    """How one engine of the match numbers ranks: "0" (0-9, as the protocol
    says), "1" (1-10), or "auto" until its first move decides, once, for the
    whole match (shared by every copy of that engine, restarts included)."""

    def __init__(self, mode):
        self.mode = mode
        self.lock = threading.Lock()

    def settle(self, text, legal, name):
        with self.lock:
            if self.mode == "auto":
                decided = decide_ranks(text, legal)
                if decided is None:
                    return "auto"
                self.mode = decided
                print("note: %s writes ranks %s; reading it so for the whole match"
                      % (name, "1-10" if decided == "1" else "0-9"), file=sys.stderr)
            return self.mode


# --------------------------------------------------------------------------
# Engines.

class Engine:
    """One xboard engine process."""

    def __init__(self, idx, cmd, opts, name=None, ranks=None):
        self.idx = idx              # 1 or 2
        self.cmd = cmd
        self.opts = opts
        self.fixed_name = name
        self.name = name or os.path.basename(shlex.split(cmd)[0])
        # Shared by all copies of this engine in a match (see Match).
        self.ranks = ranks or RankNotation(getattr(opts, "ranks%d" % idx))
        self.inits = getattr(opts, "init%d" % idx) or []
        self.proc = None
        self.q = None
        self.features = {}
        self.log = None
        self.ping_no = 0
        self.playing = False
        self.synced = 0
        self.dead = False

    # -- process ----------------------------------------------------------
    def start(self):
        ignore = self.opts.engine_sigint == "ignore"

        def pre():
            if ignore:
                signal.signal(signal.SIGINT, signal.SIG_IGN)

        try:
            self.proc = subprocess.Popen(
                shlex.split(self.cmd), stdin=subprocess.PIPE,
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                text=True, bufsize=1, errors="replace", preexec_fn=pre)
        except OSError as e:
            self.dead = True
            raise MatchError("cannot start %r: %s" % (self.cmd, e))
        self.dead = False
        self.q = queue.Queue()
        threading.Thread(target=self._reader, args=(self.proc, self.q),
                         daemon=True).start()
        self.features = {}
        self.playing = False
        self._handshake()

    @staticmethod
    def _reader(proc, q):
        for line in proc.stdout:
            q.put((time.monotonic(), line.rstrip("\r\n")))
        proc.stdout.close()
        q.put((time.monotonic(), None))

    def alive(self):
        return self.proc is not None and not self.dead and self.proc.poll() is None

    def logline(self, s):
        if self.log:
            self.log.write("%.3f %s\n" % (time.monotonic(), s))

    def send(self, s):
        self.logline("%d> %s" % (self.idx, s))
        try:
            self.proc.stdin.write(s + "\n")
            self.proc.stdin.flush()
        except (OSError, ValueError):
            self.dead = True

    def get(self, deadline):
        """Next (time, line) or None on timeout; line None means EOF."""
        left = deadline - time.monotonic()
        try:
            t, line = self.q.get(timeout=max(0.0, left)) if left > 0 else self.q.get_nowait()
        except queue.Empty:
            return None
        if line is None:
            self.dead = True
            self.q.put((t, None))  # keep EOF visible to later reads
            self.logline("%d< <EOF>" % self.idx)
        else:
            self.logline("%d< %s" % (self.idx, line))
        return t, line

    def _handshake(self):
        self.send("xboard")
        self.send("protover 2")
        # Protocol 1 engines send no features: wait briefly, as xboard does.
        deadline = time.monotonic() + self.opts.feature_timeout
        got_any = False
        while True:
            r = self.get(deadline)
            if r is None:
                if got_any and self.features.get("done") == "0":
                    raise MatchError("%s: no feature done=1" % self.name)
                break
            _, line = r
            if line is None:
                raise MatchError("%s exited during start-up" % self.name)
            if line.startswith("feature "):
                got_any = True
                self._features(line)
                if self.features.get("done") == "0":
                    deadline = max(deadline, time.monotonic() + self.opts.done0_timeout)
                if self.features.get("done") == "1":
                    break
        if self.features.get("myname") and not self.fixed_name:
            self.name = self.features["myname"]
        v = self.features.get("variants")
        if v is not None and "xiangqi" not in v.split(","):
            raise MatchError("%s does not list variant xiangqi" % self.name)
        for c in self.inits:
            self.send(c)
        self.sync()

    def _features(self, line):
        for m in FEATURE_RE.finditer(line[len("feature "):]):
            key = m.group(1)
            val = m.group(3) if m.group(3) is not None else m.group(2)
            ok = key in KNOWN_FEATURES and not (key == "san" and val == "1")
            if key != "option":
                self.features[key] = val
            if key == "san" and val == "1":
                self.features[key] = "0"
            self.send(("accepted " if ok else "rejected ") + key)

    def feature(self, key, default="0"):
        return self.features.get(key, default)

    def sync(self, timeout=None):
        """ping/pong; returns the lines seen before the pong (or None)."""
        if self.feature("ping") != "1":
            time.sleep(0.05)
            return self.drain()
        self.ping_no += 1
        n = self.ping_no
        self.send("ping %d" % n)
        deadline = time.monotonic() + (timeout or self.opts.hard_timeout)
        lines = []
        while True:
            r = self.get(deadline)
            if r is None or r[1] is None:
                return None
            line = r[1]
            if line.strip() == "pong %d" % n:
                return lines
            if line.startswith("feature "):
                self._features(line)
            lines.append(line)

    def drain(self):
        lines = []
        while True:
            r = self.get(0)
            if r is None or r[1] is None:
                return lines
            lines.append(r[1])

    # -- moves ------------------------------------------------------------
    def out_move(self, move):
        """Internal 0-based move -> this engine's notation (0-9 until decided)."""
        if self.ranks.mode == "1":
            return to_uci(move)
        return move

    def send_move(self, move):
        mv = self.out_move(move)
        self.send(("usermove " if self.feature("usermove") == "1" else "") + mv)

    def parse_move(self, text, legal):
        """Engine move text -> internal move (or the raw text if no move).
        With --ranks auto the first move decides the numbering for the match;
        a later move that contradicts it reads as an illegal move."""
        mode = self.ranks.mode
        if mode == "auto":
            mode = self.ranks.settle(text, legal, self.name)
        return read_move(text, mode if mode != "auto" else "0")

    # -- shutdown ---------------------------------------------------------
    def stop(self):
        if self.proc is None:
            return
        p = self.proc
        self.proc = None
        if p.poll() is None:
            try:
                p.stdin.write("quit\n")
                p.stdin.flush()
            except (OSError, ValueError):
                pass
            try:
                p.wait(timeout=self.opts.quit_timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        try:
            p.stdin.close()
        except OSError:
            pass        # the engine left unread input behind
        self.dead = True


class UciEngine(Engine):
    """One UCI engine process behind the xboard words the games speak: it keeps
    the position and the clocks the xboard commands give, sends "position" and
    "go" when the engine is to move, and reads "bestmove" as "move" and
    "readyok" as the "pong" of the ping it answers."""

    def __init__(self, idx, cmd, opts, name=None, ranks=None):
        super().__init__(idx, cmd, opts, name, ranks)
        self._reset()

    def _reset(self):
        self.fen = None
        self.moves = []
        self.thinking = False
        self.base = self.inc = 0
        self.movetime = None
        self.clock = {"time": 0, "otim": 0}
        self.pongs = []

    def raw(self, s):
        super().send(s)

    def _handshake(self):
        self.raw("uci")
        deadline = time.monotonic() + self.opts.feature_timeout
        while True:
            r = self.get(deadline)
            if r is None:
                raise MatchError("%s: no uciok" % self.name)
            _, line = r
            if line is None:
                raise MatchError("%s exited during start-up" % self.name)
            if line.startswith("id name ") and not self.fixed_name:
                self.name = line[len("id name "):].strip()
            if line.strip() == "uciok":
                break
        self.features = {"ping": "1", "setboard": "1", "usermove": "1", "time": "1", "reuse": "1"}
        for c in self.inits:
            self.raw(c)
        self.sync()

    def send(self, s):
        words = s.split()
        cmd = words[0] if words else ""
        if cmd == "new":
            self._reset()
            self.raw("ucinewgame")
        elif cmd == "level" and len(words) >= 4:
            m, _, sec = words[2].partition(":")
            self.base = int((float(m) * 60 + (float(sec) if sec else 0)) * 1000)
            self.inc = int(float(words[3]) * 1000)
            self.movetime = None
        elif cmd == "st":
            self.movetime = int(float(words[1]) * 1000)
        elif cmd == "setboard":
            self.fen = s[len("setboard "):]
        elif cmd in ("time", "otim"):
            self.clock[cmd] = int(words[1]) * 10
        elif cmd == "usermove":
            self.moves.append(words[1])
            if self.playing:
                self._go()
        elif cmd == "go":
            self._go()
        elif cmd == "ping":
            self.pongs.append(words[1])
            self.raw("isready")
        elif cmd == "force":
            # A search still running ends; its move, no longer awaited, is not read as one.
            if self.thinking:
                self.raw("stop")
                self.thinking = False
        elif cmd in ("variant", "post", "accepted", "rejected"):
            pass
        else:
            self.raw(s)

    def _red_to_move(self):
        black_first = self.fen is not None and self.fen.split()[1:2] == ["b"]
        return (len(self.moves) % 2 == 0) != black_first

    def _go(self):
        pos = "position startpos" if self.fen is None else "position fen " + self.fen
        if self.moves:
            pos += " moves " + " ".join(self.moves)
        self.raw(pos)
        if self.movetime is not None:
            self.raw("go movetime %d" % self.movetime)
        else:
            own, other = max(1, self.clock["time"]), max(1, self.clock["otim"])
            red, black = (own, other) if self._red_to_move() else (other, own)
            self.raw("go wtime %d btime %d winc %d binc %d" % (red, black, self.inc, self.inc))
        self.thinking = True

    def get(self, deadline):
        r = super().get(deadline)
        if r is None or r[1] is None:
            return r
        t, line = r
        words = line.split()
        if words[:1] == ["bestmove"] and len(words) > 1 and self.thinking:
            self.thinking = False
            self.moves.append(words[1])
            return t, "move " + words[1]
        if words[:1] == ["readyok"] and self.pongs:
            return t, "pong " + self.pongs.pop(0)
        return t, line


# --------------------------------------------------------------------------
# Rulings: functions of the game's record alone; the referee is asked only
# through what they are given.

# A repetition claim holds once a position has occurred this often (the
# referee's rule), or --repetitions times if that is fewer.
CLAIM_REPETITIONS = 3


class GameOver(Exception):
    def __init__(self, result, reason, loser=None, kind=None):
        super().__init__(reason)
        self.result = result    # "1-0", "0-1", "1/2-1/2", "*"
        self.reason = reason
        self.loser = loser      # Engine that lost by fault, if any
        self.kind = kind        # "time", "crash", "illegal", "protocol"


def loss(side, reason, engine=None, kind=None):
    return GameOver("0-1" if side == RED else "1-0", reason, engine, kind)


def win(side, reason):
    return GameOver("1-0" if side == RED else "0-1", reason)


def no_attacking_material(key):
    """Whether neither side has a piece that can give mate (rook, cannon, horse
    or pawn) in the referee's position text: kings, advisors and elephants
    alone can never end the game, so it is drawn at once."""
    placement = key.split()[0].lower()
    return not any(letter in placement for letter in "rcnp")


def repetition_ruling(history, last_mover, repetitions, verdict):
    """The ruling once the current position has occurred REPETITIONS times,
    else None. HISTORY holds (position key, side to move in check) for every
    position watched so far, the current one last; LAST_MOVER made the last
    move. VERDICT() is the referee's verdict on that move (+1 the mover wins,
    -1 it loses, 0 none) and decides when it is decisive. Otherwise a side
    all of whose moves since the first of those occurrences gave check loses
    (perpetual check), unless both sides did; anything else is a draw."""
    key = history[-1][0]
    idx = [i for i, (k, _) in enumerate(history) if k == key]
    if len(idx) < repetitions:
        return None
    first = idx[-repetitions]
    last = len(history) - 1
    checks = {RED: [], BLACK: []}
    for i in range(first + 1, len(history)):
        mover = last_mover if (last - i) % 2 == 0 else 1 - last_mover
        checks[mover].append(history[i][1])
    red_pc = bool(checks[RED]) and all(checks[RED])
    black_pc = bool(checks[BLACK]) and all(checks[BLACK])
    v = verdict()
    if v:
        winner = last_mover if v > 0 else 1 - last_mover
        loser = 1 - winner
        what = "perpetual check" if (red_pc, black_pc)[loser] else "forbidden repetition (chase)"
        return win(winner, "%s %s (referee)" % (SIDE_NAME[loser], what))
    if red_pc and not black_pc:
        return GameOver("0-1", "red perpetual check")
    if black_pc and not red_pc:
        return GameOver("1-0", "black perpetual check")
    return GameOver("1/2-1/2", "repetition")


def rule_end_ruling(value, last_mover):
    """Referee.rule_end's answer as a ruling (None: the game goes on)."""
    if value is None:
        return None
    if value == 0:
        return GameOver("1/2-1/2", "draw by rule (referee)")
    winner = last_mover if value > 0 else 1 - last_mover
    return win(winner, "%s wins by rule (referee)" % SIDE_NAME[winner])


def judge_claim(claimed, ruling, claimer, line, engine=None):
    """The end of a game in which side CLAIMER claimed the result CLAIMED
    ("1-0", "0-1" or "1/2-1/2") in LINE, given the RULING the rules give for
    the position the claim refers to (None when they let the game go on): that
    ruling if its result is the one claimed, else a loss for a false claim."""
    if ruling is not None and ruling.result == claimed:
        return GameOver(ruling.result, "%s, claimed by %s" % (ruling.reason, SIDE_NAME[claimer]))
    return loss(claimer, "false claim: " + line, engine, "protocol")


# --------------------------------------------------------------------------
# One game.

# How often the runner looks at the engine not to move while the other thinks.
WATCH_INTERVAL = 0.05


class Game:
    def __init__(self, opts, ref, red, black, opening, number, stop_event):
        self.opts = opts
        self.ref = ref
        self.eng = (red, black)
        self.opening = opening
        self.number = number
        self.stop_event = stop_event
        self.moves = []
        self.history = []       # (key, in check) from the position after the opening
        self.start_fen = ref_fen(opts.fen) if opts.fen else None
        self.first_side = BLACK if self.start_fen and self.start_fen.split()[1] == "b" else RED

    def side_to_move(self):
        return (self.first_side + len(self.moves)) % 2

    def mover(self, n):
        """The side that made the Nth move of the game (N >= 1)."""
        return (self.first_side + n - 1) % 2

    def play(self):
        try:
            self._play()
        except GameOver as g:
            return g
        return GameOver("*", "unfinished")

    def _setup(self, side):
        e = self.eng[side]
        o = self.opts
        if not e.alive() or e.feature("reuse", "1") == "0":
            e.stop()
            try:
                e.start()
            except MatchError as err:
                raise loss(side, "start failed: %s" % err, e, "crash")
        e.send("new")
        e.send("variant xiangqi")
        if o.st is not None:
            e.send("st %s" % fmt_num(o.st))
        else:
            e.send("level 0 %s %s" % (fmt_base(o.tc_base), fmt_num(o.tc_inc)))
        if o.post:
            e.send("post")
        e.send("force")
        e.playing = False
        if o.fen:
            if e.feature("setboard") != "1":
                raise loss(side, "no setboard for --fen", e, "protocol")
            e.send("setboard " + o.fen)
        for mv in self.opening:
            e.send_move(mv)
        e.synced = len(self.opening)
        lines = e.sync()
        if lines is None:
            raise loss(side, "no pong after setup" if e.alive() else "crashed in setup",
                       e, "timeout" if e.alive() else "crash")
        sent = set(e.out_move(m) for m in self.opening)
        for line in lines:
            words = line.replace(":", " ").split()
            if line.startswith("Illegal move") or (
                    line.startswith("Error") and sent.intersection(words)):
                raise loss(side, "rejected setup: " + line, e, "protocol")

    def _play(self):
        o = self.opts
        for side in (RED, BLACK):
            self._setup(side)
        self.moves = list(self.opening)
        legal, check, key = self.ref.probe(self.start_fen, self.moves)
        self.history = [(key, check)]
        clock = [o.tc_base * 1000.0 if o.tc_base is not None else 0.0] * 2
        if not legal:
            raise loss(self.side_to_move(), "no legal move after the opening")
        while True:
            if self.stop_event.is_set():
                raise GameOver("*", "aborted")
            if len(self.moves) >= o.max_plies:
                raise GameOver("1/2-1/2", "ply cap %d" % o.max_plies)
            side = self.side_to_move()
            e = self.eng[side]
            # What either engine said since it last moved: a claim, a resignation.
            self._watch(1 - side)
            self._watch(side)
            known = e.synced
            pending = self.moves[e.synced:]
            timed = o.st is None and e.feature("time", "1") == "1"
            t0 = time.monotonic()   # before writing: fast replies must not look stale
            if e.playing:
                if timed:
                    e.send("time %d" % max(0, clock[side] // 10))
                    e.send("otim %d" % max(0, clock[1 - side] // 10))
                for mv in pending:
                    e.send_move(mv)
                if not pending:
                    e.send("go")
            else:
                for mv in pending:
                    e.send_move(mv)
                if timed:
                    e.send("time %d" % max(0, clock[side] // 10))
                    e.send("otim %d" % max(0, clock[1 - side] // 10))
                e.send("go")
                e.playing = True
            e.synced = len(self.moves)
            if o.st is not None:
                limit = o.st * (1 + o.st_margin_pct / 100.0) + o.st_margin
            else:
                limit = clock[side] / 1000.0 + o.grace
            text, t1 = self._wait_move(side, t0, t0 + limit, known)
            used = (t1 - t0) * 1000.0
            if o.st is not None:
                if used > limit * 1000.0:
                    raise loss(side, "time forfeit (%.2f s)" % (used / 1000), e, "time")
            else:
                clock[side] -= used
                if clock[side] < -o.grace * 1000.0:
                    raise loss(side, "loses on time", e, "time")
                clock[side] += o.tc_inc * 1000.0
            mv = e.parse_move(text, legal)
            if mv not in legal:
                raise loss(side, "illegal move %s" % text, e, "illegal")
            self.moves.append(mv)
            e.synced = len(self.moves)
            legal, check, key = self.ref.probe(self.start_fen, self.moves)
            self.history.append((key, check))
            if not legal:
                raise win(side, "%s %s" % (SIDE_NAME[side], "mates" if check else "stalemates"))
            g = repetition_ruling(self.history, side, o.repetitions,
                                  lambda: self.ref.rule_verdict(self.start_fen, self.moves))
            if g:
                raise g
            if self.ref.dead_draw(key):
                raise GameOver("1/2-1/2", "insufficient material")

    def _wait_move(self, side, t0, deadline, known):
        """The move text of SIDE and when it came. Lines older than T0 were
        sent when the engine knew only the first KNOWN moves. Meanwhile the
        other engine is watched for claims and resignations."""
        e = self.eng[side]
        while True:
            self._watch(1 - side)
            r = e.get(min(deadline, time.monotonic() + WATCH_INTERVAL))
            if r is None:
                if time.monotonic() < deadline:
                    continue
                kind = "time" if self.opts.st is not None or self.opts.tc_base is not None else "timeout"
                raise loss(side, "no move in time (%.1f s)" % (time.monotonic() - t0), e, kind)
            t, line = r
            if line is None:
                raise loss(side, "engine exited", e, "crash")
            words = line.split()
            if not words:
                continue
            stale = t < t0
            if words[0] == "move" and len(words) > 1:
                if stale:
                    raise loss(side, "moved out of turn: " + line, e, "protocol")
                # The other engine's word on the position before this move comes first.
                self._watch(1 - side)
                return words[1], t
            self._game_end_line(side, line, known if stale else len(self.moves))
            if line.startswith("Illegal move"):
                raise loss(side, "rejected a legal move: " + line, e, "protocol")
            if line.startswith("feature "):
                e._features(line)
                continue
            # thinking output, "offer draw", "tellics", errors: logged only.

    def _watch(self, side):
        """Reads what SIDE's engine sent while not asked to move: a move is
        out of turn; a claim or resignation ends the game."""
        e = self.eng[side]
        if e.q is None:
            return
        while True:
            r = e.get(0)
            if r is None or r[1] is None:
                return      # an exit shows when the engine is next asked to move
            line = r[1]
            words = line.split()
            if not words:
                continue
            if words[0] == "move" and len(words) > 1:
                raise loss(side, "moved out of turn: " + line, e, "protocol")
            if line.startswith("feature "):
                e._features(line)
                continue
            self._game_end_line(side, line, e.synced)

    def _game_end_line(self, side, line, known):
        """Ends the game on a resignation or a result claim by SIDE's engine,
        which knew the first KNOWN moves of the game when it sent LINE."""
        m = RESULT_RE.match(line)
        if line.split()[0] == "resign" or (m and "resign" in line.lower()):
            raise loss(side, "resigns", None, None)
        if m and m.group(1) != "*":
            g = judge_claim(m.group(1), self.rules_at(known), side, line, self.eng[side])
            if g.loser is None:
                del self.moves[known:]      # the game ended where the claim was made
            raise g

    def rules_at(self, n):
        """The ruling the rules give for the position after the first N moves
        of the game, or None if they let it go on: no legal move (mate or
        stalemate), the ply cap, a repetition (ruled as the runner rules one,
        at CLAIM_REPETITIONS occurrences or --repetitions if fewer), or the
        end of the game by the referee's own rules."""
        if n == 0:
            return None
        o = self.opts
        moves = self.moves[:n]
        mover = self.mover(n)
        legal, check, _ = self.ref.probe(self.start_fen, moves)
        if not legal:
            return win(mover, "%s %s" % (SIDE_NAME[mover], "mates" if check else "stalemates"))
        if n >= o.max_plies:
            return GameOver("1/2-1/2", "ply cap %d" % o.max_plies)
        base = len(self.opening)
        if base <= n < base + len(self.history):
            g = repetition_ruling(self.history[:n - base + 1], mover,
                                  min(o.repetitions, CLAIM_REPETITIONS),
                                  lambda: self.ref.rule_verdict(self.start_fen, moves))
            if g:
                return g
        return rule_end_ruling(self.ref.rule_end(self.start_fen, moves), mover)


def fmt_num(x):
    return str(int(x)) if float(x).is_integer() else ("%g" % x)


def fmt_base(seconds):
    s = int(round(seconds))
    return str(s // 60) if s % 60 == 0 else "%d:%02d" % (s // 60, s % 60)


# --------------------------------------------------------------------------
# Openings.

def load_openings(path, ref, start_fen):
    lines = []
    with open(path, encoding="utf-8") as f:
        for no, raw in enumerate(f, 1):
            text, _, comment = raw.partition("#")
            moves = text.split()
            if not moves:
                continue
            played = []
            for mv in moves:
                legal, _, _ = ref.probe(start_fen, played)
                if not MOVE_RE.match(mv) or mv not in legal:
                    raise MatchError("%s:%d: move %d '%s' is illegal after '%s'"
                                     % (path, no, len(played) + 1, mv, " ".join(played)))
                played.append(mv)
            legal, _, _ = ref.probe(start_fen, played)
            if not legal:
                raise MatchError("%s:%d: the line ends the game" % (path, no))
            lines.append((moves, comment.strip() or "line %d" % no))
    if not lines:
        if start_fen is None:
            raise MatchError("%s: no opening lines" % path)
        lines.append(([], "start"))
    return lines


# --------------------------------------------------------------------------
# Statistics.

def elo_from_score(s):
    if s <= 0:
        return -math.inf
    if s >= 1:
        return math.inf
    return -400.0 * math.log10(1.0 / s - 1.0)


def _mean_var(counts, scores):
    """Mean and variance of SCORES, each seen as often as COUNTS says."""
    n = sum(counts)
    mean = sum(c * x for c, x in zip(counts, scores)) / n
    return mean, sum(c * (x - mean) ** 2 for c, x in zip(counts, scores)) / n


def _elo_interval(n, s, var):
    """(score, Elo, margin) for N independent samples of mean score S and
    variance VAR each: the margin is half the 95% interval of the score,
    S +/- 1.96 sqrt(VAR / N), turned into Elo."""
    se = math.sqrt(var / n)
    lo, hi = elo_from_score(s - 1.959964 * se), elo_from_score(s + 1.959964 * se)
    margin = (hi - lo) / 2 if math.isfinite(lo) and math.isfinite(hi) else math.inf
    return s, elo_from_score(s), margin


def _gsprt_llr(counts, scores, elo0, elo1):
    """Log-likelihood ratio of H1 (ELO1) against H0 (ELO0) for samples of the
    given SCORES seen COUNTS times, under the normal approximation of the
    generalized SPRT: N (s1 - s0) (2 s - s0 - s1) / (2 var), s0 and s1 the
    expected scores of the two hypotheses (logistic Elo). The variance comes
    from the counts with half a sample added to each outcome while any
    outcome is still missing, so that one-sided starts do not give a zero
    variance (it only makes the test slower to decide)."""
    n = sum(counts)
    if n == 0:
        return 0.0
    s, _ = _mean_var(counts, scores)
    prior = counts if min(counts) > 0 else [c + 0.5 for c in counts]
    _, var = _mean_var(prior, scores)
    s0 = 1 / (1 + 10 ** (-elo0 / 400))
    s1 = 1 / (1 + 10 ** (-elo1 / 400))
    return n * (s1 - s0) * (2 * s - s0 - s1) / (2 * var)


GAME_SCORES = (1.0, 0.5, 0.0)                   # a win, a draw, a loss
PAIR_SCORES = (0.0, 0.25, 0.5, 0.75, 1.0)       # a pair's points / 2
PAIR_NAMES = ("LL", "LD", "DD+WL", "WD", "WW")  # pairs with 0, 0.5, 1, 1.5, 2 points


def elo_stats(w, d, l):
    """(score, Elo, margin) from W-D-L, every game taken as independent."""
    n = w + d + l
    if n == 0:
        return 0.0, 0.0, math.inf
    s, var = _mean_var((w, d, l), GAME_SCORES)
    return _elo_interval(n, s, var)


def pair_stats(counts):
    """(score, Elo, margin) from the pentanomial COUNTS: the numbers of
    opening pairs (one game with each colour) in which engine 1 scored 0, 0.5,
    1, 1.5 and 2 points. Each pair is one sample, its score half its points;
    the variance is that of the pair scores, so that what the opening gives
    one colour (a win and a loss on the same line) is no noise."""
    n = sum(counts)
    if n == 0:
        return 0.0, 0.0, math.inf
    s, var = _mean_var(counts, PAIR_SCORES)
    return _elo_interval(n, s, var)


def pair_index(first, second):
    """The pentanomial bin (0..4: engine 1's points times 2) of a pair whose
    games gave engine 1 the scores FIRST and SECOND (1, 0.5 or 0); None when
    either game has no result (an unfinished or aborted game)."""
    if first is None or second is None:
        return None
    return int(round(2 * (first + second)))


def sprt_llr(w, d, l, elo0, elo1):
    """Log-likelihood ratio of a trinomial GSPRT (normal approximation)."""
    return _gsprt_llr((w, d, l), GAME_SCORES, elo0, elo1)


def sprt_llr_pairs(counts, elo0, elo1):
    """Log-likelihood ratio of a pentanomial GSPRT on the pair scores."""
    return _gsprt_llr(counts, PAIR_SCORES, elo0, elo1)


def sprt_bounds(alpha, beta):
    """(lower, upper) LLR bounds: below the lower H0 holds, above the upper H1."""
    return math.log(beta / (1 - alpha)), math.log((1 - beta) / alpha)


def _sprt_verdict(llr, alpha, beta):
    lo, hi = sprt_bounds(alpha, beta)
    verdict = "H1 accepted" if llr >= hi else "H0 accepted" if llr <= lo else None
    return verdict, llr, lo, hi


def sprt_decision(w, d, l, elo0, elo1, alpha, beta):
    """(verdict or None, llr, lower bound, upper bound) after W-D-L."""
    return _sprt_verdict(sprt_llr(w, d, l, elo0, elo1), alpha, beta)


def sprt_decision_pairs(counts, elo0, elo1, alpha, beta):
    """(verdict or None, llr, lower bound, upper bound) after the pentanomial
    COUNTS of complete pairs."""
    return _sprt_verdict(sprt_llr_pairs(counts, elo0, elo1), alpha, beta)


# --------------------------------------------------------------------------
# The match.

class Match:
    """Games are numbered from 0 and dealt to the workers in that order. Games
    2k and 2k+1 form pair k: the same opening line, engine 1 red in the first
    and black in the second, so the two start one after the other whatever the
    concurrency. A pair counts in the pentanomial figures once both its games
    have a result; a game without its partner's result (an interrupted match,
    an odd --games) still counts in W-D-L."""

    def __init__(self, opts, openings, ref_path):
        self.opts = opts
        self.openings = openings
        self.ref_path = ref_path
        self.lock = threading.Lock()
        self.next_game = 0
        self.results = {}       # game number -> record
        self.printed = 0
        self.stop = threading.Event()
        self.verdict = None
        self.engines = []
        self.referees = []
        self.notation = {1: RankNotation(opts.ranks1), 2: RankNotation(opts.ranks2)}
        self.wdl = [0, 0, 0]
        self.penta = [0] * 5    # complete pairs by engine 1's points: 0, 0.5, .. 2
        self.unpaired = None    # engine 1's score in the first game of the pair being counted
        self.faults = {1: {}, 2: {}}
        self.names = {1: None, 2: None}
        self.errors = []

    def game_plan(self, i):
        """(opening moves, label, engine 1 plays red) of game I (from 0):
        the opening of its pair, I // 2, with engine 1 red in the pair's first."""
        moves, label = self.openings[(i // 2) % len(self.openings)]
        return moves, label, (i % 2 == 0)

    def worker(self):
        o = self.opts
        try:
            ref = Referee(self.ref_path)
        except (OSError, MatchError) as e:
            self.errors.append("referee: %s" % e)
            self.stop.set()
            return
        kinds = {"xboard": Engine, "uci": UciEngine}
        e1 = kinds[o.proto1](1, o.engine1, o, o.name1, self.notation[1])
        e2 = kinds[o.proto2](2, o.engine2, o, o.name2, self.notation[2])
        with self.lock:
            self.referees.append(ref)
            self.engines += [e1, e2]
        try:
            while not self.stop.is_set():
                with self.lock:
                    i = self.next_game
                    if i >= o.games:
                        return
                    self.next_game += 1
                moves, label, one_red = self.game_plan(i)
                red, black = (e1, e2) if one_red else (e2, e1)
                logf = None
                if o.log:
                    logf = open(os.path.join(o.log, "game-%04d.log" % (i + 1)), "w")
                    logf.write("# game %d, opening %s: %s\n# red: %s\n# black: %s\n"
                               % (i + 1, label, " ".join(moves), red.cmd, black.cmd))
                e1.log = e2.log = logf
                game = Game(o, ref, red, black, moves, i + 1, self.stop)
                try:
                    g = game.play()
                except MatchError as err:
                    self.errors.append("game %d: %s" % (i + 1, err))
                    self.stop.set()
                    g = GameOver("*", "referee failure: %s" % err)
                except Exception as err:   # keep the in-order printing going
                    self.errors.append("game %d: runner error: %r" % (i + 1, err))
                    self.stop.set()
                    g = GameOver("*", "runner error")
                if self.stop.is_set() and g.kind is not None:
                    # A fault once the match is stopping comes from the stop: an
                    # interruption kills the engines of the games still going.
                    g = GameOver("*", "aborted: %s" % g.reason)
                self._end_game(g, red, black)
                rn, bn = red.name, black.name
                if rn == bn:
                    rn, bn = "%s#%d" % (rn, red.idx), "%s#%d" % (bn, black.idx)
                rec = {"n": i + 1, "red": rn, "black": bn,
                       "result": g.result, "reason": g.reason,
                       "plies": len(game.moves), "one_red": one_red,
                       "loser": g.loser.idx if g.loser else None, "kind": g.kind,
                       "label": label}
                if logf:
                    logf.write("# moves: %s\n# result: %s {%s} %d plies\n"
                               % (" ".join(game.moves), g.result, g.reason, len(game.moves)))
                    logf.close()
                    e1.log = e2.log = None
                self._record(rec)
        finally:
            for e in (e1, e2):
                e.stop()
            ref.close()

    def _end_game(self, g, red, black):
        for e in (red, black):
            if not e.alive():
                continue
            e.send("force")
            e.send("result %s {%s}" % (g.result, g.reason))
            e.playing = False
            if e.sync() is None:
                e.stop()      # stuck or gone: start afresh next game

    def _record(self, rec):
        with self.lock:
            self.results[rec["n"]] = rec
            if True:
                self.names[1] = rec["red"] if rec["one_red"] else rec["black"]
                self.names[2] = rec["black"] if rec["one_red"] else rec["red"]
            while self.printed + 1 in self.results:
                r = self.results[self.printed + 1]
                self.printed += 1
                self._count(r)
                self._print_game(r)
                self._check_sprt()

    def _count(self, r):
        """Counts game record R; records come in the order of their numbers."""
        score = None
        if r["result"] == "1/2-1/2":
            score = 0.5
        elif r["result"] != "*":
            score = 1.0 if (r["result"] == "1-0") == r["one_red"] else 0.0
        if r["n"] % 2 == 1:         # numbered from 1: the first game of a pair
            self.unpaired = score
        else:
            k = pair_index(self.unpaired, score)
            if k is not None:
                self.penta[k] += 1
            self.unpaired = None
        if score is None:
            return
        self.wdl[GAME_SCORES.index(score)] += 1
        if r["loser"]:
            f = self.faults[r["loser"]]
            f[r["kind"]] = f.get(r["kind"], 0) + 1

    def _print_game(self, r):
        w, d, l = self.wdl
        print("%4d  %-22s %-22s %-7s %4d plies  %-28s [%s]  %d-%d-%d"
              % (r["n"], r["red"][:22], r["black"][:22], r["result"], r["plies"],
                 r["reason"], r["label"][:30], w, l, d), flush=True)

    def sprt_state(self):
        """(model, verdict or None, llr, lower, upper) of the sequential test:
        on the complete pairs once there is one, else on the games."""
        o = self.opts
        if sum(self.penta):
            return ("pentanomial",) + sprt_decision_pairs(self.penta, o.elo0, o.elo1,
                                                          o.alpha, o.beta)
        w, d, l = self.wdl
        return ("trinomial",) + sprt_decision(w, d, l, o.elo0, o.elo1, o.alpha, o.beta)

    def _check_sprt(self):
        if not self.opts.sprt or self.verdict:
            return
        state = self.sprt_state()
        if state[1]:
            self.verdict = state
            self.stop.set()

    def run(self):
        o = self.opts
        print("%4s  %-22s %-22s %-7s %10s  %-28s %s  %s"
              % ("game", "red", "black", "result", "", "reason", "[opening]", "W-L-D(1)"))
        threads = [threading.Thread(target=self.worker, daemon=True)
                   for _ in range(max(1, o.concurrency))]
        for t in threads:
            t.start()
        try:
            for t in threads:
                while t.is_alive():
                    t.join(0.2)
        except KeyboardInterrupt:
            print("interrupted: stopping engines", file=sys.stderr)
            self.stop.set()
            self.shutdown()
            raise
        self.summary()

    def shutdown(self):
        with self.lock:
            engines, refs = list(self.engines), list(self.referees)
        for e in engines:
            e.stop()
        for r in refs:
            try:
                r.close()
            except Exception:
                pass

    def summary(self):
        o = self.opts
        w, d, l = self.wdl
        n = w + d + l
        n1 = self.names[1] or "engine1"
        n2 = self.names[2] or "engine2"
        for err in self.errors:
            print("error: %s" % err)
        print()
        print("Score of %s vs %s: %d - %d - %d  [%.1f%%]  %d games"
              % (n1, n2, w, l, d, 100.0 * (w + d / 2) / n if n else 0, n))
        s, elo, margin = elo_stats(w, d, l)
        if n:
            print("Elo difference: %s +/- %s (95%%, games as independent)"
                  % (fmt_elo(elo), fmt_elo(margin, sign=False)))
        pairs = sum(self.penta)
        print("Pairs %s: %s  %d pairs%s"
              % ("-".join(PAIR_NAMES), "-".join(str(c) for c in self.penta), pairs,
                 "; %d games outside complete pairs left out" % (n - 2 * pairs)
                 if n > 2 * pairs else ""))
        if pairs:
            _, elo, margin = pair_stats(self.penta)
            print("Elo difference: %s +/- %s (95%%, pentanomial)"
                  % (fmt_elo(elo), fmt_elo(margin, sign=False)))
        for k, name in ((1, n1), (2, n2)):
            f = self.faults[k]
            print("%s: time forfeits %d, crashes %d, illegal moves %d, protocol errors %d, "
                  "timeouts %d" % (name, f.get("time", 0), f.get("crash", 0),
                                   f.get("illegal", 0), f.get("protocol", 0),
                                   f.get("timeout", 0)))
        if o.sprt:
            model, _, llr, lo, hi = self.verdict or self.sprt_state()
            verdict = self.verdict[1] if self.verdict else "no decision yet"
            print("SPRT elo0=%g elo1=%g alpha=%g beta=%g (%s): LLR %.2f (bounds %.2f, %.2f): %s"
                  % (o.elo0, o.elo1, o.alpha, o.beta, model, llr, lo, hi, verdict))


def fmt_elo(x, sign=True):
    x = x + 0.0 if x else 0.0
    if math.isinf(x):
        return ("+inf" if x > 0 else "-inf") if sign else "inf"
    return ("%+.1f" if sign else "%.1f") % x


# --------------------------------------------------------------------------

def parse_tc(text):
    """'MIN+INC' with MIN as minutes or M:SS -> (base seconds, inc seconds)."""
    base, _, inc = text.partition("+")
    if ":" in base:
        m, s = base.split(":", 1)
        secs = int(m) * 60 + float(s)
    else:
        secs = float(base) * 60
    return secs, float(inc or 0)


def parse_options(argv=None):
    """The command line read and checked (exits on a bad one)."""
    p = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog=__doc__.split("\n", 2)[2], formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--engine1", required=True, help="command line of engine 1")
    p.add_argument("--engine2", required=True, help="command line of engine 2")
    p.add_argument("--name1", help="name of engine 1 (default: its myname feature)")
    p.add_argument("--name2", help="name of engine 2")
    p.add_argument("--init1", action="append", metavar="CMD",
                   help="command sent to engine 1 after start-up, e.g. 'option Hash=64' (repeatable)")
    p.add_argument("--init2", action="append", metavar="CMD", help="same for engine 2")
    p.add_argument("--ranks1", choices=("auto", "0", "1"), default="auto",
                   help="rank numbering of engine 1's moves: 0-9 (protocol), 1-10, or auto "
                        "(decided by its first move, then kept for the match)")
    p.add_argument("--ranks2", choices=("auto", "0", "1"), default="auto")
    p.add_argument("--proto1", choices=("xboard", "uci"), default="xboard",
                   help="protocol of engine 1 (default xboard); a UCI engine's --init1 lines are "
                        "UCI commands, e.g. 'setoption name Hash value 64'")
    p.add_argument("--proto2", choices=("xboard", "uci"), default="xboard")
    tc = p.add_mutually_exclusive_group(required=True)
    tc.add_argument("--st", type=float, metavar="SECONDS", help="fixed time per move")
    tc.add_argument("--tc", metavar="MIN+INC",
                    help="clock per game, e.g. 1+0.5 or 0:20+0.2 (minutes or M:SS, plus seconds)")
    p.add_argument("--st-margin", type=float, default=1.0,
                   help="seconds allowed over --st before a forfeit (default 1)")
    p.add_argument("--st-margin-pct", type=float, default=50.0,
                   help="percent allowed over --st before a forfeit (default 50)")
    p.add_argument("--grace", type=float, default=0.1,
                   help="seconds a --tc clock may go below zero (default 0.1)")
    p.add_argument("--hard-timeout", type=float, default=30.0,
                   help="seconds to wait for a pong or, with --st, beyond it (default 30)")
    p.add_argument("--feature-timeout", type=float, default=5.0,
                   help="seconds to wait for feature done=1 (default 5)")
    p.add_argument("--done0-timeout", type=float, default=60.0,
                   help="seconds to wait after feature done=0 (default 60)")
    p.add_argument("--quit-timeout", type=float, default=2.0,
                   help="seconds between 'quit' and killing an engine (default 2)")
    p.add_argument("--openings", default=os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "bench", "openings.txt"),
        help="opening lines file (default bench/openings.txt)")
    p.add_argument("--fen", help="start position (WXF FEN, sent with setboard); openings apply after it")
    p.add_argument("--games", type=int, help="number of games (default: 2 per opening line)")
    p.add_argument("--shuffle", action="store_true", help="shuffle the opening lines (see --seed)")
    p.add_argument("--seed", type=int, default=1, help="seed for --shuffle (default 1)")
    p.add_argument("--max-plies", type=int, default=300, help="draw after this many plies (default 300)")
    p.add_argument("--repetitions", type=int, default=3,
                   help="occurrences of a position that end the game (default 3)")
    p.add_argument("--concurrency", type=int, default=1, help="games played at once (default 1)")
    p.add_argument("--sprt", metavar="ELO0,ELO1",
                   help="stop early on a GSPRT verdict (logistic Elo; on the pair scores once "
                        "a pair is complete)")
    p.add_argument("--alpha", type=float, default=0.05)
    p.add_argument("--beta", type=float, default=0.05)
    p.add_argument("--log", metavar="DIR", help="write every line sent and received per game into DIR")
    p.add_argument("--post", action="store_true", help="send 'post' (thinking output goes to the log)")
    p.add_argument("--engine-sigint", choices=("inherit", "ignore"), default="inherit",
                   help="start engines with SIGINT ignored, or as inherited (default). "
                        "The runner itself never signals engines except to kill them at the end")
    p.add_argument("--referee", help="fairy-stockfish binary (default: PATH or /usr/games)")
    o = p.parse_args(argv)

    o.tc_base = o.tc_inc = None
    if o.tc:
        try:
            o.tc_base, o.tc_inc = parse_tc(o.tc)
        except ValueError:
            p.error("bad --tc %r, want MIN+INC" % o.tc)
    elif o.st <= 0:
        p.error("--st must be positive")
    elif not float(o.st).is_integer():
        print("warning: st %s is fractional; many engines read whole seconds only" % o.st,
              file=sys.stderr)
    if o.sprt:
        try:
            o.elo0, o.elo1 = (float(x) for x in o.sprt.split(","))
        except ValueError:
            p.error("bad --sprt %r, want ELO0,ELO1" % o.sprt)
    return o


def main(argv=None):
    o = parse_options(argv)
    if o.log:
        os.makedirs(o.log, exist_ok=True)

    ref_path = o.referee or find_binary("fairy-stockfish")
    if not ref_path:
        print("error: fairy-stockfish not found (bench/install_peers.sh installs it)", file=sys.stderr)
        return 2
    try:
        ref = Referee(ref_path)
        try:
            openings = load_openings(o.openings, ref, ref_fen(o.fen) if o.fen else None)
        finally:
            ref.close()
    except (OSError, MatchError) as e:
        print("error: %s" % e, file=sys.stderr)
        return 2
    if o.shuffle:
        import random
        random.Random(o.seed).shuffle(openings)
    if o.games is None:
        o.games = 2 * len(openings)

    def on_term(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_term)
    m = Match(o, openings, ref_path)
    try:
        m.run()
    except KeyboardInterrupt:
        m.summary()
        return 130
    return 1 if m.errors else 0


if __name__ == "__main__":
    sys.exit(main())
