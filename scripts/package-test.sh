#!/usr/bin/env bash
# shellcheck disable=SC2016  # each check is a command text that `check` evaluates later
# Builds the Linux package, installs it on this machine and checks the installed runner as a
# user who is not root: the samples validate with both files, the catalogue comes from
# /opt/talmero-prx (where the package put it), and the temporary index, which cannot be written
# beside the program, goes to the temporary folder and is removed. Meant for a fresh Debian 12
# machine or container; removes the package again unless --keep is given.
#
#   bash scripts/package-test.sh [--keep] [PACKAGE.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Byte-wise text tools: the reports hold UTF-8 and Windows-1252 text.
export LC_ALL=C
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

build=$root/build-pkg
if [ -n "${1:-}" ]; then
  deb=$(realpath "$1")
else
  echo "== Package"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALMERO_TESTS=OFF \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build "$build" -j "$(nproc)"
  (cd "$build" && cpack -G DEB >/dev/null)
  deb=$(ls "$build"/packages/talmero-prx_*.deb)
fi
echo "package: $deb"

echo "== Install"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { if eval "$2"; then echo "ok: $1"; else fail "$1"; fi; }

# The user of the run: this one when it is not root, else nobody.
as_user=()
if [ "$(id -u)" -eq 0 ]; then as_user=(runuser -u "${TALMERO_TEST_USER:-nobody}" --); fi
work=$(mktemp -d)
chmod 755 "$work"
temp=$work/temp
mkdir "$temp"
[ "$(id -u)" -ne 0 ] || chown "${TALMERO_TEST_USER:-nobody}" "$temp"
cleanup_work() { rm -rf "$work"; }
trap 'cleanup_work; [ "$keep" -eq 1 ] || "${sudo_cmd[@]}" apt-get remove -y -qq talmero-prx >/dev/null' EXIT

check "runner on the path resolves to /opt/talmero-prx" \
  '[ "$(readlink -f "$(command -v talmero-criticar)")" = /opt/talmero-prx/talmero-criticar ]'
check "catalogue, totals table and samples installed" \
  '[ -f /opt/talmero-prx/tabelas.dbf ] && [ -f /opt/talmero-prx/anexos.dbf ] && [ -f /opt/talmero-prx/DadosKov.DBF ] && [ -f /opt/talmero-prx/amostras/riscos.dbf ]'
check "every library of the window and the runner is there" \
  '! ldd /opt/talmero-prx/talmero-criticar $( [ -x /opt/talmero-prx/talmero-prx ] && echo /opt/talmero-prx/talmero-prx) | grep -q "not found"'
check "menu entry, icons, manual page and documentation installed" \
  '[ -f /usr/share/applications/talmero-prx.desktop ] && [ -f /usr/share/icons/hicolor/48x48/apps/talmero-prx.png ] && [ -f /usr/share/icons/hicolor/256x256/apps/talmero-prx.png ] && [ -f /usr/share/man/man1/talmero-criticar.1.gz ] && [ -f /usr/share/doc/talmero-prx/copyright ] && [ -f /usr/share/doc/talmero-prx/README.md ]'
check "the help pages are beside the program" '[ -f /opt/talmero-prx/ajuda/index.html ]'
check "the package recommends Qt's translations and a CHM viewer" \
  'dpkg-query -W -f="\${Recommends}" talmero-prx | grep -q qt6-translations-l10n && dpkg-query -W -f="\${Recommends}" talmero-prx | grep -q xchm'
check "the program folder is not writable by the user" \
  '! "${as_user[@]}" test -w /opt/talmero-prx'

echo "== Run as $("${as_user[@]}" id -un)"
status=0
(cd / && "${as_user[@]}" env TMPDIR="$temp" talmero-criticar --regional pt_BR \
   --riscos /opt/talmero-prx/amostras/riscos.dbf --sinistros /opt/talmero-prx/amostras/sinistros.dbf \
   >"$work/installed.out" 2>"$work/installed.err") || status=$?
check "the run reached its end (status $status)" '[ "$status" -eq 0 ] && grep -q "^Fim do processamento: " "$work/installed.out"'
check "claims were sought in the temporary index" 'grep -q "sinistros sem apólice no período" "$work/installed.out"'
check "no index file left behind" \
  '[ -z "$(ls -A "$temp")" ] && ! ls /opt/talmero-prx/*.ntx >/dev/null 2>&1'

# The same report as the runner of the build the package came from, time stamps aside.
if [ -x "$build/bin/talmero-criticar" ]; then
  (cd "$build/bin" && ./talmero-criticar --regional pt_BR --riscos amostras/riscos.dbf \
     --sinistros amostras/sinistros.dbf >"$work/built.out" 2>"$work/built.err") || true
  for f in installed.out built.out; do
    sed -E 's/^((In[^ ]+cio|Fim) do processamento: ).*$/\1<hora>/' "$work/$f" > "$work/$f.masked"
  done
  check "the installed runner prints the build's report" 'cmp -s "$work/installed.out.masked" "$work/built.out.masked"'
  check "the same notices on standard error" 'cmp -s "$work/installed.err" "$work/built.err"'
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures package check(s) failed"
  exit 1
fi
echo "All package checks passed"
