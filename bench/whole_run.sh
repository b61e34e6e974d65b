#!/usr/bin/env bash
# Whole-run benchmark: a validation run over a large risks file and claims file against a plain
# read of the same bytes, at each size asked, alternating in every round: the plain read, the run
# with the runner's own threads, the run with --nucleos 1 (a figure of the CPU a record costs).
# Reported per size: the medians, their ratios to the plain read, the CPU times, the peak memory
# and the one-minute load average before each timed command (other work inflates wall times).
#
#   bench/whole_run.sh
#
# Settings (environment):
#   BUILD_DIR     Release build to use or make            (default: <repo>/build)
#   WORK_DIR      where the generated files are kept      (default: ${TMPDIR:-/tmp}/talmero-bench)
#   TAMANHOS      sizes as RISCOS:SINISTROS, blank-separated
#                 (default: 1000000:300000 4000000:1200000; RISCOS:SINISTROS when either is set)
#   SEMENTE       generator seed                          (default: 20230101)
#   ERROS         share of faulty values in %, as the generator's --erros (default: its own, 3)
#   RODADAS       rounds; medians are reported (default: 5; 0 builds and generates only)
#   NUCLEOS       threads of the first run of a round     (default: the runner's own)
#   CARGA_MAXIMA  wait before each timed command until the one-minute load average is below
#                 this (e.g. 0.3), at most ESPERA seconds (default: 900); unset: no wait
#   BASE_DIR      a Release build of another commit (its bin/ holds talmero-criticar and the
#                 catalogue): every round also runs it, right after the build measured, with the
#                 same options, and its medians are reported beside (a change no slower than its
#                 base is told from the same rounds, whatever the machine does meanwhile)
#
# The first size's files are WORK_DIR/riscos.dbf and WORK_DIR/sinistros.dbf (outputs_cost.sh
# reads them there); any other size's go to WORK_DIR/RISCOS-SINISTROS/. Files are generated once
# per size and seed and reused afterwards. Everything is read once before the first round, so
# every measurement starts from the page cache.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build}
work=${WORK_DIR:-${TMPDIR:-/tmp}/talmero-bench}
semente=${SEMENTE:-20230101}
erros=${ERROS:-}
rodadas=${RODADAS:-5}
nucleos=${NUCLEOS:-}
carga_maxima=${CARGA_MAXIMA:-}
espera=${ESPERA:-900}
base_dir=${BASE_DIR:-}
if [[ -n ${RISCOS:-}${SINISTROS:-} ]]; then
  tamanhos=${TAMANHOS:-${RISCOS:-1000000}:${SINISTROS:-300000}}
else
  tamanhos=${TAMANHOS:-1000000:300000 4000000:1200000}
fi

fail() { echo "whole_run: $*" >&2; exit 1; }

# --- tools --------------------------------------------------------------------------------
if [[ ! -x /usr/bin/time ]]; then
  echo "whole_run: installing GNU time for the peak-memory figure"
  if [[ $(id -u) -eq 0 ]]; then
    apt-get install -y -q time >/dev/null || { apt-get update -q >/dev/null && apt-get install -y -q time >/dev/null; }
  else
    sudo apt-get install -y -q time >/dev/null
  fi
fi
[[ -x /usr/bin/time ]] || fail "/usr/bin/time is missing"

# --- build ----------------------------------------------------------------------------------
if [[ -f $build/CMakeCache.txt ]]; then
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
  [[ $type == Release ]] || fail "$build is a '$type' build; set BUILD_DIR to a Release build"
else
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTALMERO_WINDOW=OFF \
    -DTALMERO_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target talmero-criticar talmero-gerar-dados talmero-ler-bytes \
  talmero_data >/dev/null || fail "build failed in $build"

bin=$build/bin
criticar=$bin/talmero-criticar
gerar=$build/tools/talmero-gerar-dados
ler=$build/tools/talmero-ler-bytes
for f in "$criticar" "$gerar" "$ler" "$bin/tabelas.dbf" "$bin/anexos.dbf" "$bin/DadosKov.DBF"; do
  [[ -e $f ]] || fail "missing $f"
