"""The match runner behind tools/match.py, one concept a module (README.md's map of
the tree says what each holds). A module imports only those before it in this order:
errors, notation, rulings, referee, engines, game, openings, statistics, game_task, runner,
cli. The games run through the task layer, the package tasks beside this one."""
