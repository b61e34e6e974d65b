#!/bin/sh
# Builds the `fuzz` preset and runs each fuzz target for a bounded time.
#   fuzz/run.sh [seconds per target, default 60]
# New inputs go to build-fuzz/corpus-*, crashes to build-fuzz/artifacts/; the seed corpus in
# fuzz/corpus/ stays untouched.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target dbf_table_fuzz
mkdir -p build-fuzz/corpus-dbf build-fuzz/artifacts
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  build-fuzz/bin/dbf_table_fuzz build-fuzz/corpus-dbf fuzz/corpus/dbf \
  -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=1024 \
  -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1