done
if [[ -n $base_dir ]]; then
  base_bin=$(cd "$base_dir/bin" && pwd) || fail "BASE_DIR has no bin/"
  [[ -x $base_bin/talmero-criticar && -e $base_bin/tabelas.dbf ]] ||
    fail "missing $base_bin/talmero-criticar or its catalogue"
fi

# --- data (once per size) -------------------------------------------------------------------
read -r -a sizes <<<"$tamanhos"
folders=()
for size in "${sizes[@]}"; do
  [[ $size =~ ^([0-9]+):([0-9]+)$ ]] || fail "size '$size' is not RISCOS:SINISTROS"
  riscos=${BASH_REMATCH[1]}
  sinistros=${BASH_REMATCH[2]}
  folder=$work
  (( ${#folders[@]} > 0 )) && folder=$work/$riscos-$sinistros
  mkdir -p "$folder"
  stamp="riscos=$riscos sinistros=$sinistros semente=$semente${erros:+ erros=$erros}"
  if [[ ! -f $folder/riscos.dbf || ! -f $folder/sinistros.dbf ||
        $(cat "$folder/parametros" 2>/dev/null) != "$stamp" ]]; then
    echo "Gerando dados em $folder ($stamp)"
    rm -f "$folder/parametros"
    "$gerar" --saida "$folder" --riscos "$riscos" --sinistros "$sinistros" --semente "$semente" \
      ${erros:+--erros "$erros"}
    echo "$stamp" >"$folder/parametros"
  fi
  folders+=("$folder")
done
(( rodadas > 0 )) || exit 0

# --- measurements ---------------------------------------------------------------------------
# The one-minute load average, after waiting for it to fall below CARGA_MAXIMA when that is set.
load() {
  local waited=0
  while [[ -n $carga_maxima ]] && (( waited < espera )) &&
        awk -v l="$(cut -d' ' -f1 /proc/loadavg)" -v m="$carga_maxima" 'BEGIN {exit !(l >= m)}'; do
    sleep 5
    waited=$((waited + 5))
  done
  cut -d' ' -f1 /proc/loadavg
}
# One run under /usr/bin/time; its "wall cpu peak_kb" in WORK_DIR/run.txt. A run that does not
# end with status 0 ends the benchmark.
# RUNNER_BIN: the bin/ of the runner to time (default: the build measured).
run() {
  local status=0 start=$EPOCHREALTIME  # the wall time in microseconds (time's own has two decimals)
  local at=${RUNNER_BIN:-$bin}
  /usr/bin/time -f '%U %S %M' -o "$work/time.txt" "$at/talmero-criticar" --catalogo "$at" \
    --riscos "$1/riscos.dbf" --sinistros "$1/sinistros.dbf" --regional pt_BR --saida /dev/null \
    "${@:2}" 2>"$work/stderr.txt" || status=$?
  local end=$EPOCHREALTIME
  if (( status != 0 )); then
    echo "whole_run: the run ended with status $status; its standard error:" >&2
    grep -v "Data Inv" "$work/stderr.txt" | tail -5 >&2
    exit 1
  fi
  awk -v w="$(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}')" \
    '{printf "%s %.2f %s\n", w, $1 + $2, $3}' "$work/time.txt" >"$work/run.txt"
}
median() { sort -g | awk '{v[NR] = $0} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f", a / b}'; }
ratio2() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
threads=()
[[ -n $nucleos ]] && threads=(--nucleos "$nucleos")
echo "Maquina: ${cpu:-desconhecida}, $(nproc) nucleos; build Release ($build); $rodadas rodadas"
rows=()
for folder in "${folders[@]}"; do
  files=("$folder/riscos.dbf" "$folder/sinistros.dbf")
  bytes=$(stat -c %s "${files[@]}" | awk '{s += $1} END {print s}')
  "$ler" "${files[@]}" >/dev/null  # every measurement starts from the page cache
  echo
  echo "== $(cat "$folder/parametros"), $bytes bytes ($folder)"
  printf '%-7s %-6s %-9s %-6s %-30s %-6s %s\n' rodada carga leitura carga \
    "execucao${nucleos:+ (--nucleos $nucleos)}" carga "--nucleos 1"
  reads=() walls=() cpus=() walls1=() cpus1=() loads=() base_walls=() base_walls1=()
  peak_kb=0
  for ((i = 1; i <= rodadas; i++)); do
    l0=$(load)
    read_s=$("$ler" "${files[@]}" | awk '{print $4}')
    l1=$(load)
    run "$folder" "${threads[@]}"
    read -r w c kb <"$work/run.txt"
    l2=$(load)
    run "$folder" --nucleos 1
    read -r w1 c1 kb1 <"$work/run.txt"
    (( kb > peak_kb )) && peak_kb=$kb
    (( kb1 > peak_kb )) && peak_kb=$kb1
    reads+=("$read_s") walls+=("$w") cpus+=("$c") walls1+=("$w1") cpus1+=("$c1")
    loads+=("$l0" "$l1" "$l2")
    printf '%-7s %-6s %-9s %-6s %-30s %-6s %s\n' "$i" "$l0" "$read_s s" "$l1" \
      "$w s (CPU $c s, $((kb / 1024)) MiB)" "$l2" "$w1 s (CPU $c1 s, $((kb1 / 1024)) MiB)"
    if [[ -n $base_dir ]]; then
      RUNNER_BIN=$base_bin run "$folder" "${threads[@]}"
      read -r bw _ _ <"$work/run.txt"
      RUNNER_BIN=$base_bin run "$folder" --nucleos 1
      read -r bw1 _ _ <"$work/run.txt"
      base_walls+=("$bw") base_walls1+=("$bw1")
      printf '%-7s %-6s %-9s %-6s %-30s %-6s %s\n' "base" "" "" "" "$bw s" "" "$bw1 s"
    fi
  done
  r=$(printf '%s\n' "${reads[@]}" | median)
  w=$(printf '%s\n' "${walls[@]}" | median)
  c=$(printf '%s\n' "${cpus[@]}" | median)
  w1=$(printf '%s\n' "${walls1[@]}" | median)
  c1=$(printf '%s\n' "${cpus1[@]}" | median)
  max_load=$(printf '%s\n' "${loads[@]}" | sort -g | tail -1)
  peak=$(awk -v k="$peak_kb" 'BEGIN {printf "%.1f", k / 1024}')
  echo "Leitura simples:  $r s ($(awk -v b="$bytes" -v s="$r" 'BEGIN {printf "%.0f", b / 1e6 / s}') MB/s)"
  echo "Execucao:         $w s, CPU $c s: $(ratio "$w" "$r") x a leitura"
  echo "--nucleos 1:      $w1 s, CPU $c1 s: $(ratio "$w1" "$r") x a leitura (CPU $(ratio "$c1" "$r") x)"
  if [[ -n $base_dir ]]; then
    bw=$(printf '%s\n' "${base_walls[@]}" | median)
    bw1=$(printf '%s\n' "${base_walls1[@]}" | median)
    echo "Base ($base_dir): $bw s e --nucleos 1 $bw1 s: a execucao leva $(ratio2 "$w" "$bw") x a da base, --nucleos 1 $(ratio2 "$w1" "$bw1") x"
  fi
  echo "Memoria maxima:   $peak MiB"
  echo "Carga antes:      ${loads[*]} (maior $max_load)"
  rows+=("| $(date +%F) | $(sed 's/riscos=\([0-9]*\) sinistros=\([0-9]*\).*/\1 + \2/' "$folder/parametros") | $r s | $w s ($c s CPU) | $(ratio "$w" "$r")x | $w1 s ($c1 s CPU) | $(ratio "$w1" "$r")x | $peak MiB | $max_load |")
done

echo
echo "Linhas para docs/performance.md (medianas de $rodadas rodadas):"
echo "| date | data | plain read | run | ratio | --nucleos 1 | ratio | peak | highest load before a run |"
echo "|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
