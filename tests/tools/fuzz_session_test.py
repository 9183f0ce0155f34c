"""Tests of the UCI ledger of tools/fuzz_session.py, which decides from the lines sent and
received whether each go got exactly one bestmove at a time it could come. A mistake there
either hides a fault of the program or reports one it does not have."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "tools"))

import fuzz_session  # noqa: E402


def ledger_after(*events, active=True):
    """A ledger told the events in order: ">line" sent, "<line" received."""
    ledger = fuzz_session.UciLedger(active)
    for event in events:
        if event[0] == ">":
            ledger.sent(event[1:])
        else:
            ledger.received(event[1:].encode())
    return ledger


BEST = "<bestmove h2e2 ponder h9g7"


class UciLedgerTest(unittest.TestCase):
    def test_a_search_that_waits_for_a_stop_is_answered_only_after_one(self):
        self.assertIn("before stop", ledger_after(">go infinite", BEST).fault)
        self.assertIn("before stop", ledger_after(">go ponder movetime 50", BEST).fault)
        self.assertIsNone(ledger_after(">go infinite", ">stop", BEST).fault)
        # A ponder hit makes the search a timed one, unless it is also infinite.
        self.assertIsNone(ledger_after(">go ponder movetime 50", ">ponderhit", BEST).fault)
        self.assertIn("before stop", ledger_after(">go ponder infinite", ">ponderhit", BEST).fault)
        self.assertIn("before stop", ledger_after(">go infinite", ">stop", BEST, ">go ponder infinite", ">stop",
                                                  ">go infinite", ">ponderhit", BEST, BEST).fault)
        # The word after a limit is its number, whatever it says.
        self.assertIsNone(ledger_after(">go wtime infinite btime ponder", BEST).fault)
        # A refused position answers at once.
        self.assertIsNone(ledger_after(">go infinite", "<info string No position to search", "<bestmove (none)").fault)
        # One answer per go, and a well-formed one.
        self.assertIn("after only 1 go", ledger_after(">go depth 1", BEST, BEST).fault)
        self.assertIn("malformed", ledger_after(">go depth 1", "<bestmove h2e2 ponder").fault)
        ledger = ledger_after(">go depth 1", "<info depth 1 pv h2e2", "<bestmove (none)", ">go movetime 5", BEST)
        self.assertEqual((ledger.fault, ledger.answered, ledger.gos()), (None, 2, 2))

    def test_which_commands_end_a_search_and_when_its_move_is_due(self):
        for command in ["position startpos", "ucinewgame", "setoption name Clear Hash", "go depth 1"]:
            self.assertIsNone(ledger_after(">go infinite", ">" + command, BEST).fault, command)
            # The move is handed on before the next line is read: before the next readyok.
            ledger = ledger_after(">go infinite", ">" + command, ">isready", "<readyok", BEST)
            self.assertIn("readyok 1 before the bestmove of go 1", ledger.fault, command)
        # A stop's move may follow the readyok, but is then due soon.
        ledger = ledger_after(">go infinite", ">stop", ">isready", "<readyok")
        self.assertEqual((ledger.fault, ledger.stop_due, ledger.answered), (None, 1, 0))
        for command in ["isready", "uci", "debug on", "ponderhit", "quit", "stopp", "Stop",
                        "setoption name Hash value 8", "setoption name Threads value 2"]:
            self.assertIn("before stop", ledger_after(">go infinite", ">" + command, BEST).fault, command)
        self.assertIn("after only 0 isready", ledger_after("<readyok").fault)

    def test_lines_are_read_as_the_program_reads_them(self):
        # At the console, only the line "uci" itself switches to UCI.
        self.assertEqual(ledger_after("> uci", ">uci 1", ">go infinite", active=False).gos(), 0)
        self.assertEqual(ledger_after(">uci\r", ">go infinite", active=False).gos(), 1)
        # Words are split at any ASCII white space, and the line's CR is dropped.
        self.assertIn("before stop", ledger_after(">\t go \x0binfinite \r", BEST).fault)
        self.assertEqual(ledger_after(">go\x00 infinite", ">go\udcff infinite", ">gO").gos(), 0)
        self.assertIn("before stop", ledger_after(">go infinite", ">stop\udcff", BEST).fault)
        # One of our lines may hold several of the program's.
        self.assertIsNone(ledger_after(">go infinite\nstop", BEST).fault)


if __name__ == "__main__":
    unittest.main()
