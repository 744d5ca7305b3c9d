#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# once in the normal build, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each fuzz target for a few seconds
# (QUORVEL_FUZZ_SECONDS, default 5; QUORVEL_SKIP_FUZZ=1 skips it). Exits
# non-zero on any failure, and when no test ran at all. Tests run on every
# core, except those on a private bus, which run alone.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
"$here/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

"$here/build.sh"
(cd "$root/${QUORVEL_BUILD_DIR:-build}" && ctest --output-on-failure --no-tests=error --timeout 300 -j "$(nproc)")

if [ "${QUORVEL_SKIP_SANITIZERS:-0}" != 1 ]; then
  QUORVEL_BUILD_DIR=build-sanitize "$here/build.sh" -DQUORVEL_SANITIZE=ON -DQUORVEL_BUILD_BENCH=OFF
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
  # The desktop tests start the application under Xvfb; they ran above.
  (cd "$root/build-sanitize" && ctest --output-on-failure --no-tests=error --timeout 600 -LE desktop -j "$(nproc)")
fi

# Hostile input: a short libFuzzer run of every target over its seeds, built
# with clang into build-fuzz (only the libraries the targets link).
if [ "${QUORVEL_SKIP_FUZZ:-0}" != 1 ]; then
  "$root/fuzz/run.sh" "${QUORVEL_FUZZ_SECONDS:-5}"
fi
