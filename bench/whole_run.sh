#!/usr/bin/env bash
# Whole-run benchmark: a validation run over a large risks file and claims file against a plain
# read of the same bytes, at each size asked, alternating in every round: the plain read, the run
# with the runner's own threads, the run with --nucleos 1 (a figure of the CPU a record costs) and
# the run with one thread more than the machine has cores (what more threads than cores cost).
# Reported per size: the medians, their ratios to the plain read, the CPU times beside the wall
# times with their quotient (the cores used), the peak memory and the one-minute load average
# before each timed command.
#
# Other work inflates wall times: no figure is reported while another process takes more than
# OCUPACAO_MAXIMA of a core. Before each timed command every other process's CPU time is read
# from /proc over one second (the benchmark waits, at most ESPERA seconds, and then gives up
# naming the process), and a command during which the machine spent more CPU than the command
# itself by that much again (from /proc/stat) is run again.
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
#   OCUPACAO_MAXIMA  share of a core any other process may take while measuring (default: 0.1)
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
ocupacao_maxima=${OCUPACAO_MAXIMA:-0.1}
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

# --- other processes ---------------------------------------------------------------------------
# The load average lags a minute behind and counts waiting processes as well; what disturbs a
# measurement is another process's CPU time, read here from /proc.
ticks=$(getconf CLK_TCK)
# "pid ticks name" of every process but this script and its children, ticks = utime + stime.
process_ticks() {
  cat /proc/[0-9]*/stat 2>/dev/null | awk -v self=$$ '{
      lp = index($0, "("); rp = 0
      for (i = length($0); i > lp; i--) if (substr($0, i, 1) == ")") { rp = i; break }
      name = substr($0, lp + 1, rp - lp - 1); gsub(/[ \t]/, "_", name)
      split(substr($0, rp + 2), f, " ")  # f[1] state, f[2] ppid, f[12] utime, f[13] stime
      pid = $1 + 0; parent[pid] = f[2] + 0; t[pid] = f[12] + f[13]; n[pid] = name
    }
    END {
      for (pid in t) {
        mine = 0
        for (p = pid + 0; p > 1 && !mine; p = parent[p]) { if (p == self) mine = 1; if (!(p in parent)) break }
        if (!mine) print pid, t[pid], n[pid]
      }
    }'
}
# The machine's busy CPU time in ticks (/proc/stat: user, nice, system, irq, softirq, steal).
busy_ticks() { awk '/^cpu / {print $2 + $3 + $4 + $7 + $8 + $9}' /proc/stat; }
# The busiest other process over one second, "share pid name", where share is the cores it took
# (a process that ends within the second is counted by the machine's total instead).
busiest_other() {
  local before busy0 busy1
  before=$(process_ticks)
  busy0=$(busy_ticks)
  sleep 1
  busy1=$(busy_ticks)
  { echo "$before"; echo "--"; process_ticks; } | awk -v hz="$ticks" -v machine=$((busy1 - busy0)) '
    $1 == "--" { after = 1; next }
    !after { t0[$1] = $2; next }
    { d = ($1 in t0) ? $2 - t0[$1] : $2; if (d > best) { best = d; pid = $1; name = $3 }; sum += d }
    END {
      rest = machine - sum  # processes that ended within the second
      if (rest > best) {
        name = "processes that ended within the second" (best > 0 ? sprintf("; busiest still there: %s %.2f", name, best / hz) : "")
        best = rest; pid = "-"
      }
      printf "%.2f %s %s\n", best / hz, pid, name
    }'
}
# Waits until no other process takes more than OCUPACAO_MAXIMA of a core; after ESPERA seconds
# the benchmark ends without reporting, naming the process.
wait_quiet() {
  local waited=0 share pid name told=""
  while :; do
    read -r share pid name <<<"$(busiest_other)"
    awk -v s="$share" -v m="$ocupacao_maxima" 'BEGIN {exit !(s > m)}' || return 0
    if [[ -z $told ]]; then
      echo "whole_run: waiting: process $pid ($name) takes $share of a core (OCUPACAO_MAXIMA $ocupacao_maxima)" >&2
      told=1
    fi
    (( waited < espera )) ||
      fail "process $pid ($name) takes $share of a core, over OCUPACAO_MAXIMA $ocupacao_maxima, after ${espera} s: nothing reported"
    waited=$((waited + 1))
  done
}
# The cores other processes took while COMMAND ran: the machine's busy time less COMMAND's own,
# over COMMAND's wall time. Prints COMMAND's "wall cpu peak_kb others" to WORK_DIR/run.txt.
# COMMAND runs under /usr/bin/time (its peak memory) inside the shell's `time` (its CPU to the
# millisecond: time's own %U and %S have two decimals, off by up to 20 ms on a 50 ms command).
# /proc/stat counts in ticks, each core's count off by up to one tick at either reading: that
# much of the machine's busy time is not charged to other processes, or a plain read of 50 ms
# would never pass. One that does not end with status 0 ends the benchmark.
timed() {
  local status=0 busy0 busy1 start end user system TIMEFORMAT='%3U %3S'
  busy0=$(busy_ticks)
  start=$EPOCHREALTIME  # the wall time in microseconds (time's own has two decimals)
  { time /usr/bin/time -f '%M' -o "$work/time.txt" "$@" 2>"$work/stderr.txt"; } \
    2>"$work/cpu.txt" || status=$?
  end=$EPOCHREALTIME
  busy1=$(busy_ticks)
  if (( status != 0 )); then
    echo "whole_run: $(basename "$1") ended with status $status; its standard error:" >&2
    grep -v "Data Inv" "$work/stderr.txt" | tail -5 >&2
    exit 1
  fi
  read -r user system <"$work/cpu.txt"
  awk -v a="$start" -v b="$end" -v busy=$((busy1 - busy0)) -v hz="$ticks" -v cores="$cores" \
      -v u="$user" -v s="$system" '{
      w = b - a; c = u + s; o = (busy - cores) / hz - c; if (o < 0) o = 0
      printf "%.3f %.3f %s %.2f\n", w, c, $1, o / w
    }' "$work/time.txt" >"$work/run.txt"
}
# A timed command on a quiet machine: waits for quiet, runs it, and runs it again while other
# processes took more than OCUPACAO_MAXIMA of a core meanwhile (at most ESPERA seconds).
measured() {
  local waited=0 others start
  while :; do
    wait_quiet
    start=$SECONDS
    timed "$@"
    read -r _ _ _ others <"$work/run.txt"
    awk -v s="$others" -v m="$ocupacao_maxima" 'BEGIN {exit !(s > m)}' || return 0
    waited=$((waited + SECONDS - start + 1))
    echo "whole_run: other processes took $others of a core during $(basename "$1"): measured again" >&2
    (( waited < espera )) ||
      fail "other processes kept taking more than $ocupacao_maxima of a core for ${espera} s: nothing reported"
  done
}
# One run of the runner; RUNNER_BIN: the bin/ of the runner to time (default: the build measured).
run() {
  local at=${RUNNER_BIN:-$bin}
  measured "$at/talmero-criticar" --catalogo "$at" --riscos "$1/riscos.dbf" \
    --sinistros "$1/sinistros.dbf" --regional pt_BR --saida /dev/null "${@:2}"
}
median() { sort -g | awk '{v[NR] = $0} END {print v[int((NR + 1) / 2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.1f", a / b}'; }
ratio2() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# "wall s (CPU cpu s, cpu/wall cores[, MiB])": a time with the cores it kept busy.
figure() {
  awk -v w="$1" -v c="$2" -v kb="${3:-}" 'BEGIN {
      printf "%s s (CPU %s s, %.2f cores%s)", w, c, (w > 0 ? c / w : 0), (kb == "" ? "" : sprintf(", %d MiB", kb / 1024))
    }'
}

