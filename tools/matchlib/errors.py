"""MatchError: what goes wrong outside the rules of a game. A referee that dies
or answers nothing, an engine that cannot be started (a game turns that into a
loss for it), a bad opening file; a game lost by a fault is a ruling instead
(rulings.GameOver)."""


class MatchError(Exception):
    pass
