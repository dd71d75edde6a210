#!/usr/bin/env bash
# Configures and builds one build tree: build.sh <dir> [extra cmake args...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake -S "$root" -B "$root/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
jobs=$(nproc)
cmake --build "$root/$dir" -j "$jobs"
