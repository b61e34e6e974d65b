#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (skips what is already there).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev libcli11-dev libkainjow-mustache-dev libxlsxwriter-dev qt6-base-dev
          fonts-dejavu-core fp-utils g++-mingw-w64-x86-64 googletest wine wine64 wixl msitools xvfb
          xauth python3-openpyxl x11-utils qt6-qpa-plugins qt6-translations-l10n clang
          libclang-rt-14-dev clang-format-14 shellcheck)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
