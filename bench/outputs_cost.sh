#!/usr/bin/env bash
# What the row-level outputs cost: the same validation run with and without the failure list,
# the records extract, the HTML page and the JSON result, on whole_run.sh's files and build, set
# against what the system takes to write their bytes: in each round, right after the run with the
# outputs, `dd conv=fsync` writes as many bytes to the same folder, one file per output, the
# sizes of the outputs just written. The target: the outputs add at most 1.5 times the dd time.
#
#   bench/outputs_cost.sh
#
# Settings (environment), besides whole_run.sh's BUILD_DIR, WORK_DIR, RISCOS, SINISTROS, SEMENTE
# and ERROS (the share of faulty values: ERROS=0.1 gives data with few findings; give it its own
# WORK_DIR, as the files are made again whenever a setting changes):
#   RODADAS   rounds; each runs every kind, one after the other; medians reported (default: 5)
#   XLSX      1: also a run with the failure list as a workbook (.xlsx), which takes far longer,
#             and dd of the workbook's bytes
#
# The outputs go to WORK_DIR/saidas, replacing those of the round before, as a rerun would; the
# dd files there too, each replacing its own of the round before.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build}
work=${WORK_DIR:-${TMPDIR:-/tmp}/talmero-bench}
rodadas=${RODADAS:-5}
xlsx=${XLSX:-0}

# whole_run.sh builds what is missing and generates the files when they are not there yet.
RODADAS=0 TAMANHOS="${RISCOS:-1000000}:${SINISTROS:-300000}" BUILD_DIR=$build WORK_DIR=$work \
  "$repo/bench/whole_run.sh" >/dev/null

bin=$build/bin
out=$work/saidas
mkdir -p "$out"
plain=()
outputs=(--detalhes "$out/falhas.csv" --extrato "$out/extrato.csv" --html "$out/relatorio.html"
  --json "$out/resultado.json")
written=("$out/falhas.csv" "$out/extrato.csv" "$out/extrato-sinistros.csv" "$out/relatorio.html"
  "$out/resultado.json")
workbook=(--detalhes "$out/falhas.xlsx")

# One run under /usr/bin/time: prints "wall cpu peak_kb", the wall time to the microsecond.
run() {
  local status=0 start=$EPOCHREALTIME
  /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$bin/talmero-criticar" --catalogo "$bin" \
    --riscos "$work/riscos.dbf" --sinistros "$work/sinistros.dbf" --regional pt_BR \
    --saida "$out/relatorio.txt" --sem-avisos-de-data "$@" >/dev/null 2>"$work/stderr.txt" ||
    status=$?
  local end=$EPOCHREALTIME
  if (( status != 0 )); then
    echo "outputs_cost: the run ended with status $status" >&2
    tail -3 "$work/stderr.txt" >&2
    exit 1
  fi
  awk -v w="$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')" \
    '{printf "%s %.2f %s\n", w, $1 + $2, $3}' "$work/time.txt"
}
# The bytes of the given files written again by dd, each to its own file beside them and synced
# as the outputs are: prints "wall cpu bytes".
dd_like() {
  local start=$EPOCHREALTIME total=0 size i=0 me=$BASHPID
  local cpu0 cpu1
  cpu0=$(awk '{print $14 + $15 + $16 + $17}' "/proc/$me/stat")
  for f in "$@"; do
    size=$(stat -c %s "$f")
    dd if=/dev/zero of="$out/dd-$i" bs=1M iflag=count_bytes count="$size" conv=fsync status=none
    total=$((total + size))
    i=$((i + 1))
  done
  local end=$EPOCHREALTIME
  cpu1=$(awk '{print $14 + $15 + $16 + $17}' "/proc/$me/stat")
  awk -v a="$start" -v b="$end" -v c="$((cpu1 - cpu0))" -v t="$(getconf CLK_TCK)" -v n="$total" \
    'BEGIN {printf "%.3f %.2f %d\n", b - a, c / t, n}'
}
median() { sort -g | awk '{v[NR] = $0} END {print v[int((NR + 1) / 2)]}'; }
load() { cut -d' ' -f1 /proc/loadavg; }

declare -A walls cpus peaks bytes
kinds=(sem com dd)
(( xlsx == 1 )) && kinds+=(xlsx ddx)
loads=()
for ((i = 1; i <= rodadas; i++)); do
  for kind in "${kinds[@]}"; do
    loads+=("$(load)")
    case $kind in
      sem) read -r w c m < <(run "${plain[@]}") ;;
      com) read -r w c m < <(run "${outputs[@]}") ;;
      xlsx) read -r w c m < <(run "${workbook[@]}") ;;
      dd) read -r w c m < <(dd_like "${written[@]}") ;;
      ddx) read -r w c m < <(dd_like "$out/falhas.xlsx") ;;
    esac
    walls[$kind]+="$w "
    cpus[$kind]+="$c "
    case $kind in
      dd | ddx) bytes[$kind]=$m ;;
      *) (( m > ${peaks[$kind]:-0} )) && peaks[$kind]=$m ;;
    esac
  done
done
rm -f "$out"/dd-*

med() { tr ' ' '\n' <<<"$1" | grep . | median; }
echo "Carga antes de cada comando: ${loads[*]} (outras tarefas inflam o tempo de parede)"
echo "Arquivos:         $(cat "$work/parametros"); $rodadas rodadas, medianas; commit $(git -C "$repo" rev-parse --short HEAD 2>/dev/null || echo '?')"
base_w=$(med "${walls[sem]}")
base_c=$(med "${cpus[sem]}")
for kind in "${kinds[@]}"; do
  w=$(med "${walls[$kind]}")
  c=$(med "${cpus[$kind]}")
  case $kind in
    sem | com | xlsx)
      case $kind in
        sem) label="sem saidas" ;;
        com) label="CSV+extrato+HTML+JSON" ;;
        xlsx) label="lista em .xlsx" ;;
      esac
      printf '%-22s parede %7.3f s (%.2fx)  CPU %6.2f s (%.2fx)  memoria %.1f MB\n' "$label" "$w" \
        "$(awk "BEGIN {print $w / $base_w}")" "$c" "$(awk "BEGIN {print $c / $base_c}")" \
        "$(awk "BEGIN {print ${peaks[$kind]} / 1024}")"
      ;;
    dd | ddx)
      run_kind=com
      [[ $kind == ddx ]] && run_kind=xlsx
      added=$(awk -v a="$(med "${walls[$run_kind]}")" -v b="$base_w" 'BEGIN {printf "%.3f", a - b}')
      printf '%-22s %d bytes: dd conv=fsync %.3f s (CPU %.2f s); as saidas acrescentam %.3f s: %.2fx o dd\n' \
        "dd, $([[ $kind == dd ]] && echo "${#written[@]} arquivos" || echo "1 arquivo")" \
        "${bytes[$kind]}" "$w" "$c" "$added" "$(awk -v a="$added" -v b="$w" 'BEGIN {print a / b}')"
      ;;
  esac
done
