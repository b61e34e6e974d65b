# shellcheck shell=bash
# Where the test command's time goes: sourced by scripts/test.sh.
#
#   phase NAME COMMAND [ARG...]   runs COMMAND as the phase NAME: its start is printed when it
#                                 begins, its wall time, CPU time and CPU over wall when it ends
#   phase_summary                 every phase with its start, wall time and share of the whole
#
# A phase may run in the background (phase NAME ... &): phases that overlap each have their own
# share, so the shares then add up to more than 100 %. COMMAND runs in a subshell; a shell
# function given as COMMAND must stop on its own errors (set -e does not reach it there).

phases_start=$EPOCHREALTIME
phases_log=$(mktemp)

# Seconds since the start, one decimal.
phases_since() { awk -v a="$phases_start" -v b="$1" 'BEGIN {printf "%.1f", b - a}'; }

phase() {
  local name=$1 start=$EPOCHREALTIME status=0
  shift
  echo "== [$(date +%T) +$(phases_since "$start") s] $name"
  # The subshell's children are the phase: their CPU time is what `times` reports there.
  local cpu
  { cpu=$(
      ( "$@" >&3 && status=0 || status=$?; times; exit "$status" ) |
        awk 'NR == 2 { split($1, u, "m"); split($2, s, "m");
               printf "%.1f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }'
      exit "${PIPESTATUS[0]}"
    ) || status=$?; } 3>&1
  local end=$EPOCHREALTIME
  local wall
  wall=$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.1f", b - a}')
  printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$(phases_since "$start")" "$wall" "${cpu:-?}" "$status" \
    >>"$phases_log"
  echo "== [$(date +%T) +$(phases_since "$end") s] $name: ${wall} s, CPU ${cpu:-?} s" \
    "($(awk -v c="${cpu:-0}" -v w="$wall" 'BEGIN {printf "%.2f", (w > 0 ? c / w : 0)}') cores)" \
    "$([ "$status" = 0 ] || echo "FAILED with status $status")"
  return "$status"
}

phase_summary() {
  local total
  total=$(phases_since "$EPOCHREALTIME")
  echo
  echo "Phases (wall $total s, load average now $(cut -d' ' -f1-3 /proc/loadavg)):"
  printf '%-28s %8s %8s %6s %8s %6s\n' phase start wall share CPU cores
  awk -F'\t' -v t="$total" '{
      printf "%-28s %7.1fs %7.1fs %5.0f%% %7.1fs %6.2f%s\n", $1, $2, $3, (t > 0 ? 100 * $3 / t : 0),
             $4, ($3 > 0 ? $4 / $3 : 0), ($5 == 0 ? "" : "  FAILED")
    }' "$phases_log"
  rm -f "$phases_log"
}
