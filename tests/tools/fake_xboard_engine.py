#!/usr/bin/env python3
"""A scripted xboard engine for the match runner's tests.

Each argument is what the engine says on one of its turns: lines separated by
'|', where a line 'sleep S' waits S seconds instead of being printed. A turn
comes with "go", or with a move while the engine is not in force mode. After
its script the engine says nothing. It answers "protover 2" with its features
(ping, usermove, setboard, done=1) and "ping N" with "pong N", and it ends at
"quit", at the end of its input, or after a minute in any case.
"""

import signal
import sys
import time


def say(lines):
    if lines:
        sys.stdout.write("".join(line + "\n" for line in lines))
        sys.stdout.flush()


def take_turn(script):
    if not script:
        return
    out = []
    for line in script.pop(0).split("|"):
        if line.startswith("sleep "):
            say(out)
            out = []
            time.sleep(float(line.split()[1]))
        elif line:
            out.append(line)
    say(out)


def main():
    signal.alarm(60)
    script = list(sys.argv[1:])
    forced = False
    for raw in sys.stdin:
        words = raw.split()
        if not words:
            continue
        cmd = words[0]
        if cmd == "quit":
            return
        if cmd == "protover":
            say(['feature myname="scripted" ping=1 usermove=1 setboard=1 done=1'])
        elif cmd == "ping":
            say(["pong " + " ".join(words[1:])])
        elif cmd == "new":
            forced = False
        elif cmd == "force":
            forced = True
        elif cmd == "go":
            forced = False
            take_turn(script)
        elif cmd == "usermove" and not forced:
            take_turn(script)


if __name__ == "__main__":
    main()
