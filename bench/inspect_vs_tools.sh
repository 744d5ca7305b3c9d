#!/usr/bin/env bash
# quorvel-inspect against `identify -ping` (ImageMagick) and `vipsheader`
# (libvips) over the same 1,000-file corpus of mixed JPEG, TIFF and PNG (a
# tenth PSD and BMP), in one run with a warm cache; and what the details
# (--format json) cost over the plain measure lines. The two other tools are
# installed when missing: they serve this benchmark only.
#
#   bench/inspect_vs_tools.sh [BUILD_DIR] [FILES] [REPETITIONS]
#
# BUILD_DIR defaults to build-bench, configured here as a Release build (the
# everyday build has no optimisation); only the two targets needed are built.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$source_dir/build-bench}
count=${2:-1000}
repetitions=${3:-7}
if [ -z "${1:-}" ]; then
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target quorvel-inspect make_inspect_corpus >/dev/null
fi
inspect="$build/src/app/quorvel-inspect"
maker="$build/bench/make_inspect_corpus"
for tool in "$inspect" "$maker"; do
  [ -x "$tool" ] || { echo "missing $tool: build the project first" >&2; exit 2; }
done

missing=()
command -v identify >/dev/null || missing+=(imagemagick)
command -v vipsheader >/dev/null || missing+=(libvips-tools)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing for the comparison: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
"$maker" "$corpus" "$count"
files=("$corpus"/*)
cores=$(nproc)

# "wall cpu" in milliseconds of one run, output discarded; cpu is user plus
# system time over all threads, steadier than wall time on a busy machine.
run_ms() {
  local TIMEFORMAT='%R %U %S' times
  times=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || true
  awk '{ printf "%d %d\n", $1 * 1000 + 0.5, ($2 + $3) * 1000 + 0.5 }' <<<"$times"
}

# The medians of REPETITIONS runs, after one untimed run that warms the cache.
median_ms() {
  "$@" >/dev/null 2>&1 || true
  local runs=()
  for _ in $(seq "$repetitions"); do runs+=("$(run_ms "$@")"); done
  local middle=$(( (repetitions + 1) / 2 ))
  local wall cpu
  wall=$(printf '%s\n' "${runs[@]}" | awk '{print $1}' | sort -n | sed -n "${middle}p")
  cpu=$(printf '%s\n' "${runs[@]}" | awk '{print $2}' | sort -n | sed -n "${middle}p")
  echo "$wall $cpu"
}

cat "${files[@]}" >/dev/null # the page cache holds the corpus from here on

read -r json json_cpu < <(median_ms "$inspect" --format json "${files[@]}")
read -r plain plain_cpu < <(median_ms "$inspect" "${files[@]}")
read -r json1 json1_cpu < <(median_ms "$inspect" -j 1 --format json "${files[@]}")
read -r plain1 plain1_cpu < <(median_ms "$inspect" -j 1 "${files[@]}")
read -r identify_ms identify_cpu < <(median_ms identify -ping "${files[@]}")
read -r vipsheader_ms vipsheader_cpu < <(median_ms vipsheader "${files[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
overhead() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.0f%%", (b > 0 ? (a - b) * 100 / b : 0) }'; }

echo
echo "${#files[@]} files (JPEG, TIFF, PNG; a tenth PSD and BMP), warm cache, $cores cores, median of $repetitions runs"
echo "machine $(uptime | sed 's/.*load/load/')"
printf '  %-40s %8s %8s\n' "" "wall ms" "cpu ms"
printf '  %-40s %8s %8s\n' "quorvel-inspect --format json" "$json" "$json_cpu"
printf '  %-40s %8s %8s\n' "quorvel-inspect (plain measure lines)" "$plain" "$plain_cpu"
printf '  %-40s %8s %8s\n' "quorvel-inspect -j 1 --format json" "$json1" "$json1_cpu"
printf '  %-40s %8s %8s\n' "quorvel-inspect -j 1 (plain)" "$plain1" "$plain1_cpu"
printf '  %-40s %8s %8s\n' "identify -ping" "$identify_ms" "$identify_cpu"
printf '  %-40s %8s %8s\n' "vipsheader" "$vipsheader_ms" "$vipsheader_cpu"
echo
echo "  json wall time:                  ${json} ms          (target under 250 ms)"
echo "  identify -ping / json:           $(ratio "$identify_ms" "$json")x wall, $(ratio "$identify_cpu" "$json_cpu")x cpu   (target at least 5x)"
echo "  vipsheader / json:               $(ratio "$vipsheader_ms" "$json")x wall, $(ratio "$vipsheader_cpu" "$json_cpu")x cpu   (target at least 3x)"
echo "  details (json) over plain lines: $(overhead "$json_cpu" "$plain_cpu") cpu, $(overhead "$json1" "$plain1") wall on one thread   (target at most +30%)"
