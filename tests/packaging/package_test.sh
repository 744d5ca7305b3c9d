#!/usr/bin/env bash
# Builds the Debian package from the existing build with cpack, checks what
# it holds and depends on, and runs what it installs from an unpacked copy.
# usage: package_test.sh BUILD_DIR SCRATCH_DIR APP_ID [FURTHER_INSTALLED_FILE...]
set -euo pipefail
build=$1 scratch=$2 app_id=$3
shift 3

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack"; }
shopt -s nullglob
debs=("$scratch"/quorvel_*_"$(dpkg --print-architecture)".deb)
((${#debs[@]} == 1)) || fail "no single quorvel_<version>_<arch>.deb in $scratch: ${debs[*]-}"
deb=${debs[0]}

contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
expected=(
    /usr/bin/quorvel
    /usr/bin/quorvel-inspect
    "/usr/share/applications/$app_id.desktop"
    "/usr/share/metainfo/$app_id.metainfo.xml"
    "/usr/share/dbus-1/services/$app_id.service"
    "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    "/usr/share/icons/hicolor/48x48/apps/$app_id.png"
    "/usr/share/icons/hicolor/128x128/apps/$app_id.png"
    "/usr/share/icons/hicolor/256x256/apps/$app_id.png"
    /usr/share/man/man1/quorvel.1.gz
    /usr/share/man/man1/quorvel-inspect.1.gz
    /usr/share/bash-completion/completions/quorvel-inspect
    /usr/share/doc/quorvel/copyright
    "$@"
)
for file in "${expected[@]}"; do
    grep -qxF "$file" <<<"$contents" || fail "not in the package: $file"
done

depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libvips42; do
    grep -qE "(^|, )$library[ ,(]|(^|, )$library\$" <<<"$depends" || fail "Depends does not name $library: $depends"
done

root="$scratch/root"
dpkg-deb --extract "$deb" "$root"
inspect="$root/usr/bin/quorvel-inspect"
version=$(dpkg-deb --field "$deb" Version)
[[ $("$inspect" --version) == "quorvel-inspect $version" ]] || fail "unpacked --version: $("$inspect" --version)"
# It measures its own icons, as installed; the SVG among them has it ask
# libvips, through the module it finds relative to itself, whether it reads it.
icons="$root/usr/share/icons/hicolor"
measured=$("$inspect" -r "$icons" 2>"$scratch/inspect.err") || fail "unpacked quorvel-inspect: $(cat "$scratch/inspect.err")"
[[ ! -s $scratch/inspect.err ]] || fail "unpacked quorvel-inspect warns: $(cat "$scratch/inspect.err")"
for size in 48 128 256; do
    grep -qF "$icons/${size}x$size/apps/$app_id.png"$'\t'"$size"$'\t'"$size"$'\t' <<<"$measured" \
        || fail "the unpacked $size px icon measures: $measured"
done

for program in quorvel quorvel-inspect; do
    page=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$program.1.gz" 2>"$scratch/man.err") \
        || fail "man -l $program"
    [[ ! -s $scratch/man.err ]] || fail "man -l $program warns: $(cat "$scratch/man.err")"
    grep -q -- "--help" <<<"$page" || fail "the $program page lists no --help: $page"
done
grep -q -- "--list-settings" <<<"$(man -l "$root/usr/share/man/man1/quorvel-inspect.1.gz" 2>/dev/null)" \
    || fail "the quorvel-inspect page misses an option of its --help"

# Completion, against the unpacked program, with a store of settings of its own.
export XDG_CONFIG_HOME="$scratch/config"
mkdir -p "$XDG_CONFIG_HOME/Quorvel"
printf '{"allSettingValues": [{"Magazine Cover": [1, 0, 300, 0]}, {"Web": [1, 1, 72, 0]}]}\n' \
    >"$XDG_CONFIG_HOME/Quorvel/Quorvel.json"
# shellcheck source=/dev/null
source "$root/usr/share/bash-completion/completions/quorvel-inspect"
complete_words() {
    COMP_WORDS=("$inspect" "$@")
    COMP_CWORD=$#
    _quorvel_inspect || true
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
check_completion() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    [[ $got == "$want" ]] || fail "completing '$*': '$got', not '$want'"
}
check_completion "--fields --fit-print --format " --f
check_completion "--set-dpi --setting " --se
check_completion "--list-settings " --list
check_completion "csv json lines tsv " --format ""
check_completion "csv " -f c
check_completion "csv " --format = c
check_completion "Grayscale " --colour G
check_completion "CMYK Grayscale RGB any " --color ""
check_completion "Magazine\\ Cover Web " -r --setting ""
check_completion "Magazine\\ Cover " --setting Mag
echo "package $(basename "$deb") holds and runs what it should"
