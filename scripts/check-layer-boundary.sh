#!/usr/bin/env bash
# Fails when program code outside the platform layer includes a Qt, terminal, udev, iconv or
# dynamic-loading header: the program reaches those only through the layer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]*|Qt[A-Za-z]*/[^>"]*|termios\.h|sys/termios\.h|libudev\.h|iconv\.h|dlfcn\.h|pty\.h)[>"]'
hits=$(cd "$root" && grep -rnE "$pattern" src --include='*.cpp' --include='*.h' | grep -v '^src/platform/' | grep -v '^src/resources/lang/tools/' || true)
if [ -n "$hits" ]; then
  echo "program code includes platform headers directly:"
  echo "$hits"
  exit 1
fi
echo "layer boundary: 0 violations"
