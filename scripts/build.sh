#!/usr/bin/env bash
# Configures and builds into ./build (or $QUORVEL_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${QUORVEL_BUILD_DIR:-build}"
generator=()
if command -v ninja >/dev/null 2>&1 && [ ! -f "$build_dir/Makefile" ]; then generator=(-G Ninja); fi
# A compiler cache, where one is installed, makes rebuilds of other work trees cheap.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE="${QUORVEL_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
