#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (skips what is already there), and
# unpacks Debian's sources of libxlsxwriter and SQLite for the Windows cross build
# (cmake/MinizipFromSource.cmake, cmake/SqliteFromSource.cmake), which needs the source
# entries (deb-src) of the system's Debian sources; they are added beside them when missing.
#
# TALMERO_SRC_DIR: where the sources go (default /usr/local/src/talmero); the build looks for
# them in $TALMERO_SRC_DIR/libxlsxwriter and $TALMERO_SRC_DIR/sqlite3.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libminizip-dev libcli11-dev libkainjow-mustache-dev zlib1g-dev libsqlite3-dev tcl qt6-base-dev
          fonts-dejavu-core fp-utils g++-mingw-w64-x86-64 googletest wine wine64 wixl msitools xvfb
          xauth python3-openpyxl x11-utils qt6-qpa-plugins qt6-translations-l10n clang
          libclang-rt-14-dev clang-format-14 shellcheck libz-mingw-w64-dev dpkg-dev xdg-utils)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# Source entries: a copy of the Debian entries with deb-src in place of deb.
sources_changed=0
if ! grep -qsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/talmero-deb-src.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list \
      | "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/talmero-deb-src.list >/dev/null
  fi
  sources_changed=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ "$sources_changed" -eq 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

src=${TALMERO_SRC_DIR:-/usr/local/src/talmero}
# unpack_source PACKAGE MARKER: Debian's source of PACKAGE in $src/PACKAGE-<version>, linked as
# $src/PACKAGE, unless $src/PACKAGE/MARKER is there already.
unpack_source() {
  local package=$1 marker=$2 unpacked
  [ -f "$src/$package/$marker" ] && return 0
  "${sudo_cmd[@]}" mkdir -p "$src"
  (cd "$src" && "${sudo_cmd[@]}" apt-get source -qq "$package")
  unpacked=$(find "$src" -maxdepth 1 -type d -name "$package-*" | sort | tail -1)
  [ -n "$unpacked" ] || { echo "install-deps: apt-get source $package unpacked nothing" >&2; exit 1; }
  "${sudo_cmd[@]}" ln -sfn "$(basename "$unpacked")" "$src/$package"
}
unpack_source libxlsxwriter CMakeLists.txt
unpack_source sqlite3 Makefile.linux-gcc
