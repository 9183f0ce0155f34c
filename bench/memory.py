#!/usr/bin/env python3
"""Resident memory of the program after start-up and after a 200-move game against the
computer: two copies play each other over the cxboard protocol, and /proc tells the size
of the one playing Red. Usage: bench/memory.py [MOVES] [DEPTH]  (defaults 200 and 3).
Exits 1 when either size reaches the limit, 0 otherwise."""
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
PROGRAM = os.path.join(ROOT, "build", "qorat")
LIMIT_KB = 32 * 1024


def resident_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


def start(colour, depth):
    return subprocess.Popen([PROGRAM, "-cxboard", colour, "-depth", str(depth)], cwd=ROOT,
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            text=True, bufsize=1)


def send(player, line):
    player.stdin.write(line + "\n")
    player.stdin.flush()


def next_event(player):
    """The computer's next move, or None when a game ended."""
    while True:
        line = player.stdout.readline()
        if not line:
            raise RuntimeError("the program ended")
        if line.startswith("move "):
            return line.split()[1]
        if line.startswith(("1-0", "0-1", "1/2-1/2")):
            return None


def main():
    moves = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    depth = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    if not os.access(PROGRAM, os.X_OK):
        subprocess.run(["make", "-C", ROOT, "all"], check=True, stdout=subprocess.DEVNULL)
    red, blue = start("-red", depth), start("-blue", depth)
    time.sleep(0.5)
    at_start = resident_kb(red.pid)
    played, games, mover, other = 0, 1, red, blue
    while played < moves:
        move = next_event(mover)
        if move is None:
            # A game ended by rule; both copies judged it. Both start a new one and play on.
            if next_event(other) is not None:
                raise RuntimeError("the copies disagree on the end of the game")
            send(red, "new")
            send(blue, "new")
            games, mover, other = games + 1, red, blue
            continue
        send(other, move)
        played += 1
        mover, other = other, mover
    after_game = resident_kb(red.pid)
    for player in (red, blue):
        send(player, "quit")
        player.wait(timeout=10)
    print(f"resident size after start-up: {at_start / 1024:.1f} MB")
    print(f"resident size after {played} moves ({games} game(s), depth {depth}): {after_game / 1024:.1f} MB")
    within = max(at_start, after_game) < LIMIT_KB
    print(f"limit {LIMIT_KB / 1024:.0f} MB: {'ok' if within else 'EXCEEDED'}")
    return 0 if within else 1


if __name__ == "__main__":
    sys.exit(main())
