#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. With TALMERO_CI set (.ci/run
# sets it) warnings are errors, the formatting and the scripts are checked as well.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
preset=release
if [ -n "${TALMERO_CI:-}" ]; then
  preset=ci
  bash scripts/check-style.sh
fi
cmake --preset "$preset" -DTALMERO_TESTS=ON
cmake --build --preset "$preset" -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -j "$(nproc)"
# The caption as the X window system shows it (a real xcb window on Xvfb, read with xprop).
bash scripts/caption-test.sh build
# Every fuzz target for a minute on top of its seed corpus (clang with libFuzzer).
bash fuzz/run.sh 60
# The Windows build under Wine: mingw-w64 cross build, the suites as Windows programs, and the
# Windows runner's report compared byte for byte with the Linux one (scripts/wine-tests.sh).
bash scripts/wine-tests.sh "$PWD/build/bin/talmero-criticar"
