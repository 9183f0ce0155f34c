"""The tuning data: positions from games, made quiet, labelled by fairy-stockfish.

Three stages, each writing a file that the next reads (and that a later run reuses):
  games   fairy-stockfish plays itself at a small node budget from the match opening lines
          plus a few random plies (all drawn from the seed); every position of each game is
          kept with the game's result
  quiet   each position is replaced by the end of qorat's quiescence search from it (a
          position in which the side to move stands pat, not in check); duplicates dropped
  label   fairy-stockfish scores each quiet position at a fixed depth

Lines are "FEN;RESULT" after the first two stages and "FEN;RESULT;SCORE" after the third,
with our FEN text, the result for Red (1, 0.5 or 0) and the score for Red in centipawns.

The games and the labels run as tasks (tools/tasks/): a game each, and a batch of
LABEL_BATCH positions each. A game's opening and random plies come from the seed and its
number alone, and fairy-stockfish is kept by each worker between tasks but cleared before
each (ucinewgame), so that the files are the same whatever the number of workers.
"""

import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
# The match runner's referee, notation and repetition rule; the task layer.
from matchlib.notation import from_uci, ref_fen, to_uci  # noqa: E402
from matchlib.referee import Referee  # noqa: E402
from matchlib.rulings import repetition_ruling  # noqa: E402
from tasks.runner import Task  # noqa: E402

RESULT_FOR_RED = {"1-0": 1.0, "0-1": 0.0, "1/2-1/2": 0.5}
# A game is over when the side ahead leads by this much for this many plies in a row.
DECIDED_SCORE = 1000
DECIDED_PLIES = 8
MAX_PLIES = 300
# Positions labelled by one task: enough to dwarf the cost of a task, few enough to spread.
LABEL_BATCH = 200


def our_fen(key):
    """The referee's position text as our FEN: h and e for horse and elephant, r or b."""
    placement, side = key.split()[:2]
    return placement.translate(str.maketrans("nNbB", "hHeE")) + (" r" if side == "w" else " b")


class Player(Referee):
    """fairy-stockfish as a player: its move and score at a node budget or a depth."""

    def search(self, fen, moves, limit):
        pos = "position startpos" if fen is None else "position fen " + fen
        if moves:
            pos += " moves " + " ".join(to_uci(m) for m in moves)
        self._send(pos)
        self._send("go " + limit)
        lines = self._until(lambda l: l.startswith("bestmove"))
        score = None
        for line in lines:
            words = line.split()
            if words[:1] == ["info"] and "score" in words:
                i = words.index("score")
                kind, value = words[i + 1], int(words[i + 2])
                score = value if kind == "cp" else (30000 - abs(value)) * (1 if value > 0 else -1)
        return from_uci(lines[-1].split()[1]), score


def play_game(player, referee, opening, rng, random_plies, nodes):
    """Plays one game; returns (positions as our FEN, result for Red)."""
    moves = list(opening)
    legal, check, key = referee.probe(None, moves)
    for _ in range(random_plies):
        if not legal:
            return [], None
        moves.append(rng.choice(sorted(legal)))
        legal, check, key = referee.probe(None, moves)
    history = [(key, check)]
    positions = []
    decided = 0
    while True:
        side = len(moves) % 2  # 0: Red to move
        if not legal:
            return positions, 0.0 if side == 0 else 1.0
        if len(moves) >= MAX_PLIES or referee.dead_draw(key):
            return positions, 0.5
        positions.append(our_fen(key))
        move, score = player.search(None, moves, "nodes %d" % nodes)
        if move not in legal:
            return positions, None
        red_score = score if side == 0 else -score
        decided = decided + 1 if score is not None and abs(score) >= DECIDED_SCORE else 0
        if decided >= DECIDED_PLIES:
            return positions, 1.0 if red_score > 0 else 0.0
        moves.append(move)
        legal, check, key = referee.probe(None, moves)
        history.append((key, check))
        ruling = repetition_ruling(history, side, 3, lambda: referee.rule_verdict(None, moves))
        if ruling:
            return positions, RESULT_FOR_RED[ruling.result]


