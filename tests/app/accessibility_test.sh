#!/usr/bin/env bash
# Starts the application in a real X server (Xvfb) on a private session bus
# with the accessibility bus running, and checks that assistive technology
# finds the inspector's fields by name and reads their values.
# usage: accessibility_test.sh QUORVEL_BINARY IMAGE_WRITER
set -euo pipefail
app="$1"
writer="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

"$writer" "$work/probe image.png" 40 30

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY="$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
# The names below are the English wording, whatever the user's language.
export LC_ALL=C.UTF-8 LANG=C.UTF-8 LANGUAGE=
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  sleep 1
  "$0" "$1" >/dev/null 2>&1 &
  app_pid=$!
  status=0
  timeout 60 /usr/bin/python3 "$2" quorvel \
    "Height=40" "Width=30" "Colour space" "Resolution=72" "File name=probe image.png" "Position" "Preview" \
    "@Preferences…" "Show preview" "CMYK" "RGB" "Grayscale" "Resolution required" "Setting" \
    "Verdict=No setting picked: choose one above" "Checking against" "Batch" "Batch summary" \
    || status=$?
  kill $app_pid 2>/dev/null || true
  exit $status
' "$app" "$work/probe image.png" "$here/read_accessible_tree.py"
