#!/usr/bin/python3
"""Engine-vs-engine Xiangqi matches over xboard or UCI, judged by fairy-stockfish: the
command line of the match runner in tools/matchlib/ (--help is its manual)."""

import sys

from matchlib.cli import main

if __name__ == "__main__":
    sys.exit(main())
