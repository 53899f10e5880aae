#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the sample runs need.
# As root it runs apt-get; otherwise it prints the command and stops.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev googletest
  libfreetype-dev libpng-dev libmspack-dev
  fonts-dejavu-core fonts-liberation fonttools
  mscompress binutils-mingw-w64-x86-64 libimage-exiftool-perl
  clang libclang-rt-14-dev python3 valgrind
  liblnk-utils
  libsdl2-dev xvfb xauth xdotool x11-apps
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages. Run as root:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
