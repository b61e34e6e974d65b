#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. With TALMERO_CI set (.ci/run
# sets it) warnings are errors, the formatting and the scripts are checked as well.
# Each phase's start, wall and CPU time are printed, and a table of them at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/phases.sh
source scripts/phases.sh
trap phase_summary EXIT
phase install-deps bash scripts/install-deps.sh
preset=release
if [ -n "${TALMERO_CI:-}" ]; then
  preset=ci
  phase check-style bash scripts/check-style.sh
fi
phase configure cmake --preset "$preset" -DTALMERO_TESTS=ON
phase build cmake --build --preset "$preset" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
phase ctest ctest --preset "$preset" -j "$(nproc)"
# The caption as the X window system shows it (a real xcb window on Xvfb, read with xprop).
phase caption bash scripts/caption-test.sh build
# Every fuzz target for a minute on top of its seed corpus (clang with libFuzzer).
phase fuzz bash fuzz/run.sh 60
# The Windows build under Wine: mingw-w64 cross build, the suites as Windows programs, and the
# Windows runner's report compared byte for byte with the Linux one (scripts/wine-tests.sh).
phase wine bash scripts/wine-tests.sh "$PWD/build/bin/talmero-criticar"
