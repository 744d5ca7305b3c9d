#!/usr/bin/env bash
# quorvel-inspect against `identify -ping` (ImageMagick) and `vipsheader`
# (libvips) over the same 1,000-file corpus of mixed JPEG, TIFF and PNG, in
# one run with a warm cache; and what the details (--format json) cost over
# the plain measure lines. The two other tools are installed when missing:
# they serve this benchmark only.
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
if [ $# -lt 1 ]; then
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

# Milliseconds of wall time of one run, output discarded.
run_ms() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

# The median of REPETITIONS runs, after one untimed run that warms the cache.
median_ms() {
  "$@" >/dev/null 2>&1 || true
  local times=()
  for _ in $(seq "$repetitions"); do times+=("$(run_ms "$@")"); done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (repetitions + 1) / 2 ))p"
}

cat "${files[@]}" >/dev/null # the page cache holds the corpus from here on

json=$(median_ms "$inspect" --format json "${files[@]}")
plain=$(median_ms "$inspect" "${files[@]}")
json1=$(median_ms "$inspect" -j 1 --format json "${files[@]}")
plain1=$(median_ms "$inspect" -j 1 "${files[@]}")
identify_ms=$(median_ms identify -ping "${files[@]}")
vipsheader_ms=$(median_ms vipsheader "${files[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b > 0 ? a / b : 0) }'; }
overhead() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.0f%%", (b > 0 ? (a - b) * 100 / b : 0) }'; }

echo
echo "${#files[@]} files (JPEG, TIFF, PNG), warm cache, $cores cores, median of $repetitions runs, $(uptime | sed 's/.*load/load/')"
printf '  %-44s %6s ms\n' "quorvel-inspect --format json" "$json"
printf '  %-44s %6s ms\n' "quorvel-inspect (plain measure lines)" "$plain"
printf '  %-44s %6s ms\n' "quorvel-inspect -j 1 --format json" "$json1"
printf '  %-44s %6s ms\n' "quorvel-inspect -j 1 (plain)" "$plain1"
printf '  %-44s %6s ms\n' "identify -ping" "$identify_ms"
printf '  %-44s %6s ms\n' "vipsheader" "$vipsheader_ms"
echo
echo "  identify -ping / quorvel-inspect json:  $(ratio "$identify_ms" "$json")x   (target at least 5x)"
echo "  vipsheader / quorvel-inspect json:      $(ratio "$vipsheader_ms" "$json")x   (target at least 3x)"
echo "  details over plain, all cores:          $(overhead "$json" "$plain")"
echo "  details over plain, one core:           $(overhead "$json1" "$plain1")   (target at most +30%)"
echo "  quorvel-inspect json wall time:         ${json} ms   (target under 250 ms)"
