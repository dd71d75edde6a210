#!/usr/bin/env bash
# Fuzzes the parsers: builds the fuzz targets of tests/fuzz with clang and libFuzzer (address and
# undefined-behaviour sanitizers) in build-fuzz, then runs one target, or every target in turn.
#   scripts/fuzz.sh TARGET|all [SECONDS]        (default: all, 60 seconds each)
# The corpus a run grows is kept in build-fuzz/corpus/TARGET (the repository's seeds and
# reproducers are read, never written); a crash or a broken invariant leaves its input in
# build-fuzz/findings/TARGET/. Environment: FUZZ_JOBS (build jobs, 3), FUZZ_ARGS (more libFuzzer
# options).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-all}"
seconds="${2:-60}"
tree="$root/build-fuzz"

# clang and its libFuzzer runtime.
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  echo "fuzz: installing clang and libFuzzer"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends clang libclang-rt-dev
fi

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DBRELVANO_FUZZ=ON -DBRELVANO_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$tree" -j "${FUZZ_JOBS:-3}" --target fuzz_targets

targets=()
if [ "$target" = all ]; then
  for f in "$root"/tests/fuzz/targets/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
else
  [ -f "$root/tests/fuzz/targets/$target.cpp" ] || { echo "fuzz: no target named $target"; exit 2; }
  targets=("$target")
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for t in "${targets[@]}"; do
  corpus="$tree/corpus/$t"
  findings="$tree/findings/$t"
  mkdir -p "$corpus" "$findings"
  inputs=("$corpus" "$root/tests/fuzz/corpus/$t")
  [ -d "$root/tests/fuzz/reproducers/$t" ] && inputs+=("$root/tests/fuzz/reproducers/$t")
  echo "== fuzzing $t for $seconds s"
  # shellcheck disable=SC2086
  "$tree/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=30 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$findings/" ${FUZZ_ARGS:-} "${inputs[@]}" || status=1
done
exit $status
