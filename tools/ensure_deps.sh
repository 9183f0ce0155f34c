#!/usr/bin/env bash
# Checks what building (and with "test", testing) qorat needs, and installs what is missing
# from Debian's packages when it may: as root, or through sudo without a password.
# Usage: tools/ensure_deps.sh [build|test]   (default build)
#   build: cmake 3.20 or newer, a C++20 compiler ($CXX, else g++), make
#   test:  the same, and GoogleTest (libgtest-dev), python3, Debian's numpy, scipy,
#          distributed (Dask's scheduler, on which matches and data runs play) and torch
#          (the learned evaluation's trainer), and fairy-stockfish (the matches' referee)
# Google Benchmark (libbenchmark-dev) is optional and never asked for. When nothing is
# missing it only looks, and says nothing; otherwise it runs apt-get update and
# apt-get install, or stops with one line saying what to install.
set -uo pipefail

mode=${1:-build}
case $mode in
  build|test) ;;
  *) echo "usage: $0 [build|test]" >&2; exit 2 ;;
esac

cxx=${CXX:-g++}
missing=()    # Debian packages
why=()        # what each stands for, for the message

cmake_ok() {
  local version major minor
  version=$(cmake --version 2>/dev/null | head -n 1) || return 1
  version=${version##* }
  major=${version%%.*}
  minor=${version#*.}
  minor=${minor%%.*}
  [[ $major =~ ^[0-9]+$ && $minor =~ ^[0-9]+$ ]] || return 1
  (( major > 3 || (major == 3 && minor >= 20) ))
}

cxx20_ok() {
  command -v "$cxx" >/dev/null 2>&1 || return 1
  printf '#if __cplusplus < 202002L\n#error not C++20\n#endif\n' |
    "$cxx" -std=c++20 -fsyntax-only -x c++ - >/dev/null 2>&1
}

gtest_ok() {
  [[ -f /usr/include/gtest/gtest.h || -f /usr/local/include/gtest/gtest.h ]] || return 1
  compgen -G "/usr/lib/*/libgtest.*" >/dev/null || compgen -G "/usr/lib/libgtest.*" >/dev/null ||
    compgen -G "/usr/local/lib/libgtest.*" >/dev/null || compgen -G "/usr/local/lib/*/libgtest.*" >/dev/null
}

check() {
  missing=()
  why=()
  cmake_ok || { missing+=(cmake); why+=("cmake 3.20 or newer"); }
  cxx20_ok || { missing+=(g++); why+=("a C++20 compiler ($cxx)"); }
  command -v make >/dev/null 2>&1 || { missing+=(make); why+=(make); }
  if [[ $mode == test ]]; then
    gtest_ok || { missing+=(libgtest-dev); why+=(GoogleTest); }
    command -v python3 >/dev/null 2>&1 || { missing+=(python3); why+=(python3); }
    # The tuning pipeline's fit is tested too; it reads Debian's numpy and scipy.
    /usr/bin/python3 -c "import numpy, scipy" >/dev/null 2>&1 ||
      { missing+=(python3-numpy python3-scipy); why+=("numpy and scipy for /usr/bin/python3"); }
    # Matches and the tuning data run as tasks on Dask's scheduler.
    /usr/bin/python3 -c "import distributed" >/dev/null 2>&1 ||
      { missing+=(python3-distributed); why+=("Dask's distributed for /usr/bin/python3"); }
    # The learned evaluation's trainer is tested on a small fixture.
    /usr/bin/python3 -c "import torch" >/dev/null 2>&1 ||
      { missing+=(python3-torch); why+=("torch for /usr/bin/python3"); }
    # The referee of every match, also of the tests that play them on a cluster.
    [[ -x /usr/games/fairy-stockfish ]] || command -v fairy-stockfish >/dev/null 2>&1 ||
      { missing+=(fairy-stockfish); why+=(fairy-stockfish); }
  fi
  [[ ${#missing[@]} -eq 0 ]]
}

check && exit 0

joined() { local out; out=$(printf '%s, ' "$@"); echo "${out%, }"; }

sudo=""
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo="sudo -n"
  else
    echo "error: missing $(joined "${why[@]}"); install with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
if ! command -v apt-get >/dev/null 2>&1; then
  echo "error: missing $(joined "${why[@]}") (Debian packages: ${missing[*]}), and no apt-get here to install them" >&2
  exit 1
fi

echo "installing ${missing[*]} for $(joined "${why[@]}")"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get update -qq >/dev/null ||
   ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
  echo "error: apt-get could not install ${missing[*]}; install with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

if ! check; then
  echo "error: still missing after apt-get install: $(joined "${why[@]}")" >&2
  exit 1
fi
