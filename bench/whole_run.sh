#!/usr/bin/env bash
# Whole-run benchmark: the time of one validation run over a large risks file and claims file,
# against the time of merely reading the same bytes, and the run's peak memory.
#
#   bench/whole_run.sh
#
# Settings (environment):
#   BUILD_DIR   Release build to use or make        (default: <repo>/build)
#   WORK_DIR    where the generated files are kept  (default: ${TMPDIR:-/tmp}/talmero-bench)
#   RISCOS      risk records                        (default: 1000000)
#   SINISTROS   claim records                       (default: 300000)
#   SEMENTE     generator seed                      (default: 20230101)
#   RODADAS     timed runs; the median is reported (default: 3)
#   NUCLEOS     threads of the run's walks (--nucleos; default: the runner's own)
#
# The files are generated once per (RISCOS, SINISTROS, SEMENTE) and reused afterwards. Both
# measurements read them after a warm-up read, so both see the files in the page cache.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$repo/build}
work=${WORK_DIR:-${TMPDIR:-/tmp}/talmero-bench}
riscos=${RISCOS:-1000000}
sinistros=${SINISTROS:-300000}
semente=${SEMENTE:-20230101}
rodadas=${RODADAS:-3}
nucleos=${NUCLEOS:-}

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

# --- data (once) ----------------------------------------------------------------------------
mkdir -p "$work"
stamp="riscos=$riscos sinistros=$sinistros semente=$semente"
if [[ ! -f $work/riscos.dbf || ! -f $work/sinistros.dbf || $(cat "$work/parametros" 2>/dev/null) != "$stamp" ]]; then
  echo "Gerando dados em $work ($stamp)"
  rm -f "$work/parametros"
  "$gerar" --saida "$work" --riscos "$riscos" --sinistros "$sinistros" --semente "$semente"
  echo "$stamp" >"$work/parametros"
fi
files=("$work/riscos.dbf" "$work/sinistros.dbf")
bytes=$(stat -c %s "${files[@]}" | awk '{s += $1} END {print s}')

# --- measurements ---------------------------------------------------------------------------
"$ler" "${files[@]}" >/dev/null  # warm-up: both measurements start from the page cache

load_before=$(cut -d' ' -f1-3 /proc/loadavg)  # other work on the machine inflates wall times
reads=()
runs=()  # "wall cpu" of each run
peak_kb=0
status=0
extra=()
[[ -n $nucleos ]] && extra=(--nucleos "$nucleos")
for ((i = 1; i <= rodadas; i++)); do
  reads+=("$("$ler" "${files[@]}" | awk '{print $4}')")
  set +e
  /usr/bin/time -v -o "$work/time.txt" "$criticar" --catalogo "$bin" --riscos "${files[0]}" \
    --sinistros "${files[1]}" --regional pt_BR --saida /dev/null "${extra[@]}" 2>"$work/stderr.txt"
  status=$?
  set -e
  run_s=$(awk -F': ' '/Elapsed \(wall clock\)/ {
      n = split($2, p, ":"); s = 0; for (k = 1; k <= n; k++) s = s * 60 + p[k]; print s }' "$work/time.txt")
  kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  cpu_s=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$work/time.txt")
  (( kb > peak_kb )) && peak_kb=$kb
  runs+=("$run_s $cpu_s")
  (( status == 0 )) || break
done
# The median: the middle one of the sorted figures (of the runs by wall time, with that run's CPU).
median() { sort -n | awk '{v[NR] = $0} END {print v[int((NR + 1) / 2)]}'; }
best_read=$(printf '%s\n' "${reads[@]}" | median)
read -r best_run best_cpu < <(printf '%s\n' "${runs[@]}" | median)

notices=$(grep -c "Data Inv" "$work/stderr.txt" || true)
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)

echo
echo "Maquina:          ${cpu:-desconhecida}, $(nproc) nucleos; build Release ($build)"
echo "Rodadas:          $rodadas (medianas)${nucleos:+; --nucleos $nucleos}; carga antes: $load_before"
echo "Arquivos:         $riscos riscos + $sinistros sinistros, $bytes bytes ($work)"
printf 'Leitura simples:  %.3f s  (%.0f MB/s)\n' "$best_read" "$(awk "BEGIN {print $bytes / 1e6 / $best_read}")"
printf 'Execucao:         %.3f s  (%.0f MB/s)\n' "$best_run" "$(awk "BEGIN {print $bytes / 1e6 / $best_run}")"
printf 'CPU da execucao:  %.3f s  (usuario + sistema; compare-o quando a maquina esta ocupada)\n' "$best_cpu"
printf 'Razao:            %.1f x a leitura simples\n' "$(awk "BEGIN {print $best_run / $best_read}")"
printf 'Memoria maxima:   %.1f MB\n' "$(awk "BEGIN {print $peak_kb / 1024}")"
echo "Avisos de data:   $notices linhas em stderr ($work/stderr.txt)"
echo "Saida da execucao: $status"
if (( status != 0 )); then
  echo "whole_run: the run ended with status $status; its standard error:" >&2
  grep -v "Data Inv" "$work/stderr.txt" | tail -5 >&2
  exit 1
fi
