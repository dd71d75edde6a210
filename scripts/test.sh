#!/usr/bin/env bash
# Sets everything up, builds the normal and the sanitizer (address, undefined) trees
# and runs every test in both.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# new_delete_type_mismatch=0: the web engine's own library trips it (not the program).
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:new_delete_type_mismatch=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
jobs=$(nproc)

status=0
echo "== normal build"
bash "$root/scripts/build.sh" build
(cd "$root/build" && ctest --output-on-failure -j "$jobs") || status=1

echo "== sanitizer build (address, undefined)"
bash "$root/scripts/build.sh" build-asan -DBRELVANO_SANITIZE=ON
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs") || status=1

exit $status
