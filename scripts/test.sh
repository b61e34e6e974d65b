#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. With TALMERO_CI set (.ci/run
# sets it) warnings are errors, the formatting and the scripts are checked as well.
# Each phase's start, wall and CPU time are printed, and a table of them at the end.
#
# Three streams run side by side, each printing its lines when it ends (and keeping them in
# build-logs/STREAM.log), so that the cores are kept busy while one stream waits:
#   linux    the Linux build, its suites and the window's caption on a virtual display;
#   windows  the Wine prefix and the Windows build from the start, at a lower priority, so that
#            it takes the cores the Linux stream leaves; the Windows checks once the Linux runner
#            they compare with is built (scripts/wine-tests.sh);
#   fuzz     once the Linux suites have run: the fuzz targets' build, then each target for a
#            minute, as many at once as there are cores (fuzz/run.sh).
# The check of formatting and scripts runs beside them.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/phases.sh
source scripts/phases.sh
trap phase_summary EXIT
phase install-deps bash scripts/install-deps.sh
preset=release
[ -z "${TALMERO_CI:-}" ] || preset=ci
cores=$(nproc)
logs=$PWD/build-logs
rm -rf "$logs"
mkdir -p "$logs"
export QT_QPA_PLATFORM=offscreen

# The streams are functions run in the background: they stop at their first failing phase.
linux_stream() {
  phase configure cmake --preset "$preset" -DTALMERO_TESTS=ON || return
  phase build cmake --build --preset "$preset" -j "$cores" || return
  touch "$logs/linux-built"
  local status=0
  # The caption as the X window system shows it (a real xcb window on Xvfb, read with xprop),
  # beside the suites, which spend most of their time starting processes.
  phase caption bash scripts/caption-test.sh build >"$logs/caption.log" 2>&1 &
  local caption=$!
  phase ctest ctest --preset "$preset" -j "$cores" || status=$?
  wait "$caption" || status=$?
  cat "$logs/caption.log"
  touch "$logs/linux-tested"
  return "$status"
}
# The Windows build under Wine: mingw-w64 cross build, the suites as Windows programs, and the
# Windows runner's report compared byte for byte with the Linux one (scripts/wine-tests.sh).
windows_stream() {
  phase windows-build nice -n 10 bash scripts/wine-tests.sh --build-only || return
  until [ -e "$logs/linux-built" ]; do
    [ -e "$logs/linux.status" ] && { echo "no Linux runner: the Windows checks were not run"; return 1; }
    sleep 2
  done
  phase windows-checks bash scripts/wine-tests.sh "$PWD/build/bin/talmero-criticar"
}
# Every fuzz target for a minute on top of its seed corpus (clang with libFuzzer).
fuzz_stream() {
  # After the Linux suites, whose timings should not suffer a third build beside them; without
  # them the fuzz targets are built and run all the same.
  until [ -e "$logs/linux-tested" ]; do
    [ -e "$logs/linux.status" ] && break
    sleep 2
  done
  phase fuzz bash fuzz/run.sh 60
}
# STREAM: runs STREAM_stream in the background, its lines to build-logs/STREAM.log and its exit
# status to build-logs/STREAM.status.
start_stream() {
  (
    status=0
    "$1_stream" >"$logs/$1.log" 2>&1 || status=$?
    echo "$status" >"$logs/$1.status"
  ) &
}
if [ -n "${TALMERO_CI:-}" ]; then
  phase check-style bash scripts/check-style.sh >"$logs/check-style.log" 2>&1 &
  style=$!
fi
start_stream linux
start_stream windows
start_stream fuzz
failed=()
if [ -n "${TALMERO_CI:-}" ]; then
  wait "$style" || failed+=(check-style)
  cat "$logs/check-style.log"
fi
# Each stream's lines as it ends, in the order they end.
pending=(linux windows fuzz)
while [ ${#pending[@]} -gt 0 ]; do
  wait -n || true
  running=$(jobs -rp | wc -l)
  left=()
  for stream in "${pending[@]}"; do
    # A stream that ended without a status (killed) counts as failed.
    [ -e "$logs/$stream.status" ] || [ "$running" -gt 0 ] || echo 1 >"$logs/$stream.status"
    if [ -e "$logs/$stream.status" ]; then
      echo
      echo "######## $stream"
      cat "$logs/$stream.log"
      [ "$(cat "$logs/$stream.status")" = 0 ] || failed+=("$stream")
    else
      left+=("$stream")
    fi
  done
  pending=("${left[@]}")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "test.sh: failed: ${failed[*]} (their lines above, and in build-logs/)" >&2
  exit 1
fi
