#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvel; image paths given
# here become the batch.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/install-deps.sh"
"$here/build.sh" >/dev/null
exec "$here/../${QUORVEL_BUILD_DIR:-build}/src/app/quorvel" "$@"
