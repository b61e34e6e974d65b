#!/usr/bin/env bash
# What the row-level outputs cost: the same validation run with and without the failure list,
# the records extract, the HTML page and the JSON result, on whole_run.sh's files and build.
#
#   bench/outputs_cost.sh
#
# Settings (environment), besides whole_run.sh's BUILD_DIR, WORK_DIR, RISCOS, SINISTROS, SEMENTE:
#   RODADAS   rounds; each runs both, one after the other, and the medians are reported (default: 3)
#   XLSX      1: also a run with the failure list as a workbook (.xlsx), which takes far longer
#
# The outputs go to WORK_DIR/saidas, replacing those of the round before, as a rerun would.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build}
work=${WORK_DIR:-${TMPDIR:-/tmp}/talmero-bench}
rodadas=${RODADAS:-3}
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
workbook=(--detalhes "$out/falhas.xlsx")

# One run under /usr/bin/time: prints "wall cpu peak_kb".
run() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$bin/talmero-criticar" --catalogo "$bin" \
    --riscos "$work/riscos.dbf" --sinistros "$work/sinistros.dbf" --regional pt_BR \
    --saida "$out/relatorio.txt" --sem-avisos-de-data "$@" >/dev/null 2>"$work/stderr.txt" ||
    { echo "outputs_cost: the run ended with status $?" >&2; tail -3 "$work/stderr.txt" >&2; exit 1; }
  awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$work/time.txt"
}
median() { sort -n | awk '{v[NR] = $0} END {print v[int((NR + 1) / 2)]}'; }

declare -A walls cpus peaks
kinds=(sem com)
(( xlsx == 1 )) && kinds+=(xlsx)
for ((i = 1; i <= rodadas; i++)); do
  for kind in "${kinds[@]}"; do
    case $kind in
      sem) read -r w c m < <(run "${plain[@]}") ;;
      com) read -r w c m < <(run "${outputs[@]}") ;;
      xlsx) read -r w c m < <(run "${workbook[@]}") ;;
    esac
    walls[$kind]+="$w "
    cpus[$kind]+="$c "
    (( m > ${peaks[$kind]:-0} )) && peaks[$kind]=$m
  done
done

echo "Carga da maquina: $(cut -d' ' -f1-3 /proc/loadavg) (outras tarefas inflam o tempo de parede)"
echo "Arquivos:         $(cat "$work/parametros"); $rodadas rodadas, medianas"
for kind in "${kinds[@]}"; do
  w=$(tr ' ' '\n' <<<"${walls[$kind]}" | grep . | median)
  c=$(tr ' ' '\n' <<<"${cpus[$kind]}" | grep . | median)
  case $kind in
    sem) label="sem saidas"; base_w=$w; base_c=$c ;;
    com) label="CSV+extrato+HTML+JSON" ;;
    xlsx) label="lista em .xlsx" ;;
  esac
  printf '%-22s parede %6.2f s (%.2fx)  CPU %6.2f s (%.2fx)  memoria %.1f MB\n' "$label" "$w" \
    "$(awk "BEGIN {print $w / $base_w}")" "$c" "$(awk "BEGIN {print $c / $base_c}")" \
    "$(awk "BEGIN {print ${peaks[$kind]} / 1024}")"
done
