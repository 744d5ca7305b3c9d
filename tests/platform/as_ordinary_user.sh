#!/bin/sh
# Runs a test as an ordinary user: as it is when it already runs as one, as
# nobody (no groups, no capabilities) when it runs as root. Exit 77 (skipped)
# when root cannot become nobody here.
if [ "$(id -u)" != 0 ]; then
  exec "$@"
fi
if ! command -v setpriv >/dev/null 2>&1 || ! setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
  echo "cannot run as an ordinary user here: skipped" >&2
  exit 77
fi
# A build inside a folder that only root may enter (a clone in /root) keeps
# the test itself out of nobody's reach.
if ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$1" 2>/dev/null; then
  echo "nobody cannot reach $1 (a folder on its way is closed to other users): skipped" >&2
  exit 77
fi
export HOME=/tmp
exec setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all --bounding-set=-all "$@"
