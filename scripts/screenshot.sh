#!/usr/bin/env bash
# Takes the README's pictures of the window after a run over the sample files, on a virtual
# display:
#
#   scripts/screenshot.sh [BUILD_DIR]            Linux window (default build; bin/talmero-prx)
#                                                -> docs/screenshot.png
#   scripts/screenshot.sh --painel [BUILD_DIR]   its findings panel after the same run, and the
#                                                record view of one of its rows
#                                                -> docs/screenshot-painel.png,
#                                                   docs/screenshot-registro.png
#   scripts/screenshot.sh --windows [BUILD_DIR]  Windows window under Wine (default build-windows;
#                                                bin/talmero-prx.exe) -> docs/screenshot-windows.png
#   scripts/screenshot.sh --windows-painel [BUILD_DIR]
#                                                its findings panel and record view under Wine
#                                                -> docs/screenshot-painel-windows.png,
#                                                   docs/screenshot-registro-windows.png
#   scripts/screenshot.sh html [BUILD_DIR]       the runner's HTML report on the samples, taken by
#                                                headless Chromium -> docs/relatorio-html.png
#
# Needs xvfb-run and ImageMagick's import (and Wine for --windows*; xwininfo for *painel). The
# run starts as soon as the window opens (--criticar) without invalid-date boxes
# (--sem-avisos-de-data), on the samples named by relative paths from the program's folder, with
# Brazilian Portuguese regional settings (generated into a private folder when the system lacks
# them); the picture is taken after TALMERO_SCREENSHOT_WAIT seconds (default 5, 15 under Wine).
# The pictures show the windows' client areas: there is no window manager to draw a frame.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)

# --- HTML mode: the page a manager reads, as a browser shows it ----------------------------------
html_screenshot() {
  local build_dir runner page picture browser
  build_dir=$(cd "${1:-$root/build}" && pwd)
  runner=$build_dir/bin/talmero-criticar
  page=$(mktemp --suffix=.html)
  picture=$root/docs/relatorio-html.png
  browser=$(command -v chromium || command -v chromium-browser || true)
  [[ -x $runner ]] || { echo "screenshot.sh: $runner not found; build talmero-criticar first" >&2; exit 1; }
  [[ -n $browser ]] || { echo "screenshot.sh: chromium is missing (apt-get install chromium)" >&2; exit 1; }
  # A rejected verdict with its reasons and warnings is what the page is for.
  "$runner" --riscos "$build_dir/bin/amostras/riscos.dbf" --sinistros "$build_dir/bin/amostras/sinistros.dbf" \
    --regional pt_BR --saida /dev/null --sem-avisos-de-data --tolerancia 5 --html "$page" || true
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1100,1600 \
    --virtual-time-budget=3000 --screenshot="$picture" "file://$page" >/dev/null 2>&1
  rm -f "$page"
  echo "screenshot.sh: wrote $picture"
}
if [[ ${1:-} == html ]]; then
  html_screenshot "${2:-}"
  exit 0
fi

windows=false
painel=false
if [[ ${1:-} == --windows ]]; then
  windows=true
  shift
elif [[ ${1:-} == --painel ]]; then
  painel=true
  shift
elif [[ ${1:-} == --windows-painel ]]; then
  windows=true
  painel=true
  shift
fi

if $windows; then
  build=$(cd "${1:-$root/build-windows}" && pwd)
  program=$build/bin/talmero-prx.exe
  output=$root/docs/screenshot-windows.png
  wait_seconds=${TALMERO_SCREENSHOT_WAIT:-15}
else
  build=$(cd "${1:-$root/build}" && pwd)
  program=$build/bin/talmero-prx
  output=$root/docs/screenshot.png
  wait_seconds=${TALMERO_SCREENSHOT_WAIT:-5}
fi

if [[ ! -f $program ]]; then
  echo "screenshot.sh: $program not found; build the target talmero-prx first" >&2
  exit 1
fi
for sample in "$build/bin/amostras/riscos.dbf" "$build/bin/amostras/sinistros.dbf"; do
  [[ -f $sample ]] || echo "screenshot.sh: $sample is missing; the run will report it" >&2
done

export program output wait_seconds
# pt_BR formats in the report: the system's locale, or one made for this script alone.
if ! locale -a 2>/dev/null | grep -qi '^pt_BR\.utf-\?8$'; then
  LOCPATH=$(mktemp -d)
  localedef -i pt_BR -f UTF-8 "$LOCPATH/pt_BR.UTF-8" 2>/dev/null || true
  export LOCPATH
fi
export LC_ALL=pt_BR.UTF-8 LANG=pt_BR.UTF-8
# Each window is taken by itself, from a run of its own: without a window manager a window over
# another would be cut out of the picture below it.
shoot() {  # window-title-prefix output --painel-value launcher...
  # shellcheck disable=SC2016  # the script for the inner shell expands there, not here
  xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    title=$1 picture=$2 painel=$3
    shift 3
    "$@" "$program" --riscos amostras/riscos.dbf --sinistros amostras/sinistros.dbf --criticar \
      --sem-avisos-de-data --painel$painel &
    pid=$!
    sleep "$wait_seconds"
    id=$(xwininfo -root -children | grep -F "\"$title" | awk "{print \$1}" | head -n 1)
    import -window "$id" "$picture"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    if [[ $1 == wine ]]; then wineserver -k; fi
  ' shoot "$@"
}
if $windows && $painel; then
  export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-/tmp/talmero-wine-$(id -u)}
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  [[ -d $WINEPREFIX ]] || DISPLAY='' wineboot -i >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  cd "$build/bin"
  panel_output=$root/docs/screenshot-painel-windows.png
  record_output=$root/docs/screenshot-registro-windows.png
  shoot "Painel de falhas" "$panel_output" "" wine
  shoot "Registro " "$record_output" "=13" wine
  echo "screenshot.sh: wrote $panel_output"
  output=$record_output
elif $windows; then
  # Wine places the window away from the screen's corner: the picture is cropped to it (the
  # screen around it is black).
  export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-/tmp/talmero-wine-$(id -u)}
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  [[ -d $WINEPREFIX ]] || DISPLAY='' wineboot -i >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  cd "$build/bin"
  # shellcheck disable=SC2016  # the script for the inner shell expands there, not here
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    LC_ALL=pt_BR.UTF-8 LANG=pt_BR.UTF-8 wine "$program" --riscos amostras/riscos.dbf \
      --sinistros amostras/sinistros.dbf --criticar --sem-avisos-de-data &
    sleep "$wait_seconds"
    import -window root "$output"
    wineserver -k
  '
  convert "$output" -bordercolor black -border 1 -trim +repage "$output"
else
  cd "$build/bin"
  if $painel; then
    panel_output=$root/docs/screenshot-painel.png
    record_output=$root/docs/screenshot-registro.png
    export panel_output record_output
    shoot "Painel de falhas" "$panel_output" "" env
    shoot "Registro " "$record_output" "=13" env
    echo "screenshot.sh: wrote $panel_output"
    output=$record_output
  else
    # The screen is the window's size, so the picture is the window's client area.
    # shellcheck disable=SC2016  # the script for the inner shell expands there, not here
    xvfb-run -a -s "-screen 0 668x551x24" bash -c '
      "$program" --riscos amostras/riscos.dbf --sinistros amostras/sinistros.dbf --criticar \
        --sem-avisos-de-data &
      pid=$!
      sleep "$wait_seconds"
      import -window root "$output"
      kill "$pid"
      wait "$pid" 2>/dev/null || true
    '
  fi
fi
echo "screenshot.sh: wrote $output"
