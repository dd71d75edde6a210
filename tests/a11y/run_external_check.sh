#!/usr/bin/env bash
# The accessibility check from outside the program: the built program runs on a virtual X display
# with the accessibility bus, against the simulated tracker, and an AT-SPI client (external_check.py)
# finds and presses its buttons and reads its log and tab strip as a screen reader would.
#
#   tests/a11y/run_external_check.sh <build-dir>
#
# Everything happens in a temporary folder (program, language libraries, a local definition file,
# the registry file, home and configuration folders), removed at the end. The whole run is bounded
# by BRELVANO_A11Y_TIMEOUT seconds (default 240); every process started is ended on exit. Prints
# PASS/FAIL lines; exit status 0 only when every check passed (77 when a needed tool is missing).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# ---------------------------------------------------------------------------------------------
# Inner part: runs inside its own session bus (dbus-run-session), with the work folder prepared.
if [ "${1:-}" = "--inner" ]; then
  work=$2
  pids=()
  stop_all() {
    # Last started first: the program, the simulator, the bus launcher, the X server.
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -TERM "${pids[$i]}" 2>/dev/null; done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
      local n=0
      # Up to 3 s for the process to go, then it is killed.
      while kill -0 "${pids[$i]}" 2>/dev/null && [ $n -lt 30 ]; do
        sleep 0.1
        n=$((n + 1))
      done
      kill -KILL "${pids[$i]}" 2>/dev/null
      wait "${pids[$i]}" 2>/dev/null
    done
  }
  trap stop_all EXIT
  trap 'exit 143' TERM INT HUP

  # Polls a command until it succeeds or the deadline (seconds) passes.
  wait_for() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
      [ $SECONDS -ge $end ] && return 1
      sleep 0.1
    done
  }
  has_line() { [ -s "$1" ] && grep -q "$2" "$1"; }

  # The X server picks a free display itself and writes its number when it is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  if ! wait_for 45 has_line "$work/display" '^[0-9]'; then
    echo "FAIL: the virtual X server did not start (see below)"
    cat "$work/xvfb.log"
    exit 1
  fi
  export DISPLAY=":$(head -n1 "$work/display" | tr -dc 0-9)"

  # The accessibility bus; the registry daemon is started by that bus on the first request.
  launcher=""
  for f in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
    [ -x "$f" ] && launcher=$f && break
  done
  if [ -n "$launcher" ]; then
    "$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
    pids+=($!)
  fi
  bus_ready() {
    dbus-send --session --print-reply --reply-timeout=2000 --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1
  }
  if ! wait_for 45 bus_ready; then
    echo "FAIL: the accessibility bus did not start"
    [ -f "$work/atspi.log" ] && cat "$work/atspi.log"
    exit 1
  fi
  echo "PASS: display $DISPLAY and the accessibility bus are up"

  export PLATFORM_REGISTRY_FILE="$work/registry.txt"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
  export XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/runtime"
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

  # The simulated tracker (identity VR835, buyer AB, firmware 32, voice) registers its port.
  "$work/brelvano-devsim" --tracker --voice 1 >"$work/devsim.out" 2>"$work/devsim.err" &
  pids+=($!)
  if ! wait_for 30 has_line "$work/devsim.out" '^port: /dev/'; then
    echo "FAIL: the simulated device did not start"
    cat "$work/devsim.err"
    exit 1
  fi
  port=$(sed -n 's#^port: /dev/##p' "$work/devsim.out" | head -n1)
  echo "PASS: the simulated tracker listens on /dev/$port"

  # The program starts with English texts and that port chosen (the settings of a previous run).
  if ! "$PYTHON3" "$here/seed_registry.py" "$PLATFORM_REGISTRY_FILE" "$port" 9; then
    echo "FAIL: cannot write the program's settings into $PLATFORM_REGISTRY_FILE"
    exit 1
  fi

  # Under the address sanitizer: the X keyboard library duplicates strings it holds without a
  # terminator (legal, with their length), which the strict string checks would take for overflows.
  asan="${ASAN_OPTIONS:-}"
  [ -n "$asan" ] && asan="$asan:strict_string_checks=0"
  (cd "$work/app" && exec env QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
     ASAN_OPTIONS="$asan" ./brelvano) >"$work/program.log" 2>&1 &
  program=$!
  pids+=($program)

  "$PYTHON3" "$here/external_check.py" --pid "$program" --deadline "${A11Y_CLIENT_SECONDS:-45}" \
    --tabs "$A11Y_TABS"
  status=$?
  if [ $status -eq 0 ]; then
    # The client saw the program end after the exit question; it must have ended cleanly.
    wait "$program"
    program_status=$?
    # Reaped: its number may be given to another process now, so it is never signalled again.
    kept=()
    for p in "${pids[@]}"; do [ "$p" != "$program" ] && kept+=("$p"); done
    pids=("${kept[@]}")
    if [ $program_status -eq 0 ]; then
      echo "PASS: the program exited with status 0"
    else
      echo "FAIL: the program exited with status $program_status"
      status=1
    fi
  fi
  if [ $status -ne 0 ] && [ -s "$work/program.log" ]; then
    echo "--- the program's output:"
    tail -n 120 "$work/program.log"
  fi
  exit $status
