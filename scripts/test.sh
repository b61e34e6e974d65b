#!/usr/bin/env bash
# Installs what is missing, builds everything (warnings as errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release -DTALMERO_TESTS=ON
cmake --build --preset release -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset release -j "$(nproc)"
# The caption as the X window system shows it (a real xcb window on Xvfb, read with xprop).
bash scripts/caption-test.sh build
# Every fuzz target for a minute on top of its seed corpus (clang with libFuzzer).
bash fuzz/run.sh 60
# The Windows build under Wine: mingw-w64 cross build, the suites as Windows programs, and the
# Windows runner's report compared byte for byte with the Linux one (scripts/wine-tests.sh).
bash scripts/wine-tests.sh "$PWD/build/bin/talmero-criticar"
