#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless.
# Exits non-zero on any failure, and when no test ran at all.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/install-deps.sh"
"$here/build.sh"
cd "$here/../${QUORVEL_BUILD_DIR:-build}"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure --no-tests=error --timeout 300
