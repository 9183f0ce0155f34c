#!/usr/bin/env bash
# CPU used by the program while it waits at the prompt: starts build/qorat with an input
# that stays open and silent, and reads its CPU time from /proc before and after a wait.
# Usage: bench/idle_cpu.sh [SECONDS]   (default 10)
set -euo pipefail

seconds=${1:-10}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program="$root/build/qorat"
[[ -x $program ]] || make -C "$root" all >/dev/null

work=$(mktemp -d)
trap 'kill "$pid" "$holder" 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/input"
# Hold the input open without writing, as a person thinking at the console does.
sleep $((seconds + 30)) >"$work/input" &
holder=$!
"$program" <"$work/input" >/dev/null 2>&1 &
pid=$!
sleep 1

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle at the prompt for %d s: %.3f s of CPU, %.2f%% of one core\n", s, t / hz, 100 * t / hz / s }'
