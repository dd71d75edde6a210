#!/usr/bin/env bash
# Fails when the program (its file the argument) loads the web engine, Qt Quick or QML at start:
# those come with the web engine module only when a map opens.
set -euo pipefail
program="$1"
if [ ! -x "$program" ]; then
  echo "no program at $program"
  exit 1
fi
hits=$(ldd "$program" | grep -E 'libQt6(WebEngine|Quick|Qml)' || true)
if [ -n "$hits" ]; then
  echo "the program loads at start:"
  echo "$hits"
  exit 1
fi
echo "program libraries: no web engine, Qt Quick or QML"
