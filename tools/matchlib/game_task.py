"""One game of a match as a task, run on whatever worker takes it: engines started for it
alone (so that nothing of an earlier game carries over), the worker's referee made fresh, and
a record of plain data for the match to count. Its outcome depends on its plan only: the
opening, the colours and the game's seed, which the engines get as QORAT_SEED (qorat's seed
of its position keys and book choices), so that a game at a fixed depth plays the same on any
worker, in any order."""

import io
import os
import socket
import threading

from .engines import Engine, UciEngine
from .errors import MatchError
from .game import Game
from .referee import Referee
from .rulings import GameOver

ENGINE_KINDS = {"xboard": Engine, "uci": UciEngine}


def game_seed(match_seed, number):
    """The seed of game NUMBER (from 1) of a match run with --seed MATCH_SEED."""
    return (match_seed * 1000003 + number) % 2 ** 32


def play_game(number, plan, opts, referee_path, files, context):
    """Plays game NUMBER (from 1) of PLAN (opening moves, label, engine 1 plays red) and
    returns its record. FILES finds the programs on this worker; CONTEXT keeps its referee
    and says when the match is stopped, at which the engines are stopped and the game ends
    unfinished."""
    moves, label, one_red = plan
    commands = (files.command(opts.engine1), files.command(opts.engine2))
    referee_path = files.program(referee_path)
    env = dict(os.environ, QORAT_SEED=str(game_seed(opts.seed, number)))
    engines = []
    for idx, proto, command, name in ((1, opts.proto1, commands[0], opts.name1),
                                      (2, opts.proto2, commands[1], opts.name2)):
        e = ENGINE_KINDS[proto](idx, command, opts, name)
        e.env = env
        engines.append(e)
    e1, e2 = engines
    red, black = (e1, e2) if one_red else (e2, e1)
    log = io.StringIO() if opts.log else None
    if log:
        log.write("# game %d, opening %s: %s\n# red: %s\n# black: %s\n# on %s\n"
                  % (number, label, " ".join(moves), red.cmd, black.cmd, socket.gethostname()))
        e1.log = e2.log = log
    stop = threading.Event()

    def on_stop():
        stop.set()
        for e in engines:
            e.stop()    # a long think ends now, not at its clock

    game = Game(opts, None, red, black, moves, number, stop)
    error = None
    try:
        with context.watching_stop(on_stop):
            try:
                game.ref = context.helper(("referee", referee_path),
                                          lambda: Referee(referee_path), Referee.fresh)
                g = game.play()
            except (MatchError, OSError) as err:
                context.drop_helper(("referee", referee_path))
                error = "game %d: %s" % (number, err)
                g = GameOver("*", "referee failure: %s" % err)
            except Exception as err:    # the match still counts the games around it
                error = "game %d: runner error: %r" % (number, err)
                g = GameOver("*", "runner error")
            if stop.is_set() and g.kind is not None:
                # A fault once the match is stopping comes from the stop, which kills the
                # engines of the games still going.
                g = GameOver("*", "aborted: %s" % g.reason)
            end_game(g, red, black)
    finally:
        for e in engines:
            e.stop()
    rn, bn = red.name, black.name
    if rn == bn:
        rn, bn = "%s#%d" % (rn, red.idx), "%s#%d" % (bn, black.idx)
    if log:
        log.write("# moves: %s\n# result: %s {%s} %d plies\n"
                  % (" ".join(game.moves), g.result, g.reason, len(game.moves)))
    return {"n": number, "red": rn, "black": bn, "result": g.result, "reason": g.reason,
            "plies": len(game.moves), "one_red": one_red,
            "loser": g.loser.idx if g.loser else None, "kind": g.kind, "label": label,
            "ranks": {1: e1.ranks.mode, 2: e2.ranks.mode}, "error": error,
            "log": log.getvalue() if log else None}


def end_game(g, red, black):
    """Tells both engines how game G ended, as a front end would."""
    for e in (red, black):
        if not e.alive():
            continue
        e.send("force")
        e.send("result %s {%s}" % (g.result, g.reason))
        e.playing = False
        if e.sync() is None:
            e.stop()
