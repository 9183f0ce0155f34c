"""The players: an xboard engine process (protocol 2: features, ping, moves in
its rank numbering), and a UCI engine behind the same xboard words."""

import os
import queue
import re
import shlex
import signal
import subprocess
import threading
import time

from .errors import MatchError
from .notation import RankNotation, read_move, to_uci

FEATURE_RE = re.compile(r'(\w+)=("([^"]*)"|\S+)')

# Features the runner understands; others are answered "rejected".
KNOWN_FEATURES = {
    "ping", "setboard", "playother", "san", "usermove", "time", "draw",
    "sigint", "sigterm", "reuse", "analyze", "myname", "myversion",
    "variants", "colors", "ics", "name", "pause", "nps", "debug", "memory",
    "smp", "egt", "option", "done", "exclude", "setscore", "highlight",
}


class Engine:
    """One xboard engine process."""

    def __init__(self, idx, cmd, opts, name=None, ranks=None):
        self.idx = idx              # 1 or 2
        self.cmd = cmd
        self.opts = opts
        self.fixed_name = name
        self.name = name or os.path.basename(shlex.split(cmd)[0])
        self.ranks = ranks or RankNotation(getattr(opts, "ranks%d" % idx))
        self.inits = getattr(opts, "init%d" % idx) or []
        self.proc = None
        self.env = None             # the environment it starts with (None: the runner's)
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
                text=True, bufsize=1, errors="replace", preexec_fn=pre, env=self.env)
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
        proc = self.proc    # stop() may take it away from another thread meanwhile
        try:
            proc.stdin.write(s + "\n")
            proc.stdin.flush()
        except (OSError, ValueError, AttributeError):
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
        With --ranks auto the first move decides the numbering for the game;
        a later move that contradicts it reads as an illegal move."""
        mode = self.ranks.mode
        if mode == "auto":
            mode = self.ranks.settle(text, legal)
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
        self.depth = None
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
        elif cmd == "sd":
            self.depth = int(words[1])
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
        depth = "" if self.depth is None else " depth %d" % self.depth
        if self.movetime is not None:
            self.raw("go movetime %d%s" % (self.movetime, depth))
        else:
            own, other = max(1, self.clock["time"]), max(1, self.clock["otim"])
            red, black = (own, other) if self._red_to_move() else (other, own)
            self.raw("go wtime %d btime %d winc %d binc %d%s"
                     % (red, black, self.inc, self.inc, depth))
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