def kept_player(context, binary):
    """This worker's fairy-stockfish player, cleared of what earlier tasks left in it."""
    def start():
        player = Player(binary)
        player._send("setoption name Hash value 16")
        return player
    return context.helper(("player", binary), start, Player.fresh)


def game_task(seed, number, opening, random_plies, nodes, binary, files, context):
    """Plays game NUMBER of the run; returns its "FEN;RESULT" lines (none for a game with no
    result)."""
    binary = files.program(binary)
    player = kept_player(context, binary)
    referee = context.helper(("referee", binary), lambda: Referee(binary), Referee.fresh)
    rng = random.Random("%d-%d-plies" % (seed, number))
    try:
        positions, result = play_game(player, referee, opening, rng, random_plies, nodes)
    except Exception:
        context.drop_helper(("player", binary))     # whatever state it is in, not again
        context.drop_helper(("referee", binary))
        raise
    if result is None:
        return []
    return ["%s;%g" % (fen, result) for fen in positions]


def make_games(out, seed, games, runner, openings_path, random_plies, nodes, binary):
    """Plays GAMES games on RUNNER (a tasks.runner.TaskRunner) and writes their positions to
    OUT in the order of the games."""
    with open(openings_path) as f:
        openings = [line.split("#")[0].split() for line in f if line.split("#")[0].strip()]
    binary = runner.files.portable(binary)
    tasks = []
    for n in range(1, games + 1):
        opening = random.Random("%d-%d" % (seed, n)).choice(openings)
        tasks.append(Task(("tune-game", n), game_task,
                          (seed, n, opening, random_plies, nodes, binary, runner.files,
                           runner.context)))
    parts = dict(runner.run(tasks, "games"))
    lines = [line for t in tasks for line in parts[t.key]]
    write_lines(out, lines)
    return len(lines)


def make_quiet(source, out, features_binary):
    """The quiescence search's end of each position, each position once."""
    with open(source) as f:
        text = f.read()
    quiet = subprocess.run([features_binary, "quiet"], input=text, capture_output=True, text=True,
                           check=True).stdout.splitlines()
    seen, lines = set(), []
    for line in quiet:
        fen = line.split(";")[0]
        if fen not in seen:
            seen.add(fen)
            lines.append(line)
    write_lines(out, lines)
    return len(lines)


def label_task(lines, depth, binary, files, context):
    """Labels a batch of "FEN;RESULT" LINES; returns those that got a score, labelled."""
    binary = files.program(binary)
    player = kept_player(context, binary)
    labelled = []
    try:
        for line in lines:
            fen = line.split(";")[0]
            player._send("ucinewgame")
            _, score = player.search(ref_fen(fen), [], "depth %d" % depth)
            if score is not None:
                labelled.append("%s;%d" % (line, score if fen.endswith(" r") else -score))
    except Exception:
        context.drop_helper(("player", binary))
        raise
    return labelled


def make_labels(source, out, depth, runner, binary):
    with open(source) as f:
        lines = f.read().splitlines()
    binary = runner.files.portable(binary)
    tasks = [Task(("tune-label", first), label_task,
                  (lines[first:first + LABEL_BATCH], depth, binary, runner.files, runner.context),
                  len(lines[first:first + LABEL_BATCH]))
             for first in range(0, len(lines), LABEL_BATCH)]
    parts = dict(runner.run(tasks, "positions"))
    labelled = [line for t in tasks for line in parts[t.key]]
    write_lines(out, labelled)
    return len(labelled)


def write_lines(path, lines):
    tmp = path + ".part"
    with open(tmp, "w") as f:
        f.write("".join(line + "\n" for line in lines))
    os.replace(tmp, path)
