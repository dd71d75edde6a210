#!/usr/bin/env bash
# Runs a test program on a virtual X display with Qt's xcb platform, as the program runs for a user:
#
#   tests/display/run_on_xvfb.sh <test-program> [arguments...]
#
# The X server picks a free display itself (-displayfd) and is ended when the program ends. Exit
# status: the test program's; 77 when Xvfb is not installed.
set -u

if [ $# -lt 1 ]; then
  echo "usage: $0 <test-program> [arguments...]" >&2
  exit 2
fi
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/brelvano-xvfb.XXXXXX") || exit 1
xvfb=""
stop() {
  if [ -n "$xvfb" ]; then
    kill -TERM "$xvfb" 2>/dev/null
    local n=0
    while kill -0 "$xvfb" 2>/dev/null && [ $n -lt 30 ]; do
      sleep 0.1
      n=$((n + 1))
    done
    kill -KILL "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  fi
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 143' TERM INT HUP

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
end=$((SECONDS + 45))
until [ -s "$work/display" ] && grep -q '^[0-9]' "$work/display"; do
  if [ $SECONDS -ge $end ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "FAIL: the virtual X server did not start"
    cat "$work/xvfb.log"
    exit 1
  fi
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display" | tr -dc 0-9)"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# Under the address sanitizer: the X keyboard library duplicates strings it holds without a
# terminator (legal, with their length), which the strict string checks would take for overflows.
if [ -n "${ASAN_OPTIONS:-}" ]; then export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"; fi
"$@"
