#!/usr/bin/env bash
# Self-play: one qorat binary against another with tools/match.py, to judge a
# change by its Elo (the pentanomial figure counts pairs of games on one line).
# Usage: bench/selfplay.sh BASE [match.py options...]
#   BASE: the binary to compare with, e.g. a copy of an earlier build
#         (cp build/qorat /tmp/qorat-base); it is engine 2.
#   e.g.  bench/selfplay.sh /tmp/qorat-base --sprt 0,5
#         bench/selfplay.sh /tmp/qorat-base --games 40
# Both engines run in xboard mode without book, with the same search and hash
# size, at --tc 0:02+0.02, two games at a time, on 1000 opening lines that
# tools/make_openings.py --seed 1 writes to build/ when the file is missing
# (2000 games unless --games or --sprt ends sooner). Options given here
# (--tc or --st, --concurrency, --openings ...) replace these defaults.
# On a Dask cluster of several machines (--scheduler tcp://HOST:PORT, see
# README.md), both binaries are at the same paths on every machine, or in one
# folder given with --engine-dir DIR and named from it (QORAT=DIR/qorat and
# DIR/base as BASE).
# Env: QORAT, engine 1 (default build/qorat); SEARCH (default pvs) and
# BASE_SEARCH (default SEARCH), the Search option of each; HASH, MB (default 64);
# OVERHEAD, the move overhead in ms of each (default 10).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [[ $# -lt 1 || $1 == -* ]]; then
  sed -n '2,21s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
  exit 2
fi
base=$1
shift
new=${QORAT:-$root/build/qorat}
for bin in "$new" "$base"; do
  [[ -x $bin && -f $bin ]] || { echo "error: $bin is no executable file" >&2; exit 1; }
done
search=${SEARCH:-pvs}
hash=${HASH:-64}
# The match runner's pipes cost a millisecond, not a front end's tens; a build older than the
# setting answers it with an error, which the runner only logs.
overhead=${OVERHEAD:-10}

defaults=(--tc 0:02+0.02)
openings=$root/build/selfplay-openings-1.txt
for a in "$@"; do
  [[ $a == --st || $a == --tc ]] && defaults=()
  [[ $a == --openings ]] && openings=""
done
if [[ -n $openings ]]; then
  if [[ ! -s $openings ]]; then
    echo "making $openings (a few minutes, once)" >&2
    mkdir -p "$root/build"
    python3 "$root/tools/make_openings.py" --seed 1 --count 1000 --out "$openings"
  fi
  defaults+=(--openings "$openings")
fi

# The match runner's tasks need Debian's python3-distributed, which serves /usr/bin/python3.
exec /usr/bin/python3 "$root/tools/match.py" \
  --engine1 "$new -xboard" --name1 "$(basename "$new")" --ranks1 0 \
  --init1 "option Search=$search" --init1 "memory $hash" \
  --init1 "option Opening book=0" --init1 "option Move overhead (ms)=$overhead" \
  --engine2 "$base -xboard" --name2 "$(basename "$base")" --ranks2 0 \
  --init2 "option Search=${BASE_SEARCH:-$search}" --init2 "memory $hash" \
  --init2 "option Opening book=0" --init2 "option Move overhead (ms)=$overhead" \
  --concurrency 2 "${defaults[@]}" "$@"
