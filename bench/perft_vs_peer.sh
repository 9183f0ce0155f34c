#!/usr/bin/env bash
# Times our perft against fairy-stockfish's from the start position. Both times are
# wall clock from the launch of the process to its exit, so both include start-up
# (for the peer: its start, the UCI handshake and the variant set-up).
# Usage: bench/perft_vs_peer.sh [DEPTH]   (default 5)
# Env:   PERFT_TIMEOUT  seconds allowed per side (default 900)
set -euo pipefail

depth=${1:-5}
case $depth in
  ''|*[!0-9]*) echo "usage: $0 [DEPTH]" >&2; exit 2 ;;
esac
limit=${PERFT_TIMEOUT:-900}

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ours="$root/build/qorat-perft"

start_ours="rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR r"
# Same position in the peer's notation: n = horse, b = elephant, w = Red.
start_peer="rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1"

# Known leaf counts of the start position.
expected=""
case $depth in
  1) expected=44 ;;
  2) expected=1920 ;;
  3) expected=79666 ;;
  4) expected=3290240 ;;
  5) expected=133312995 ;;
esac

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# --- our side --------------------------------------------------------------
if [[ ! -x $ours ]]; then
  echo "build/qorat-perft missing, running: make -C $root perft"
  make -C "$root" perft || { echo "error: make perft failed" >&2; exit 1; }
fi
if [[ ! -x $ours ]]; then
  echo "error: $ours still missing after make" >&2
  exit 1
fi

# --- the peer --------------------------------------------------------------
find_peer() {
  if command -v fairy-stockfish 2>/dev/null; then return 0; fi
  # Debian installs it under /usr/games, which is often not on PATH.
  if [[ -x /usr/games/fairy-stockfish ]]; then echo /usr/games/fairy-stockfish; return 0; fi
  return 1
}

peer=""
if ! peer=$(find_peer); then
  peer=""
  if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null 2>&1; then
    echo "installing fairy-stockfish with apt-get..."
    export DEBIAN_FRONTEND=noninteractive
    if ! apt-get install -y -qq fairy-stockfish >/dev/null 2>&1; then
      apt-get update -qq >/dev/null 2>&1 || true
      apt-get install -y -qq fairy-stockfish >/dev/null 2>&1 || true
    fi
    peer=$(find_peer) || peer=""
  fi
fi

# Runs the peer's perft; prints "NODES SECONDS". Like ours, the clock runs from
# the launch of the process to its exit, start-up included.
run_peer() {
  local line nodes="" t0 t1
  t0=$(now)
  coproc PEER { exec timeout "$limit" "$peer" 2>/dev/null; }
  local in=${PEER[1]} out=${PEER[0]} pid=$PEER_PID
  printf 'uci\nsetoption name UCI_Variant value xiangqi\nposition fen %s\ngo perft %s\n' \
    "$start_peer" "$depth" >&"$in"
  # Wait for the total before sending quit; quitting early would cut perft short.
  while IFS= read -r -t "$limit" line <&"$out"; do
    if [[ $line == "Nodes searched"* ]]; then
      nodes=${line##*: }
      nodes=${nodes//[!0-9]/}
      break
    fi
  done
  { printf 'quit\n' >&"$in"; } 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  t1=$(now)
  [[ -n $nodes ]] || return 1
  echo "$nodes $(elapsed "$t0" "$t1")"
}

check() {  # name count
  if [[ -z $expected ]]; then
    printf '%-16s %s nodes (no reference count for depth %s)\n' "$1" "$2" "$depth"
  elif [[ $2 == "$expected" ]]; then
    printf '%-16s %s nodes, ok\n' "$1" "$2"
  else
    printf '%-16s %s nodes, MISMATCH: expected %s\n' "$1" "$2" "$expected"
    status=1
  fi
}

status=0
echo "perft $depth from the start position (times: process launch to exit, start-up included for both)"

t0=$(now)
our_out=$(timeout "$limit" "$ours" "$start_ours" "$depth") || {
  echo "error: qorat-perft failed or timed out after ${limit}s" >&2; exit 1; }
t1=$(now)
our_nodes=$(printf '%s\n' "$our_out" | tail -n 1 | tr -dc '0-9')
our_time=$(elapsed "$t0" "$t1")
check qorat "$our_nodes"

if [[ -z $peer ]]; then
  echo "note: fairy-stockfish not available, timing ours alone"
  printf '%-16s %s s\n' qorat "$our_time"
  exit "$status"
fi

if ! peer_res=$(run_peer); then
  echo "note: fairy-stockfish gave no node count within ${limit}s, timing ours alone"
  printf '%-16s %s s\n' qorat "$our_time"
  exit 1
fi
read -r peer_nodes peer_time <<<"$peer_res"
check fairy-stockfish "$peer_nodes"
if [[ $our_nodes != "$peer_nodes" ]]; then
  echo "counts differ: qorat $our_nodes, fairy-stockfish $peer_nodes"
  status=1
fi

printf '%-16s %s s\n' qorat "$our_time"
printf '%-16s %s s\n' fairy-stockfish "$peer_time"
awk -v a="$our_time" -v b="$peer_time" \
  'BEGIN { if (b > 0) printf "ratio qorat/fairy-stockfish: %.2f\n", a / b; else print "ratio: n/a" }'
exit "$status"
