#!/usr/bin/env bash
# Installs the peer engines used by tools/match.py, plus xboard (protocol
# docs) and xvfb. Only missing packages are installed. Needs root (or sudo).
# Debian puts the engines under /usr/games, which is often not on PATH.
set -euo pipefail

pkgs=(fairy-stockfish hoichess sjaakii xboard xvfb)

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
  echo "all peers installed: ${pkgs[*]}"
else
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
      echo "error: need root to install: ${missing[*]}" >&2; exit 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

for b in fairy-stockfish hoixiangqi sjaakii; do
  if path=$(command -v "$b" 2>/dev/null); then echo "$b: $path"
  elif [[ -x /usr/games/$b ]]; then echo "$b: /usr/games/$b"
  else echo "$b: not found" >&2; fi
done
