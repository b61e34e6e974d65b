#!/bin/sh
# Builds the `fuzz` preset and runs each fuzz target for a bounded time, as many at once as the
# machine has cores (each target keeps its whole time; its lines are printed when it ends).
#   fuzz/run.sh [seconds per target, default 60] [target ...]
# Targets: dbf_table key_index validation_run findings_csv run_json (default: all). New inputs
# go to build-fuzz/corpus-<target>/, crashes to build-fuzz/artifacts/; the seed corpora in
# fuzz/corpus/<target>/ stay untouched. Fails when a target finds a crash.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
[ $# -gt 0 ] && shift
targets="${*:-dbf_table key_index validation_run findings_csv run_json}"
start=$(date +%s)
cmake --preset fuzz ${TALMERO_CI:+-DCMAKE_COMPILE_WARNING_AS_ERROR=ON} >/dev/null
for target in $targets; do
  cmake --build --preset fuzz --target "${target}_fuzz"
done
echo "== fuzz targets built in $(( $(date +%s) - start )) s"
mkdir -p build-fuzz/artifacts
# A small quarantine keeps the memory of freed blocks in reuse: far fewer page faults per input.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
fuzz_one() {  # target: runs it, prints its lines, fails when it found a crash
  target=$1
  case "$target" in
    dbf_table) seeds="fuzz/corpus/dbf tests/data/dbf-corpus"; max_len=4096 ;;
    *) seeds="fuzz/corpus/$target"; max_len=16384 ;;
  esac
  mkdir -p "build-fuzz/corpus-$target"
  rm -f "build-fuzz/artifacts/$target-"*  # only what this run finds counts
  # shellcheck disable=SC2086  # the seed folders are separate arguments
  "build-fuzz/bin/${target}_fuzz" "build-fuzz/corpus-$target" $seeds \
    -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="build-fuzz/artifacts/$target-" -print_final_stats=1 2>&1 |
    grep -E '^(stat::|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' \
    >"build-fuzz/$target.log" || true
  # The CPU the target had in its time: less than its seconds when other work shared the cores.
  times >"build-fuzz/$target.times"
  echo "== $target: $seconds s, CPU $(awk 'NR == 2 { split($1, u, "m"); split($2, s, "m");
    printf "%.0f s", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "build-fuzz/$target.times")"
  cat "build-fuzz/$target.log"
  if ls "build-fuzz/artifacts/$target-"* >/dev/null 2>&1; then
    echo "fuzz/run.sh: $target found a failing input (build-fuzz/artifacts/)" >&2
    return 1
  fi
}
cores=$(nproc 2>/dev/null || echo 1)
status=0
running=0
pids=""
for target in $targets; do
  fuzz_one "$target" &
  pids="$pids $!"
  running=$((running + 1))
  if [ "$running" -ge "$cores" ]; then
    for pid in $pids; do wait "$pid" || status=1; done
    pids=""
    running=0
  fi
done
for pid in $pids; do wait "$pid" || status=1; done
exit "$status"