fi

# ---------------------------------------------------------------------------------------------
# Outer part: checks the tools, prepares the work folder and runs the inner part under a deadline.
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <build-dir>" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
program="$build/src/brelvano"
devsim="$build/tools/devsim/brelvano-devsim"
for f in "$program" "$devsim" "$build/src/Quorafen.so" "$build/src/Mirabost.so"; do
  if [ ! -f "$f" ]; then
    echo "FAIL: $f is missing (build the brelvano and brelvano-devsim targets first)"
    exit 1
  fi
done
for tool in Xvfb dbus-run-session dbus-send timeout; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
# A Python 3 with the AT-SPI bindings: the one given in PYTHON3, else python3, else the system's.
found=""
for candidate in ${PYTHON3:-} python3 /usr/bin/python3; do
  if "$candidate" -c 'import pyatspi' >/dev/null 2>&1; then
    found=$candidate
    break
  fi
done
if [ -z "$found" ]; then
  echo "SKIP: no python3 with pyatspi (Debian packages python3-pyatspi, gir1.2-atspi-2.0)"
  exit 77
fi
export PYTHON3=$found

work=$(mktemp -d "${TMPDIR:-/tmp}/brelvano-a11y.XXXXXX") || exit 1
runner=""
cleanup() {
  # Stopped from outside: the run's own process group is ended through timeout, which passes the
  # signal on to all of it.
  if [ -n "$runner" ] && kill -0 "$runner" 2>/dev/null; then
    kill -TERM "$runner" 2>/dev/null
    wait "$runner" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# The program's folder: the program, its language libraries and the local definition of the
# simulated tracker (three pages).
mkdir -p "$work/app/Language XML"
cp "$program" "$build/src/Quorafen.so" "$build/src/Mirabost.so" "$work/app/" || exit 1
cp "$devsim" "$work/" || exit 1
{
  echo '<brelvano S="$T" D=";" cmd="SHDC" res="SDRDH" V="1">'
  echo '<grp id="1" title="General" hdr="GEN"></grp>'
  echo '<grp id="1" title="Report" hdr="RPT"></grp>'
  echo '<grp id="1" title="Service" hdr="SVC"></grp>'
  echo '</brelvano>'
} >"$work/app/Language XML/BrelvanoParam_VR835_AB_32_Voice_Eng.xml" || exit 1
# The tab titles the client expects to read, in the definition's order.
export A11Y_TABS="General,Report,Service"
# Only the buses started for this run are used.
unset AT_SPI_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY

seconds=${BRELVANO_A11Y_TIMEOUT:-240}
# The client gets the time that is left after starting the servers, with a margin for cleanup.
export A11Y_CLIENT_SECONDS=$((seconds > 25 ? seconds - 15 : 10))
# timeout ends the whole process group of the inner part when the deadline passes.
timeout -k 5 "$seconds" dbus-run-session -- bash "$here/run_external_check.sh" --inner "$work" &
runner=$!
wait "$runner"
status=$?
runner=""
if [ $status -eq 124 ] || [ $status -eq 137 ]; then
  echo "FAIL: the check did not finish within $seconds seconds"
  status=1
fi
if [ $status -eq 0 ]; then
  echo "PASS: external accessibility check"
else
  echo "FAIL: external accessibility check (status $status)"
fi
exit $status
