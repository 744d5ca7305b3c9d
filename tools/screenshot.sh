#!/usr/bin/env bash
# Makes docs/screenshot.png: the main window's overview of a mixed batch
# checked against the "Pre-Press" setting, the failing rows in red. The real
# program runs in a private X server (Xvfb) on a private session bus with a
# throwaway home, so nothing of the user's own settings is read or changed;
# the setting is picked from the main window's "Checking against" pop-up with
# keystrokes, as a user would.
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

# A mixed batch: print files that pass "Pre-Press", web images and a scan
# that fail it, and a file that is no image at all.
probe="$build/tests/app/write_probe_image"
mkdir -p "$work/batch"
"$probe" "$work/batch/cover.tif[compression=deflate]" 1200 1800 cmyk 300
"$probe" "$work/batch/banner for the web.png" 250 970 rgb 72
"$probe" "$work/batch/poster.tif[compression=deflate]" 2400 1700 cmyk 300
"$probe" "$work/batch/portrait.jpg" 1800 1200 rgb 300
"$probe" "$work/batch/scan.tif[compression=deflate]" 1100 850 grey 150
"$probe" "$work/batch/flyer back.tif[compression=deflate]" 1748 1240 cmyk 200
printf 'not an image\n' >"$work/batch/notes.jpg"
"$probe" "$work/batch/flyer front.tif[compression=deflate]" 1748 1240 cmyk 300
batch=("$work/batch/cover.tif" "$work/batch/banner for the web.png" "$work/batch/poster.tif"
       "$work/batch/portrait.jpg" "$work/batch/scan.tif" "$work/batch/flyer back.tif"
       "$work/batch/notes.jpg" "$work/batch/flyer front.tif")

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

dbus-run-session -- bash -s "$build/src/app/quorvel" "$out.new" "$work/trace.log" "${batch[@]}" <<'SESSION'
set -euo pipefail
app="$1" shot="$2" log="$3"
shift 3
"$app" "$@" >"$log" 2>&1 &
app_pid=$!
trap 'kill $app_pid 2>/dev/null || true' EXIT

window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

main=$(window '^Quorvel$')
xdotool windowmove "$main" 0 0
xdotool windowfocus --sync "$main"
sleep 1
xdotool key --clearmodifiers alt+a                    # to the "Checking against" pop-up
sleep 0.5
xdotool type --delay 100 P                            # its type-ahead picks "Pre-Press"
sleep 2                                               # the rows are judged again
import -window "$main" -strip "png:$shot"
SESSION

if ! grep -q "Hai scelto Pre-Press$" "$work/trace.log"; then
  echo "the \"Pre-Press\" setting was not picked; the program's trace:" >&2
  cat "$work/trace.log" >&2
  exit 1
fi
mv "$out.new" "$out"
echo "wrote $out ($(stat -c %s "$out") bytes)"
