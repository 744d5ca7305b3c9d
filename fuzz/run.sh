#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) into build-fuzz and runs each for a while
# over its checked-in seeds.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     default: 60 seconds, every target
#
# New inputs that reach new code collect in build-fuzz/corpus/TARGET; a crash
# leaves its input in build-fuzz/artifacts/TARGET/ and makes the script fail.
# Fix the crash, then copy the input into fuzz/corpus/TARGET/ so the replay
# tests keep it fixed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=()
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
build="${QUORVEL_FUZZ_BUILD_DIR:-$root/build-fuzz}"

generator=()
if command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ]; then generator=(-G Ninja); fi
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVEL_FUZZ=ON -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
# Only what the fuzz targets link: the application itself is not needed.
cmake --build "$build" --parallel 2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
# The targets write every input to a file: in memory that costs far less.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

failed=()
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target"
  echo "== fuzz_$target for ${seconds}s"
  if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$target/" \
       "$build/corpus/$target" "$root/fuzz/corpus/$target" >"$build/fuzz_$target.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$build/fuzz_$target.log" || true
  else
    failed+=("$target")
    tail -n 40 "$build/fuzz_$target.log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found a crash in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
