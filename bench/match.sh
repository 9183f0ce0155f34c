#!/usr/bin/env bash
# Plays our engine against a peer with tools/match.py.
# Usage: bench/match.sh [PEER] [match.py options...]
#   PEER: fairy-stockfish (default), hoixiangqi or sjaakii
# Defaults: --st 1, all lines of bench/openings.txt twice.
# Rank numbering is pinned per engine, not guessed: in xboard mode our engine
# and each known peer write and read ranks 0-9 (each answers h2e2 with b9c7).
# Env: QORAT (default build/qorat), MATCH_TIMEOUT seconds (default 7200).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
peer=${1:-fairy-stockfish}
[[ $# -gt 0 ]] && shift

find_bin() {
  command -v "$1" 2>/dev/null && return 0
  [[ -x /usr/games/$1 ]] && { echo "/usr/games/$1"; return 0; }
  return 1
}

case $peer in
  fairy-stockfish) bin=$(find_bin fairy-stockfish) || bin=""; cmd=$bin;           ranks=0 ;;
  hoixiangqi)      bin=$(find_bin hoixiangqi) || bin="";      cmd="$bin -x on";   ranks=0 ;;
  sjaakii)         bin=$(find_bin sjaakii) || bin="";         cmd="$bin -xboard"; ranks=0 ;;
  *) echo "usage: $0 [fairy-stockfish|hoixiangqi|sjaakii] [match.py options]" >&2; exit 2 ;;
esac
if [[ -z $bin ]]; then
  echo "error: $peer not found; run bench/install_peers.sh" >&2
  exit 1
fi

ours=${QORAT:-$root/build/qorat}
if [[ ! -x $ours ]]; then
  echo "error: $ours missing; build it first" >&2
  exit 1
fi

has_time=0
for a in "$@"; do [[ $a == --st || $a == --tc ]] && has_time=1; done
extra=()
[[ $has_time -eq 0 ]] && extra=(--st 1)

# The match runner's pipes cost a millisecond, not a front end's tens: ours keeps back what
# fairy-stockfish keeps by default for each move.
# The match runner's tasks need Debian's python3-distributed, which serves /usr/bin/python3.
exec timeout "${MATCH_TIMEOUT:-7200}" /usr/bin/python3 "$root/tools/match.py" \
  --engine1 "$ours -xboard" --ranks1 0 --init1 "option Move overhead (ms)=10" \
  --engine2 "$cmd" --ranks2 "$ranks" "${extra[@]}" "$@"
