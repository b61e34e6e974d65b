#!/usr/bin/env bash
# The Windows build under Wine: builds the `windows` preset (mingw-w64), runs the component
# suites as Windows programs, runs the window's test on a virtual display (xvfb-run), checks that
# the Windows runner writes the same report as the Linux one, with the user's Windows regional
# settings reaching the report, and installs, upgrades and removes the MSI installer.
#
#   bash scripts/wine-tests.sh [LINUX_RUNNER]
#   bash scripts/wine-tests.sh --build-only
#
# LINUX_RUNNER: the Linux talmero-criticar to compare with (default build/bin/talmero-criticar,
# built from the `headless` preset when missing). WINEPREFIX: default /tmp/talmero-wine-<uid>.
# --build-only makes the Wine prefix and the Windows build and stops there (scripts/test.sh
# builds while the Linux build runs, and checks once the Linux runner is there).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Byte-wise text tools: the reports hold UTF-8 and Windows-1252 text.
export LC_ALL=C
started=$EPOCHSECONDS
# A section's title with the time and the seconds since the start: where the time goes.
section() { echo "== [$(date +%T) +$((EPOCHSECONDS - started)) s] $*"; }

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-/tmp/talmero-wine-$(id -u)}
# Console programs only: no display, no desktop integration, no Mono or Gecko prompts.
export DISPLAY='' WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset WAYLAND_DISPLAY

build_only=""
if [ "${1:-}" = --build-only ]; then
  build_only=1
  shift
fi
linux_runner=${1:-$root/build/bin/talmero-criticar}
# The runners are started from the samples' folder: a relative path would no longer hold there.
[ -e "$linux_runner" ] && linux_runner=$(realpath "$linux_runner")
if [ -z "$build_only" ] && [ ! -x "$linux_runner" ]; then
  section "Linux runner for the comparison (headless preset)"
  cmake --preset headless -DTALMERO_TESTS=OFF >/dev/null
  cmake --build --preset headless --target talmero-criticar talmero_data
  linux_runner=$root/build-headless/bin/talmero-criticar
fi

if [ ! -d "$WINEPREFIX" ]; then
  section "Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi

section "Windows build (preset windows)"
start=$(date +%s)
cmake --preset windows ${TALMERO_CI:+-DCMAKE_COMPILE_WARNING_AS_ERROR=ON} >/dev/null
cmake --build --preset windows -j "$(nproc)"
echo "built in $(( $(date +%s) - start )) s"
[ -z "$build_only" ] || exit 0

bin=$root/build-windows/bin
tests=$root/build-windows/tests
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Ends the Wine session of $WINEPREFIX and waits until it is gone.
end_wine_session() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# The locale Wine gives the programs follows LC_ALL. A change of locale rewrites the user's
# regional settings in the prefix, which also undoes the overrides a test below sets.
wine_in() { local locale=$1; shift; LC_ALL=$locale LANG=$locale wine "$@"; }
wine_in en_US.UTF-8 cmd /c exit 0 >/dev/null 2>&1 || true
wine_in pt_BR.UTF-8 cmd /c exit 0 >/dev/null 2>&1 || true

section "Component suites under Wine"
# Independent suites, as many at once as there are cores; each one's lines follow when all ended.
suites=(engine_test tables_test outputs_test cli_test platform_test frontend_test history_test
        resumo_test)
run_suite() {
  local status=0
  (cd "$tests" && wine_in C.UTF-8 "./$1.exe" --gtest_brief=1) >"$tests/$1.log" 2>&1 || status=$?
  echo "$status" >"$tests/$1.status"
}
for suite in "${suites[@]}"; do
  rm -f "$tests/$suite.status"
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  run_suite "$suite" &
done
wait
for suite in "${suites[@]}"; do
  cat "$tests/$suite.log"
  [ "$(cat "$tests/$suite.status" 2>/dev/null)" = 0 ] || fail "$suite under Wine"
done

section "The window under Wine, on virtual displays"
# Without a display Wine gives windows no real size, so the suite fails rather than passes.
# The Wine session is restarted so that its desktop opens on the virtual display. The suite's
# tests mostly wait for the window: they run in shards at once, each in a copy of the prefix
# (its own Wine session, so its own foreground window and keyboard focus) on a display of its
# own; the displays are started a little apart, so that each finds a free number.
end_wine_session
window_shards=3
# The shards are lists of tests, not GoogleTest's own sharding: a test that starts the suite
# again for one test of its own would pass on its environment to that child, which would then
# run nothing.
window_tests=()
while IFS= read -r line; do
  line=${line%$'\r'}
  case $line in
    " "*) window_tests+=("$suite_name${line#"${line%%[! ]*}"}") ;;
    *.) suite_name=$line ;;
  esac
