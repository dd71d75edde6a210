#!/usr/bin/env bash
# Configures and builds one build tree: build.sh <dir> [extra cmake args...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
# A compiler cache, where the machine has one, makes a tree built again (or a second work tree) quick.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
jobs=$(nproc)
cmake --build "$root/$dir" -j "$jobs"
