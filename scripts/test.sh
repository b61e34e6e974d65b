#!/usr/bin/env bash
# Installs what is missing, builds everything (warnings as errors) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release -DTALMERO_TESTS=ON
cmake --build --preset release -j "$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --preset release -j "$(nproc)"
