#!/usr/bin/env bash
# Takes docs/screenshot.png: the window after a run over the sample files, on a virtual display.
#
#   scripts/screenshot.sh [BUILD_DIR]      (default: build; needs bin/talmero-prx built there)
#   scripts/screenshot.sh html [BUILD_DIR] docs/relatorio-html.png: the runner's HTML report on
#                                          the samples, taken by headless Chromium
#
# Needs xvfb-run and ImageMagick's import. The run starts as soon as the window opens
# (--criticar) without invalid-date boxes (--sem-avisos-de-data); the picture is taken after TALMERO_SCREENSHOT_WAIT seconds (default 5).
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

build=$(cd "${1:-$root/build}" && pwd)
program=$build/bin/talmero-prx
riscos=$build/bin/amostras/riscos.dbf
sinistros=$build/bin/amostras/sinistros.dbf
output=$root/docs/screenshot.png
wait_seconds=${TALMERO_SCREENSHOT_WAIT:-5}

if [[ ! -x $program ]]; then
  echo "screenshot.sh: $program not found; build the target talmero-prx first" >&2
  exit 1
fi
for sample in "$riscos" "$sinistros"; do
  [[ -f $sample ]] || echo "screenshot.sh: $sample is missing; the run will report it" >&2
done

# The inner script runs on the virtual display; the screen is the window's size, so the
# picture is the window's client area (there is no window manager to draw a frame).
export program riscos sinistros output wait_seconds
xvfb-run -a -s "-screen 0 668x551x24" bash -c '
  "$program" --riscos "$riscos" --sinistros "$sinistros" --criticar --sem-avisos-de-data &
  pid=$!
  sleep "$wait_seconds"
  import -window root "$output"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
'
echo "screenshot.sh: wrote $output"
