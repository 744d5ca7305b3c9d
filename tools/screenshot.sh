#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window inspecting a CMYK image against
# the "Web" setting, so the colour field shows CMYK in red. The real program
# runs in a private X server (Xvfb) on a private session bus with a throwaway
# home, so nothing of the user's own settings is read or changed; the setting
# is picked from the preferences pop-up with keystrokes, as a user would.
#
# usage: tools/screenshot.sh [BUILD_DIR]    (default: build)
# SCREENSHOT_LOCALE=it_IT.UTF-8 makes the Italian one, SCREENSHOT_OUT=FILE
# writes it elsewhere.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
out="${SCREENSHOT_OUT:-$root/docs/screenshot.png}"
locale_name="${SCREENSHOT_LOCALE:-C.UTF-8}"

# The X tools are needed here only, not by the build or the tests.
missing=()
command -v Xvfb >/dev/null || missing+=(xvfb)
command -v xdotool >/dev/null || missing+=(xdotool)
command -v import >/dev/null || missing+=(imagemagick)
command -v dbus-run-session >/dev/null || missing+=(dbus)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" -j2 --target quorvel write_probe_image

work="$(mktemp -d)"
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  rm -rf "$work" "$out.new"
}
trap cleanup EXIT

# 1800 x 1200 pixels at 300 dpi: the resolution passes "Web", the colour
# space does not.
"$build/tests/app/write_probe_image" "$work/cover.tif[compression=deflate]" 1200 1800 cmyk 300

display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

mkdir -p "$work/home" "$work/runtime" "$(dirname "$out")"
chmod 700 "$work/runtime"
export DISPLAY="$display" QT_QPA_PLATFORM=xcb
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL="$locale_name" LANG="$locale_name" LANGUAGE=""
# The settings' trace tells which setting the keystrokes picked.
export QT_LOGGING_RULES="quorvel.*.info=false;quorvel.settings.info=true"

dbus-run-session -- bash -s "$build/src/app/quorvel" "$work/cover.tif" "$out.new" "$work/trace.log" <<'SESSION'
set -euo pipefail
app="$1" image="$2" shot="$3" log="$4"
"$app" "$image" >"$log" 2>&1 &
app_pid=$!
trap 'kill $app_pid 2>/dev/null || true' EXIT

window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

main=$(window '^Quorvel$')
xdotool windowmove "$main" 0 0
xdotool windowfocus --sync "$main"
sleep 1
xdotool key --clearmodifiers ctrl+comma               # Settings > Preferences…
prefs=$(window 'Preferences|Preferenze')
xdotool windowmove "$prefs" 700 0                     # beside the main window, out of the shot
xdotool windowfocus --sync "$prefs"
sleep 0.5
xdotool type --delay 100 W                            # the pop-up has the focus: its type-ahead picks "Web"
sleep 2                                               # the re-check follows the change
xdotool windowfocus --sync "$main"
sleep 0.5
xdotool key --clearmodifiers ctrl+Tab                 # from the start page to the inspector
sleep 1
import -window "$main" -strip "png:$shot"
SESSION

if ! grep -q "Hai scelto Web$" "$work/trace.log"; then
  echo "the \"Web\" setting was not picked; the program's trace:" >&2
  cat "$work/trace.log" >&2
  exit 1
fi
mv "$out.new" "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