cores=$(nproc)
more=$((cores + 1))  # one thread more than the cores: the threads then wait for a core
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
threads=()
[[ -n $nucleos ]] && threads=(--nucleos "$nucleos")
echo "Maquina: ${cpu:-desconhecida}, $cores nucleos; build Release ($build); $rodadas rodadas;" \
  "nenhum outro processo acima de $ocupacao_maxima de um nucleo"
rows=()
for folder in "${folders[@]}"; do
  files=("$folder/riscos.dbf" "$folder/sinistros.dbf")
  bytes=$(stat -c %s "${files[@]}" | awk '{s += $1} END {print s}')
  "$ler" "${files[@]}" >/dev/null  # every measurement starts from the page cache
  echo
  echo "== $(cat "$folder/parametros"), $bytes bytes ($folder)"
  printf '%-7s %-6s %-34s %-6s %-44s %-6s %-44s %-6s %s\n' rodada carga leitura carga \
    "execucao${nucleos:+ (--nucleos $nucleos)}" carga "--nucleos 1" carga "--nucleos $more"
  reads=() read_cpus=() walls=() cpus=() walls1=() cpus1=() walls3=() cpus3=() loads=()
  others=() base_walls=() base_walls1=() base_walls3=()
  peak_kb=0
  for ((i = 1; i <= rodadas; i++)); do
    l0=$(load)
    measured "$ler" "${files[@]}"
    read -r read_s read_c _ o0 <"$work/run.txt"
    l1=$(load)
    run "$folder" "${threads[@]}"
    read -r w c kb o1 <"$work/run.txt"
    l2=$(load)
    run "$folder" --nucleos 1
    read -r w1 c1 kb1 o2 <"$work/run.txt"
    l3=$(load)
    run "$folder" --nucleos "$more"
    read -r w3 c3 kb3 o3 <"$work/run.txt"
    for k in "$kb" "$kb1" "$kb3"; do (( k > peak_kb )) && peak_kb=$k; done
    reads+=("$read_s") read_cpus+=("$read_c") walls+=("$w") cpus+=("$c") walls1+=("$w1")
    cpus1+=("$c1") walls3+=("$w3") cpus3+=("$c3")
    loads+=("$l0" "$l1" "$l2" "$l3") others+=("$o0" "$o1" "$o2" "$o3")
    printf '%-7s %-6s %-34s %-6s %-44s %-6s %-44s %-6s %s\n' "$i" "$l0" "$(figure "$read_s" "$read_c")" \
      "$l1" "$(figure "$w" "$c" "$kb")" "$l2" "$(figure "$w1" "$c1" "$kb1")" "$l3" "$(figure "$w3" "$c3" "$kb3")"
    if [[ -n $base_dir ]]; then
      RUNNER_BIN=$base_bin run "$folder" "${threads[@]}"
      read -r bw bc _ _ <"$work/run.txt"
      RUNNER_BIN=$base_bin run "$folder" --nucleos 1
      read -r bw1 bc1 _ _ <"$work/run.txt"
      RUNNER_BIN=$base_bin run "$folder" --nucleos "$more"
      read -r bw3 bc3 _ _ <"$work/run.txt"
      base_walls+=("$bw") base_walls1+=("$bw1") base_walls3+=("$bw3")
      printf '%-7s %-6s %-34s %-6s %-44s %-6s %-44s %-6s %s\n' "base" "" "" "" "$(figure "$bw" "$bc")" \
        "" "$(figure "$bw1" "$bc1")" "" "$(figure "$bw3" "$bc3")"
    fi
  done
  r=$(printf '%s\n' "${reads[@]}" | median)
  rc=$(printf '%s\n' "${read_cpus[@]}" | median)
  w=$(printf '%s\n' "${walls[@]}" | median)
  c=$(printf '%s\n' "${cpus[@]}" | median)
  w1=$(printf '%s\n' "${walls1[@]}" | median)
  c1=$(printf '%s\n' "${cpus1[@]}" | median)
  w3=$(printf '%s\n' "${walls3[@]}" | median)
  c3=$(printf '%s\n' "${cpus3[@]}" | median)
  max_load=$(printf '%s\n' "${loads[@]}" | sort -g | tail -1)
  max_others=$(printf '%s\n' "${others[@]}" | sort -g | tail -1)
  peak=$(awk -v k="$peak_kb" 'BEGIN {printf "%.1f", k / 1024}')
  echo "Leitura simples:  $(figure "$r" "$rc") ($(awk -v b="$bytes" -v s="$r" 'BEGIN {printf "%.0f", b / 1e6 / s}') MB/s)"
  echo "Execucao:         $(figure "$w" "$c"): $(ratio "$w" "$r") x a leitura"
  echo "--nucleos 1:      $(figure "$w1" "$c1"): $(ratio "$w1" "$r") x a leitura (CPU $(ratio "$c1" "$r") x)"
  echo "--nucleos $more:      $(figure "$w3" "$c3"): $(ratio "$w3" "$r") x a leitura, $(ratio2 "$w3" "$w") x a execucao"
  if [[ -n $base_dir ]]; then
    bw=$(printf '%s\n' "${base_walls[@]}" | median)
    bw1=$(printf '%s\n' "${base_walls1[@]}" | median)
    bw3=$(printf '%s\n' "${base_walls3[@]}" | median)
    echo "Base ($base_dir): $bw s, --nucleos 1 $bw1 s, --nucleos $more $bw3 s: a execucao leva $(ratio2 "$w" "$bw") x a da base, --nucleos 1 $(ratio2 "$w1" "$bw1") x, --nucleos $more $(ratio2 "$w3" "$bw3") x"
  fi
  echo "Memoria maxima:   $peak MiB"
  echo "Carga antes:      ${loads[*]} (maior $max_load)"
  echo "Outros processos: ${others[*]} nucleo durante cada comando (maior $max_others)"
  rows+=("| $(date +%F) | $(sed 's/riscos=\([0-9]*\) sinistros=\([0-9]*\).*/\1 + \2/' "$folder/parametros") | $r s | $w s ($c s CPU, $(ratio2 "$c" "$w") cores) | $(ratio "$w" "$r")x | $w1 s ($c1 s CPU, $(ratio2 "$c1" "$w1") cores) | $(ratio "$w1" "$r")x | $w3 s ($c3 s CPU, $(ratio2 "$c3" "$w3") cores) | $peak MiB | $max_load; others at most $max_others core |")
done

echo
echo "Linhas para docs/performance.md (medianas de $rodadas rodadas):"
echo "| date | data | plain read | run | ratio | --nucleos 1 | ratio | --nucleos $more | peak | highest load before a run; others' cores during one |"
echo "|---|---|---|---|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
