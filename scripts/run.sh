#!/usr/bin/env bash
# Installs what is missing, builds, and validates the shipped sample files: in the window where
# there is a display, with the command-line runner where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release -DTALMERO_TESTS=OFF
cmake --build --preset release -j "$(nproc)"
bin=build/bin
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/talmero-prx" ]; then
  exec "$bin/talmero-prx" --riscos "$bin/amostras/riscos.dbf" --sinistros "$bin/amostras/sinistros.dbf" \
    --criticar
fi
exec "$bin/talmero-criticar" --riscos "$bin/amostras/riscos.dbf" \
  --sinistros "$bin/amostras/sinistros.dbf" --regional pt_BR
