#!/bin/sh
# Runs a test as an ordinary user: as it is when it already runs as one, as
# nobody (no groups, no capabilities) when it runs as root. A build that
# nobody cannot reach (a clone in /root) is copied first to a folder of its
# own under /tmp: the test program, and the programs named by
# QUORVEL_TEST_LOADER_BINARY and QUORVEL_TEST_INSPECT_BINARY, which the test
# then runs from there. Exit 77 (skipped) when root cannot become nobody here.
if [ "$(id -u)" != 0 ]; then
  exec "$@"
fi
as_nobody() {
  setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all "$@"
}
if ! command -v setpriv >/dev/null 2>&1 || ! as_nobody true 2>/dev/null; then
  echo "cannot run as an ordinary user here: skipped" >&2
  exit 77
fi
export HOME=/tmp TMPDIR=/tmp
if as_nobody test -x "$1" 2>/dev/null; then
  exec setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all "$@"
fi

copies=$(mktemp -d /tmp/quorvel-as-nobody.XXXXXX) || exit 1
trap 'rm -rf "$copies"' EXIT INT TERM
chmod 755 "$copies"
copy() {
  cp "$1" "$copies/" && chmod 755 "$copies/$(basename "$1")" && echo "$copies/$(basename "$1")"
}
test_program=$(copy "$1") || exit 1
shift
if [ -n "$QUORVEL_TEST_LOADER_BINARY" ]; then
  QUORVEL_TEST_LOADER_BINARY=$(copy "$QUORVEL_TEST_LOADER_BINARY") || exit 1
  export QUORVEL_TEST_LOADER_BINARY
fi
if [ -n "$QUORVEL_TEST_INSPECT_BINARY" ]; then
  QUORVEL_TEST_INSPECT_BINARY=$(copy "$QUORVEL_TEST_INSPECT_BINARY") || exit 1
  export QUORVEL_TEST_INSPECT_BINARY
fi
if ! as_nobody test -x "$test_program" 2>/dev/null; then
  echo "nobody cannot run programs from /tmp here: skipped" >&2
  exit 77
fi
cd "$copies" || exit 1
as_nobody "$test_program" "$@"
