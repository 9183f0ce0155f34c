#!/usr/bin/env bash
# Plays whole games under Debian's xboard in a virtual display, qorat against itself or a
# peer, and reads xboard's debug log for anything a user would call a fault: an unfinished
# game, an engine's error or refused move, a false claim, a loss on time.
# Usage: bench/xboard_match.sh [-n GAMES] [-t MINUTES:SECONDS] [-i INCREMENT] [-b QORAT] [-e OTHER]
#                              [-x "XBOARD OPTIONS"]
#   defaults: 2 games at 0:20 + 1 s, build/qorat against itself; -x passes options to xboard,
#   e.g. -x "-ponderNextMove true -defaultHashSize 32 -smpCores 1"; XBOARD_LOG=FILE keeps the
#   debug log.
# Exit status: 0 all good, 1 a fault was found, 77 xboard or xvfb-run is missing (skipped).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
games=2 tc=0:20 inc=1 ours="$root/build/qorat" other="" extra=""
while getopts "n:t:i:b:e:x:" flag; do
  case $flag in
    n) games=$OPTARG ;;
    t) tc=$OPTARG ;;
    i) inc=$OPTARG ;;
    b) ours=$OPTARG ;;
    e) other=$OPTARG ;;
    x) extra=$OPTARG ;;
    *) sed -n '2,10p' "$0"; exit 2 ;;
  esac
done
other=${other:-$ours}

xboard=$(command -v xboard || ls /usr/games/xboard 2>/dev/null)
if [[ -z $xboard ]] || ! command -v xvfb-run >/dev/null; then
  echo "skipped: xboard or xvfb-run is missing (bench/install_peers.sh installs them)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log=$work/xboard.debug
pgn=$work/games.pgn
# qorat starts with -xboard, as xboard's engine list starts it (the plugin file's command
# line), a peer bare; both from the folder of the book; xboard neither reads nor writes the
# user's settings.
second=$other
[[ $other == "$ours" ]] && second="$other -xboard"
limit=$(( games * 600 ))
timeout "$limit" xvfb-run -a "$xboard" -variant xiangqi \
  -fcp "$ours -xboard" -fd "$root" -scp "$second" -sd "$root" \
  -matchGames "$games" -tc "$tc" -inc "$inc" -autoCallFlag true -xexit -debugMode true \
  -settingsFile "$work/xboardrc" -saveSettingsOnExit false \
  -nameOfDebugFile "$log" -saveGameFile "$pgn" $extra >"$work/xboard.out" 2>&1
status=$?
# XBOARD_LOG names a file to keep xboard's debug log in.
[[ -n ${XBOARD_LOG:-} && -f $log ]] && cp "$log" "$XBOARD_LOG"

faults=0
report() { echo "FAULT: $*"; faults=$((faults + 1)); }

[[ $status -eq 0 ]] || report "xboard ended with status $status"
results=$(grep -c '^\[Result "\(1-0\|0-1\|1/2-1/2\)"\]' "$pgn" 2>/dev/null)
[[ ${results:-0} -eq $games ]] || report "${results:-0} of $games games finished with a result"
grep -E '^[0-9]+ <(first|second) ?: .*(Error \(|Illegal move|tellusererror)' "$log" | head -5 |
  while read -r line; do echo "FAULT: engine said: $line"; done
grep -qE '^[0-9]+ <(first|second) ?: .*(Error \(|Illegal move|tellusererror)' "$log" && faults=$((faults + 1))
grep -iE 'GameEnds\(.*(false|claim|illegal|invalid|forfeit|flag|on time|time)' "$log" | head -5 |
  while read -r line; do echo "FAULT: $line"; done
grep -qiE 'GameEnds\(.*(false|claim|illegal|invalid|forfeit|flag|on time|time)' "$log" && faults=$((faults + 1))

echo "games: $games at $tc + $inc s, $(basename "$ours") against $(basename "$other")"
grep -E '^GameEnds\([0-9]+, [^(]' "$log" | sed 's/^/  /' | sort -u
grep -h 'final score' "$work/xboard.out" | sed 's/^xboard: /  /'
if [[ $faults -eq 0 ]]; then
  echo "outcome: every game finished by rule; no engine error, refused move, false claim or loss on time"
  exit 0
fi
echo "outcome: $faults kind(s) of fault; debug log kept in $log"
trap - EXIT
exit 1
