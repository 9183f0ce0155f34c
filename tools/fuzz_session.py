#!/usr/bin/env python3
"""Fuzzes the program through its standard input in all three modes.

Starts the program again and again (console, cxboard, xboard, in turn), sends it random
lines drawn from its commands with extreme or malformed arguments, random moves and
positions, long lines, NUL bytes and interrupts, and after every few lines asks for a
sign of life that must come within a second:
  console and cxboard  an unknown word, answered "Error (unknown command): WORD"
  xboard               "?" then "ping N", answered "pong N" (a second "?" a second
                       later moves a search that began after the first)
A session fails when a sign of life does not come, when the program dies or exits other
than by "quit", or when its standard error shows a sanitizer's report. Findings are
printed with the seed and the session's lines, so that each can be replayed.

Use the sanitized build (build-test/qorat, made by "make test"):
  tools/fuzz_session.py --minutes 30 --seed 1
"""

import argparse
import os
import random
import select
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
START = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR"
ANSWER_SECONDS = 1.0
LINES_PER_PROBE = 6
LINES_PER_SESSION = 120

NUMBERS = ["0", "1", "-1", "2", "7", "30", "100", "1024", "2147483647", "2147483648", "-2147483649",
           "9223372036854775807", "9223372036854775808", "-999999999999999999999", "1e308", "-1e308",
           "1e400", "nan", "inf", "0.001", "0:30", "5:99999999999", "x", "", "00000000000000000001"]


def word(rng):
    return "".join(rng.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(rng.randint(1, 8)))


def move(rng):
    return "%s%d%s%d" % (rng.choice("abcdefghi"), rng.randint(0, 9), rng.choice("abcdefghi"), rng.randint(0, 9))


def placement(rng):
    """A random placement: often playable, sometimes not, sometimes not even well formed."""
    if rng.random() < 0.3:
        return START
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


def random_line(rng, mode, book_paths):
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
            lambda: "setboard %s %s - - 0 1" % (placement(rng), rng.choice(["w", "b"])),
            lambda: rng.choice(["playother", "result 1-0 {x}", "variant xiangqi", "variant shogi",
                                "protover 2", "hard", "easy", "random", "draw", "hint", "bk"]),
        ]
    else:
        common += [lambda: rng.choice(["red", "blue", "black", "time", "t", "vomit", "level 40 5 0"])]
    return rng.choice(common)()


class Session:
    def __init__(self, binary, mode, directory):
        args = [binary] + (["-" + mode] if mode != "console" else [])
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=directory)
        # Writes never block: a program that stops reading is a finding, not a hang.
        os.set_blocking(self.proc.stdin.fileno(), False)
        self.out = b""
        self.err = b""
        self.sent = []

    def send(self, line):
        self.sent.append(line)
        data = (line + "\n").encode("utf-8", "replace")
        deadline = time.monotonic() + ANSWER_SECONDS * 5
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

    def wait_for(self, text, seconds):
        deadline = time.monotonic() + seconds
        needle = text.encode()
        while needle not in self.out:
            left = deadline - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                self.pump(0.05)
                return needle in self.out
            self.pump(min(left, 0.05))
        return True

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        for _ in range(100):
            before = len(self.out) + len(self.err)
            self.pump(0.01)
            if len(self.out) + len(self.err) == before:
                break
        return self.proc.returncode


def sanitizer_report(err):
    return b"runtime error" in err or b"Sanitizer" in err or b"invariants broken" in err


def run_session(binary, mode, rng, directory, book_paths):
    """One session; returns a finding (text) or None."""
    session = Session(binary, mode, directory)
    if mode == "xboard":
        session.send("protover 2")
        if not session.wait_for("feature done=1", 10):
            return "no handshake", session
    probes = 0
    for i in range(LINES_PER_SESSION):
        line = random_line(rng, mode, book_paths)
        if not session.send(line):
            return "input not taken within %.0f s" % (ANSWER_SECONDS * 5), session
        # Only once the program has answered: before its first instruction no program can
        # ignore the signal.
        if probes > 0 and rng.random() < 0.02 and mode != "console":
            session.proc.send_signal(signal.SIGINT)
            session.sent.append("<SIGINT>")
        if (i + 1) % LINES_PER_PROBE:
            continue
        probes += 1
        if mode == "xboard":
            session.send("?")
            session.send("ping %d" % probes)
            answer = "pong %d\n" % probes
        else:
            token = "probe%d" % probes
            session.send(token)
            answer = "Error (unknown command): %s\n" % token
        # A ping waits for the computer's move. "?" moves at once only a search that has begun,
        # and one may begin just after it: a second "?" a second later finds it under way.
        answered = session.wait_for(answer, ANSWER_SECONDS)
        if not answered and mode == "xboard" and session.proc.poll() is None:
            session.send("?")
            answered = session.wait_for(answer, ANSWER_SECONDS)
        if not answered:
            if session.proc.poll() is not None:
                return "exited with status %d" % session.proc.returncode, session
            return "no answer to %r within %.0f s" % (answer.strip(), ANSWER_SECONDS), session
        if sanitizer_report(session.err):
            return "sanitizer report", session
    session.send("quit")
    status = session.close()
    if sanitizer_report(session.err):
        return "sanitizer report", session
    if status != 0:
        return "quit ended with status %d" % status, session
    return None, session


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--binary", default=os.path.join(ROOT, "build-test", "qorat"))
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if not os.access(args.binary, os.X_OK):
        sys.exit("fuzz_session: %s missing; run make test first" % args.binary)
    rng = random.Random(args.seed)
    end = time.monotonic() + args.minutes * 60
    sessions = lines = 0
    findings = []
    modes = ["console", "cxboard", "xboard"]
    with tempfile.TemporaryDirectory(prefix="qorat-fuzz-") as directory:
        book = os.path.join(directory, "good.dat")
        with open(book, "w") as f:
            f.write(START + " b:h9g7\n")
        fifo = os.path.join(directory, "pipe")
        os.mkfifo(fifo)
        book_paths = [book, fifo, "/dev/zero", directory, "/nonexistent"]
        while time.monotonic() < end:
            mode = modes[sessions % len(modes)]
            finding, session = run_session(args.binary, mode, rng, directory, book_paths)
            if session.proc.poll() is None:
                session.close()
            sessions += 1
            lines += len(session.sent)
            if finding:
                findings.append(finding)
                print("FINDING in session %d (%s): %s" % (sessions, mode, finding))
                print("  lines:", [l[:120] for l in session.sent])
                print("  stderr:", session.err.decode("utf-8", "replace")[-2000:])
    print("seed %d: %d sessions, %d lines, %d findings" % (args.seed, sessions, lines, len(findings)))
    sys.exit(1 if findings else 0)


if __name__ == "__main__":
    main()