done < <(cd "$tests" && env LC_ALL=C.UTF-8 LANG=C.UTF-8 wine ./winui_test.exe --gtest_list_tests)
[ "${#window_tests[@]}" -gt 0 ] || fail "winui_test lists no tests under Wine"
end_wine_session
run_window_shard() {
  local shard=$1 prefix=$WINEPREFIX status=0
  if [ "$shard" -gt 0 ]; then
    prefix=$WINEPREFIX-shard$shard
    rm -rf "$prefix"
    cp -a "$WINEPREFIX" "$prefix"
  fi
  local filter="" i
  for ((i = shard; i < ${#window_tests[@]}; i += window_shards)); do
    filter+="${filter:+:}${window_tests[i]%% *}"
  done
  (cd "$tests" && WINEPREFIX=$prefix xvfb-run -a -s "-screen 0 1024x768x24" \
     env LC_ALL=C.UTF-8 LANG=C.UTF-8 wine ./winui_test.exe --gtest_brief=1 "--gtest_filter=$filter") \
    >"$tests/winui_test-$shard.log" 2>&1 || status=$?
  if [ "$shard" -gt 0 ]; then
    WINEPREFIX=$prefix end_wine_session
    rm -rf "$prefix"
  fi
  echo "$status" >"$tests/winui_test-$shard.status"
}
for ((shard = 0; shard < window_shards; shard++)); do
  rm -f "$tests/winui_test-$shard.status"
  run_window_shard "$shard" &
  sleep 2
done
wait
window_ran=0
for ((shard = 0; shard < window_shards; shard++)); do
  cat "$tests/winui_test-$shard.log"
  [ "$(cat "$tests/winui_test-$shard.status" 2>/dev/null)" = 0 ] || fail "winui_test under Wine (shard $shard)"
  # The shard's own count is its log's last (the children's come before it).
  ran=$(grep -a 'tests\? from .* ran\.' "$tests/winui_test-$shard.log" | tail -1 | tr -dc '0-9 ' |
        awk '{print $1}')
  window_ran=$((window_ran + ${ran:-0}))
done
[ "$window_ran" -eq "${#window_tests[@]}" ] ||
  fail "winui_test ran $window_ran of its ${#window_tests[@]} tests under Wine"
# A console that can be read back needs the display too: the runner's text on a console.
if ! (cd "$tests" && xvfb-run -a -s "-screen 0 1024x768x24" \
        env LC_ALL=C.UTF-8 LANG=C.UTF-8 wine ./cli_test.exe \
        "--gtest_filter=StandardStreamsTest.AConsole*" >"$tests/console.log" 2>&1) ||
   grep -q SKIPPED "$tests/console.log"; then
  cat "$tests/console.log"
  fail "the console test under Wine"
fi
end_wine_session

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs one runner from the folder of the shipped samples; the time stamps are masked, since
# the two runs cannot share a clock.
mask_stamps() {
  sed -E 's/^((In[^ ]+cio|Fim) do processamento: ).*$/\1<hora>/' "$1" > "$1.masked"
}
run_sample() {  # out_prefix program [args...]
  local out=$1; shift
  local status=0
  (cd "$bin" && "$@" --riscos amostras/riscos.dbf --sinistros amostras/sinistros.dbf \
     >"$out.stdout" 2>"$out.stderr") || status=$?
  echo "$status" > "$out.status"
  mask_stamps "$out.stdout"
}
same() {  # what file_a file_b
  if cmp -s "$2" "$3"; then echo "ok: $1"; else fail "$1"; diff "$2" "$3" | head -20 || true; fi
}

section "The same report on both systems"
for regional in pt_BR en_US; do
  run_sample "$work/linux-$regional" "$linux_runner" --regional "$regional"
  run_sample "$work/windows-$regional" wine_in C.UTF-8 ./talmero-criticar.exe --regional "$regional"
  for part in stdout.masked stderr status; do
    same "$regional $part" "$work/linux-$regional.$part" "$work/windows-$regional.$part"
  done
  grep -q "^Fim do processamento: " "$work/windows-$regional.stdout" \
    || fail "$regional: the Windows run did not reach its end"
done
# The export file (--saida): Windows-1252 and CR LF on both systems.
(cd "$bin" && "$linux_runner" --regional pt_BR --riscos amostras/riscos.dbf \
   --saida "$work/linux-saida.txt" 2>/dev/null) || true
(cd "$bin" && wine_in C.UTF-8 ./talmero-criticar.exe --regional pt_BR --riscos amostras/riscos.dbf \
   --saida "$work/windows-saida.txt" 2>/dev/null) || true
mask_stamps "$work/linux-saida.txt"
mask_stamps "$work/windows-saida.txt"
same "export file" "$work/linux-saida.txt.masked" "$work/windows-saida.txt.masked"

section "Names beyond the Windows code page"
# Greek, Japanese and emoji names are the files written, never the code page's look-alikes ("α"
# would become "a", another file), and an input in a folder of such a name is read: the report
# equals the Linux runner's for the same paths.
names=$work/nomes
mkdir -p "$names/out" "$names/リスク"
cp "$bin/amostras/riscos.dbf" "$bin/amostras/sinistros.dbf" "$names/リスク/"
status=0
(cd "$bin" && wine_in C.UTF-8 ./talmero-criticar.exe --regional pt_BR --riscos amostras/riscos.dbf \
   --sinistros amostras/sinistros.dbf --sem-avisos-de-data --saida "$names/out/報告.txt" \
   --json "$names/out/α.json" >/dev/null 2>"$names/run1.stderr") || status=$?
[ "$status" = 0 ] || fail "--saida 報告.txt --json α.json ended with $status: $(head -3 "$names/run1.stderr")"
status=0
(cd "$bin" && wine_in C.UTF-8 ./talmero-criticar.exe --regional pt_BR --riscos amostras/riscos.dbf \
   --sinistros amostras/sinistros.dbf --sem-avisos-de-data --json "$names/out/😀.json" \
   --detalhes "$names/out/😀.xlsx" >/dev/null 2>"$names/run2.stderr") || status=$?
[ "$status" = 0 ] || fail "--json 😀.json --detalhes 😀.xlsx ended with $status: $(head -3 "$names/run2.stderr")"
(cd "$names/out" && ls) > "$names/written"
printf '%s\n' α.json 報告.txt 😀.json 😀.xlsx | sort > "$names/expected"
same "names written as typed" "$names/expected" "$names/written"
(cd "$bin" && "$linux_runner" --regional pt_BR --riscos amostras/riscos.dbf \
   --sinistros amostras/sinistros.dbf --sem-avisos-de-data --saida "$names/linux-saida.txt" \
   >/dev/null 2>&1) || true
cp "$names/out/報告.txt" "$names/windows-saida.txt" 2>/dev/null || : >"$names/windows-saida.txt"
mask_stamps "$names/linux-saida.txt"
mask_stamps "$names/windows-saida.txt"
same "--saida 報告.txt = Linux --saida" "$names/linux-saida.txt.masked" "$names/windows-saida.txt.masked"
grep -q '"resultado"' "$names/out/α.json" || fail "α.json holds no result"
(cd "$names/リスク" && "$linux_runner" --regional pt_BR --riscos "$names/リスク/riscos.dbf" \
   --sinistros "$names/リスク/sinistros.dbf" >"$names/linux.stdout" 2>"$names/linux.stderr") \
   || echo $? > "$names/linux.status"
(cd "$names/リスク" && wine_in C.UTF-8 "$bin/talmero-criticar.exe" --regional pt_BR \
   --riscos "$names/リスク/riscos.dbf" --sinistros "$names/リスク/sinistros.dbf" \
   >"$names/windows.stdout" 2>"$names/windows.stderr") || echo $? > "$names/windows.status"
mask_stamps "$names/linux.stdout"
mask_stamps "$names/windows.stdout"
same "input in リスク: report" "$names/linux.stdout.masked" "$names/windows.stdout.masked"
same "input in リスク: messages" "$names/linux.stderr" "$names/windows.stderr"
[ ! -e "$names/windows.status" ] || fail "input in リスク: status $(cat "$names/windows.status")"
same "input in リスク = samples' folder" "$work/windows-pt_BR.stdout.masked" "$names/windows.stdout.masked"
# Two outputs whose names differ only in case are one file on Windows: wrong usage.
status=0
(cd "$bin" && wine_in C.UTF-8 ./talmero-criticar.exe --riscos amostras/riscos.dbf \
   --json "$names/out/R.JSON" --html "$names/out/r.json" >/dev/null 2>"$names/case.stderr") || status=$?
if [ "$status" = 2 ] && grep -q -- "--json e --html gravam no mesmo arquivo: " "$names/case.stderr"; then
  echo "ok: --json R.JSON --html r.json refused"
else
  fail "--json R.JSON --html r.json: status $status, $(head -2 "$names/case.stderr")"
fi

section "Workbooks written on Windows"
# The Windows runner's failure list as a workbook, read back with openpyxl, holds the Linux
# runner's CSV rows, row for row (sheets of other names are left aside); minizip, zlib and SQLite are
# linked in, so no program needs a DLL of theirs.
(cd "$bin" && "$linux_runner" --regional pt_BR --riscos amostras/riscos.dbf \
   --sinistros amostras/sinistros.dbf --sem-avisos-de-data --detalhes "$work/falhas.csv" \
   >/dev/null 2>&1) || true
(cd "$bin" && wine_in C.UTF-8 ./talmero-criticar.exe --regional pt_BR --riscos amostras/riscos.dbf \
   --sinistros amostras/sinistros.dbf --sem-avisos-de-data --detalhes "$work/falhas.xlsx" \
   >/dev/null 2>&1) || fail "the Windows runner could not write a workbook"
if /usr/bin/python3 - "$work/falhas.csv" "$work/falhas.xlsx" <<'PY'
import csv, sys, openpyxl
# The workbook puts the keys first and titles its columns in words: a row is compared by the
# values it holds, in any column.
def rows_of(cells):
    return sorted(str(v) for v in cells if v is not None and str(v) != "")
with open(sys.argv[1], encoding="cp1252", newline="") as f:
    listed = list(csv.reader(f, delimiter=";"))[1:]
expected = {}
for row in listed:
    expected.setdefault(row[0], []).append(rows_of(row))
read = {}
for sheet in openpyxl.load_workbook(sys.argv[2], read_only=True).worksheets:
    name = sheet.title.split(" ")[0]
    if name in ("riscos", "sinistros"):
        read.setdefault(name, []).extend(rows_of(r) for r in list(sheet.iter_rows(values_only=True))[1:])
sys.exit(0 if expected and read == expected else 1)
PY
then echo "ok: the Windows workbook holds the Linux rows"; else fail "the Windows workbook differs from the Linux rows"; fi
for exe in "$bin"/*.exe; do
  if x86_64-w64-mingw32-objdump -p "$exe" | grep -iE 'DLL Name: .*(zlib|libz|minizip|xlsx|sqlite)' >/dev/null; then
    fail "$(basename "$exe") needs a DLL of zlib, minizip or SQLite"
  fi
done

section "The Windows package"
(cd "$root/build-windows" && cpack -G ZIP >/dev/null)
zip=$(echo "$root"/build-windows/packages/talmero-prx-*-win64.zip)
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
unpacked=$(echo "$work"/zip/talmero-prx-*-win64)
for f in talmero-prx.exe talmero-criticar.exe talmero-resumo.exe tabelas.dbf anexos.dbf DadosKov.DBF amostras/riscos.dbf; do
  [ -f "$unpacked/$f" ] || fail "zip lacks $f"
done
# Run from another folder: the catalogue is found beside the program, not in the working folder.
(cd "$work" && wine_in C.UTF-8 "$unpacked/talmero-criticar.exe" --regional pt_BR \
   --riscos "$unpacked/amostras/riscos.dbf" --sinistros "$unpacked/amostras/sinistros.dbf" \
   >"$work/zip.stdout" 2>/dev/null) || fail "the unpacked runner ended with an error"
mask_stamps "$work/zip.stdout"
same "unpacked runner" "$work/linux-pt_BR.stdout.masked" "$work/zip.stdout.masked"
ls "$unpacked"/*.ntx >/dev/null 2>&1 && fail "an index file was left beside the program"

section "The Windows installer"
version=$(sed -nE 's/^project\(TalmeroPRX VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
cmake --build --preset windows --target msi >/dev/null
msi=$root/build-windows/packages/talmero-prx-$version-win64.msi
msiinfo suminfo "$msi" | grep -q "Talmero PRX" || fail "msiinfo cannot read $msi"
installed="$WINEPREFIX/drive_c/Program Files/Talmero PRX"
shortcut() { find "$WINEPREFIX/drive_c" -iname "Talmero PRX.lnk" 2>/dev/null | head -1; }
products() {  # how many products named Talmero PRX are installed
  wine_in C.UTF-8 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null \
    | tr -d '\r' | grep -cE 'DisplayName +REG_SZ +Talmero PRX$' || true
}
wine_in C.UTF-8 msiexec /i "$msi" /qn || fail "msiexec /i $msi"
(cd "$bin" && find . -type f ! -name '*.ntx' | sort) > "$work/built-files"
(cd "$installed" && find . -type f | sort) > "$work/installed-files"
same "installed files = built files" "$work/built-files" "$work/installed-files"
(cd "$work" && wine_in C.UTF-8 "$installed/talmero-criticar.exe" --regional pt_BR \
   --riscos "$installed/amostras/riscos.dbf" --sinistros "$installed/amostras/sinistros.dbf" \
   >"$work/msi.stdout" 2>/dev/null) || fail "the installed runner ended with an error"
mask_stamps "$work/msi.stdout"
same "installed runner" "$work/linux-pt_BR.stdout.masked" "$work/msi.stdout.masked"
[ -n "$(shortcut)" ] || fail "no Start-menu shortcut after installing"
# A newer version replaces the installed one (the same files, packaged as 1.0.1 here).
cmake -DSTAGE="$root/build-windows/msi/stage" -DVERSION=1.0.1 \
  -DICON="$root/data/icon/talmero-prx.ico" -DTEMPLATE="$root/cmake/msi/talmero-prx.wxs.in" \
  -DOUTPUT="$work/talmero-prx-1.0.1-win64.msi" -P cmake/MakeMsi.cmake >/dev/null
wine_in C.UTF-8 msiexec /i "$work/talmero-prx-1.0.1-win64.msi" /qn || fail "msiexec /i 1.0.1"
[ "$(products)" = 1 ] || fail "after the upgrade $(products) products are installed"
wine_in C.UTF-8 msiexec /x "$work/talmero-prx-1.0.1-win64.msi" /qn || fail "msiexec /x"
[ -z "$(find "$installed" -type f 2>/dev/null)" ] || fail "files left after removal: $(find "$installed" -type f)"
[ -z "$(shortcut)" ] || fail "the shortcut was left after removal"
[ "$(products)" = 0 ] || fail "a product is still registered after removal"

section "The user's Windows regional settings reach the report"
# A pt-BR user with the default settings gets the report of --regional pt_BR.
run_sample "$work/windows-sistema" wine_in pt_BR.UTF-8 ./talmero-criticar.exe --regional sistema
same "pt-BR locale = pt_BR" "$work/linux-pt_BR.stdout.masked" "$work/windows-sistema.stdout.masked"
grep -qE "^In[^ ]+cio do processamento: [0-3][0-9]/[01][0-9]/[0-9]{4}( [0-2][0-9]:[0-5][0-9]:[0-5][0-9])?$" \
  "$work/windows-sistema.stdout" || fail "pt-BR time stamp: $(head -1 "$work/windows-sistema.stdout")"
# The same user after changing the separators and the formats in the Control Panel.
intl='HKCU\Control Panel\International'
for setting in "sShortDate=yyyy-MM-dd" "sTimeFormat=HH'h'mm" "sThousand=_" "sDecimal=;"; do
  wine_in pt_BR.UTF-8 reg add "$intl" /v "${setting%%=*}" /d "${setting#*=}" /f >/dev/null 2>&1
done
run_sample "$work/windows-changed" wine_in pt_BR.UTF-8 ./talmero-criticar.exe --regional sistema
wine_in en_US.UTF-8 cmd /c exit 0 >/dev/null 2>&1 || true  # undoes the changes
grep -qE "^In[^ ]+cio do processamento: [0-9]{4}-[01][0-9]-[0-3][0-9]( [0-2][0-9]h[0-5][0-9])?$" \
  "$work/windows-changed.stdout" || fail "changed time stamp: $(head -1 "$work/windows-changed.stdout")"
# The changed report is the pt_BR one with the separators swapped, line for line.
sed -e 's/\([0-9]\)\.\([0-9]\)/\1_\2/g' -e 's/\([0-9]\),\([0-9]\)/\1;\2/g' \
  "$work/linux-pt_BR.stdout.masked" > "$work/expected-changed"
same "Control Panel separators" "$work/expected-changed" "$work/windows-changed.stdout.masked"

wineserver -k >/dev/null 2>&1 || true
section "End of the Windows checks"
if [ "$failures" -gt 0 ]; then
  echo "$failures Windows check(s) failed"
  exit 1
fi
echo "All Windows checks passed"
