#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Skips apt entirely when everything is already present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6opengl6-dev libgl-dev
  libvips-dev libjpeg-dev libpng-dev libtiff-dev libwebp-dev libexif-dev libglib2.0-dev
  # The loader helper confines itself with a seccomp filter.
  libseccomp-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  dbus dbus-x11 xvfb xauth desktop-file-utils appstream
  at-spi2-core gir1.2-atspi-2.0 python3-gi
  qt6-translations-l10n
  # The Debian package: icons rendered from the SVG, manual pages from --help
  # (python3), dependencies from dpkg-shlibdeps, and the test's man -l.
  librsvg2-bin python3 dpkg-dev file man-db
  # The independent reader the resolution writers' tests check against.
  libimage-exiftool-perl
  # Hostile input: the fuzz targets build with clang and libFuzzer.
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
