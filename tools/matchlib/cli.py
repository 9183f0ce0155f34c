"""The command line: the options of tools/match.py, their manual (its --help)
and main, which loads the openings and runs the match."""

import argparse
import os
import signal
import sys

from tasks.runner import TaskError, TaskRunner

from .errors import MatchError
from .notation import ref_fen
from .openings import load_openings
from .referee import Referee, find_binary
from .runner import Match

# The folder of tools/match.py, from which the default opening file is named.
TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The runner's manual: its first paragraph heads --help, the rest follows the options.
MANUAL = """Engine-vs-engine Xiangqi matches over the xboard/CECP protocol (version 2),
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
which an engine uses, and "auto" lets its first move of each game decide
(a rank 10, a rank 0, or the only legal reading; else 0-9): the numbering is
then kept for the rest of the game, and a move that contradicts it is
illegal. Each game decides for itself, wherever it is played; the runner
notes the numbering read, and any game that reads it otherwise.
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

Where games run. Each game is a task on Dask's distributed scheduler, with
engines started for it alone. By default the runner starts a cluster on this
machine, --concurrency worker processes of one thread, and stops it at the
end. With --scheduler tcp://HOST:PORT the games go to a cluster you run:
dask-scheduler on one machine, "dask-worker tcp://HOST:PORT --nthreads 1" on
each machine that plays (one worker a core). The runner's code travels with
the games; the engines and the referee must be at the same paths on every
machine, or in a folder given with --engine-dir, whose files are copied to
every worker (name them by their paths in that folder). A worker that lacks a
program fails its game with its host name and the path, and the match stops.
A game lost with its worker is played again elsewhere; each game's engines
get QORAT_SEED from --seed and the game's number, so that a game at a fixed
depth (--depth) plays the same whichever worker plays it. The progress (games
done, rate, time left, workers, score and Elo) goes to standard error: one
line rewritten on a terminal, else a line a minute.

Examples:
  tools/match.py --engine1 "build/qorat -xboard" \\
      --engine2 /usr/games/fairy-stockfish --st 1 --games 24
  tools/match.py --engine1 /usr/games/fairy-stockfish \\
      --engine2 "/usr/games/hoixiangqi -x on" --tc 0:20+0.2 --concurrency 2
  tools/match.py --scheduler tcp://10.0.0.5:8786 --engine-dir /tmp/engines \\
      --engine1 "/tmp/engines/qorat -xboard" --engine2 "/tmp/engines/base -xboard" \\
      --tc 0:02+0.02 --games 2000

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
        description=MANUAL.split("\n\n")[0],
        epilog=MANUAL.split("\n", 2)[2], formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--engine1", required=True, help="command line of engine 1")
    p.add_argument("--engine2", required=True, help="command line of engine 2")
    p.add_argument("--name1", help="name of engine 1 (default: its myname feature)")
    p.add_argument("--name2", help="name of engine 2")
    p.add_argument("--init1", action="append", metavar="CMD",
                   help="command sent to engine 1 after start-up, e.g. 'option Hash=64' (repeatable)")
    p.add_argument("--init2", action="append", metavar="CMD", help="same for engine 2")
    p.add_argument("--ranks1", choices=("auto", "0", "1"), default="auto",
                   help="rank numbering of engine 1's moves: 0-9 (protocol), 1-10, or auto "
                        "(decided by its first move of each game, then kept for the game)")
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
    p.add_argument("--openings", default=os.path.join(TOOLS, "..", "bench", "openings.txt"),
                   help="opening lines file (default bench/openings.txt)")
    p.add_argument("--fen", help="start position (WXF FEN, sent with setboard); openings apply after it")
    p.add_argument("--games", type=int, help="number of games (default: 2 per opening line)")
    p.add_argument("--shuffle", action="store_true", help="shuffle the opening lines (see --seed)")
    p.add_argument("--seed", type=int, default=1,
                   help="seed for --shuffle and of the games' QORAT_SEED (default 1)")
    p.add_argument("--max-plies", type=int, default=300, help="draw after this many plies (default 300)")
    p.add_argument("--repetitions", type=int, default=3,
                   help="occurrences of a position that end the game (default 3)")
    p.add_argument("--depth", type=int, metavar="PLIES",
                   help="search depth of each move (sd), besides --st or --tc")
    p.add_argument("--depth1", type=int, metavar="PLIES",
                   help="engine 1's own depth limit, in place of --depth (e.g. a peer at a fixed depth)")
    p.add_argument("--depth2", type=int, metavar="PLIES", help="same for engine 2")
    p.add_argument("--concurrency", type=int, default=1,
                   help="games played at once on this machine: the local cluster's workers "
                        "(default 1; with --scheduler, the cluster's workers decide)")
    p.add_argument("--scheduler", metavar="tcp://HOST:PORT",
                   help="play on the Dask cluster of this scheduler instead of this machine")
    p.add_argument("--engine-dir", metavar="DIR",
                   help="copy the files of DIR to every worker; commands name them by their "
                        "paths in DIR")
    p.add_argument("--sprt", metavar="ELO0,ELO1",
                   help="stop early on a GSPRT verdict (logistic Elo; on the pair scores once "
                        "a pair is complete)")
    p.add_argument("--alpha", type=float, default=0.05)
    p.add_argument("--beta", type=float, default=0.05)
    p.add_argument("--log", metavar="DIR", help="write every line sent and received per game into DIR")
    p.add_argument("--post", action="store_true", help="send 'post' (thinking output goes to the log)")
    p.add_argument("--engine-sigint", choices=("inherit", "ignore"), default="inherit",
                   help="start engines with SIGINT ignored, or as inherited from the worker "
                        "(default; the local cluster's workers ignore it, so that Ctrl-C "
                        "reaches only the runner). The runner itself never signals engines "
                        "except to kill them at the end")
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
    for name in ("depth", "depth1", "depth2"):
        if getattr(o, name) is not None and getattr(o, name) < 1:
            p.error("--%s must be positive" % name)
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
        with TaskRunner(o.concurrency, o.scheduler, o.engine_dir, code=("matchlib",)) as runner:
            try:
                m.run(runner)
            except KeyboardInterrupt:
                m.summary()     # before the cluster's shutdown, which takes a moment
                return 130
    except KeyboardInterrupt:   # while the cluster was starting
        m.summary()
        return 130
    except (TaskError, OSError) as e:
        print("error: %s" % e, file=sys.stderr)
        return 2
    m.summary()
    return 1 if m.errors else 0
