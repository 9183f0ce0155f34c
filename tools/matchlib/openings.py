"""The opening lines of a match, read from their file and checked move by move
by the referee."""

from .errors import MatchError
from .notation import MOVE_RE


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
