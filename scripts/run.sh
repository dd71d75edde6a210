#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine, builds Brelvano and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" build
exec "$root/build/src/brelvano" "$@"
