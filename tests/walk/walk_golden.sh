#!/usr/bin/env bash
# The walk against reference outputs: small generated files of several seeds (one with many
# faults) and runs that end in an error, each run with every output on, compared byte for byte
# with the outputs kept in tests/data/walk-golden, which the three-pass build wrote before the
# walk read each file once (the HTML pages, pagina.html, were kept later, by the walk's build:
# the other outputs it wrote again were those kept byte for byte). The inputs are generated
# again here, so only the outputs are kept. Times, and the last year a date may have, which
# follows the clock, are masked in every output that tells them.
#
#   walk_golden.sh BIN_DIR TOOLS_DIR GOLDEN_DIR [--gravar]
#
# BIN_DIR holds talmero-criticar and the catalogue; TOOLS_DIR talmero-gerar-dados. With
# --gravar the outputs replace those in GOLDEN_DIR (done once, with the reference build, which
# has no --nucleos; a new output is kept the same way, and only its files may change).
# Otherwise every case runs twice, its walks on one thread (--nucleos 1) and on two
# (--nucleos 2), and both must give the kept outputs.
set -euo pipefail

bin=$(cd "$1" && pwd)
tools=$(cd "$2" && pwd)
golden=$3
record=${4:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A copy of a table without one field: its descriptor and its bytes in every record removed.
# SRC DST NAME, repeated for more copies: one python for all, as each takes long to start.
drop_field() {
  python3 - "$@" <<'PY'
import struct, sys

def drop(src, dst, name):
    data = open(src, 'rb').read()
    header_len, record_len = struct.unpack_from('<HH', data, 8)
    fields, pos, offset, cut = [], 32, 1, None
    while data[pos] != 0x0D:
        d = data[pos:pos + 32]
        length = d[16]
        if d[:11].rstrip(b'\0') == name:
            cut = (offset, length)
        else:
            fields.append(d)
        offset += length
        pos += 32
    start, length = cut
    body = data[header_len:]
    count = len(body) // record_len
    records = [body[i * record_len:(i + 1) * record_len] for i in range(count)]
    head = bytearray(data[:32])
    struct.pack_into('<HH', head, 8, header_len - 32, record_len - length)
    out = bytes(head) + b''.join(fields) + b'\x0D' + data[pos + 1:header_len]
    out += b''.join(r[:start] + r[start + length:] for r in records) + body[count * record_len:]
    open(dst, 'wb').write(out)

for at in range(1, len(sys.argv), 3):
    drop(sys.argv[at], sys.argv[at + 1], sys.argv[at + 2].encode())
PY
}

# The catalogue in DIR without the rule row of field NAME of table TABLE (the rows after it in
# that table move up one position, as the field is gone from the file too) and without the
# field's allowed values. DIR TABLE NAME, repeated for more catalogues.
drop_rule() {
  python3 - "$@" <<'PY'
import struct, sys

def load(path):
    data = open(path, 'rb').read()
    count, header_len, record_len = struct.unpack_from('<IHH', data, 4)
    fields, pos, offset = {}, 32, 1
    while data[pos] != 0x0D:
        d = data[pos:pos + 32]
        fields[d[:11].rstrip(b'\0').upper()] = (offset, d[16])
        offset += d[16]
        pos += 32
    body = data[header_len:header_len + count * record_len]
    rows = [bytearray(body[i * record_len:(i + 1) * record_len]) for i in range(count)]
    return data[:header_len], fields, rows

def text(row, fields, column):
    offset, length = fields[column]
    return bytes(row[offset:offset + length]).strip()

def save(path, head, rows):
    head = bytearray(head)
    struct.pack_into('<I', head, 4, len(rows))
    open(path, 'wb').write(bytes(head) + b''.join(rows) + b'\x1A')

def drop(folder, table, name):
    head, fields, rows = load(folder + '/tabelas.dbf')
    mine = [r for r in rows if text(r, fields, b'TABELA') == table]
    gone = [r for r in mine if text(r, fields, b'CAMPO') == name]
    assert len(gone) == 1, (table, name)
    position = int(text(gone[0], fields, b'ORDEM'))
    offset, length = fields[b'ORDEM']
    for r in mine:
        ordem = int(text(r, fields, b'ORDEM'))
        if ordem > position:
            r[offset:offset + length] = str(ordem - 1).rjust(length).encode()
    save(folder + '/tabelas.dbf', head, [r for r in rows if r is not gone[0]])
    head, fields, rows = load(folder + '/anexos.dbf')
    save(folder + '/anexos.dbf', head, [r for r in rows if not (
        text(r, fields, b'TABELA') == table and text(r, fields, b'CAMPO') == name)])

for at in range(1, len(sys.argv), 3):
    drop(sys.argv[at], sys.argv[at + 1].encode(), sys.argv[at + 2].encode())
PY
}

# Record RECNO of a table with field NAME's bytes replaced by TEXT (padded with blanks).
set_field() {
  python3 - "$1" "$2" "$3" "$4" <<'PY'
import struct, sys
path, recno, name, text = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode(), sys.argv[4].encode()
data = bytearray(open(path, 'rb').read())
header_len, record_len = struct.unpack_from('<HH', data, 8)
pos, offset = 32, 1
while data[pos] != 0x0D:
    d = data[pos:pos + 32]
    if d[:11].rstrip(b'\0') == name:
        at = header_len + (recno - 1) * record_len + offset
        data[at:at + d[16]] = text.ljust(d[16])[:d[16]]
        break
    offset += d[16]
    pos += 32
open(path, 'wb').write(bytes(data))
PY
}

# Run NAME in its own folder: the catalogue in cat/, the inputs in in/, relative paths only,
# so that no output names the temporary folder.
run_case() {
  local name=$1
  shift
  local dir=$work/$name
  rm -f "$dir"/*.txt "$dir"/*.csv "$dir"/*.json "$dir"/*.html
  (
    cd "$dir"
    set +e
    "$bin/talmero-criticar" --catalogo cat --regional pt_BR --saida relatorio.txt \
      --detalhes detalhes.csv --json resultado.json --extrato extrato.csv --html pagina.html \
      "${threads[@]}" "$@" 2>stderr.txt
    echo "$?" >status.txt
  )
  # Start and end times differ from run to run.
  for f in "$dir"/relatorio.txt "$dir"/resultado.json "$dir"/pagina.html; do
    [[ -f $f ]] || continue
    sed -i -E 's#[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}#@HORA@#g;
               s#[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}#@HORA@#g' "$f"
  done
  # The last accepted year of a date follows the clock's year.
  for f in "$dir"/detalhes.csv "$dir"/pagina.html; do
    [[ -f $f ]] || continue
    LC_ALL=C sed -i -E 's#, de 1900 a [0-9]{4}\.#, de 1900 a @ANO@.#g' "$f"
  done
}

threads=()
prepare() {
  local name=$1 riscos=$2 sinistros=$3 semente=$4
  shift 4
  mkdir -p "$work/$name/cat"
  cp "$bin/tabelas.dbf" "$bin/anexos.dbf" "$bin/DadosKov.DBF" "$work/$name/cat/"
  "$tools/talmero-gerar-dados" --saida "$work/$name/in" --riscos "$riscos" \
    --sinistros "$sinistros" --semente "$semente" "$@" >/dev/null
}

prepare semente-11 200 70 11
prepare semente-12 250 90 12
prepare muitas-falhas 150 60 13 --erros 40 --excluidos 10
# No totals file: the run ends with its open error after the claims check.
prepare sem-dadoskov 120 40 14
rm "$work/sem-dadoskov/cat/DadosKov.DBF"
# A risks file without INICIO_VIG: its structure check fails, and the reconciliation ends the
# run with the missing field.
prepare sem-campo 120 40 15
drop_field "$work/sem-campo/in/riscos.dbf" "$work/sem-campo/in/riscos-sem-inicio.dbf" INICIO_VIG
# A risk of another company halfway: the field checks stop there, but the claims check and the
# reconciliation still take the whole file.
prepare outra-empresa 160 60 16
set_field "$work/outra-empresa/in/riscos.dbf" 70 COD_SEG 99999
# Each field that the claims check and the reconciliation read by name, missing from its file
# and from the catalogue: the structure check passes, the walk goes through, and the phase that
# reads the field ends the run with the error of its own table object (tbRiscos, tbSinistros),
# after the lines written before it. With both files (sem-*) or only the one that lacks the
# field (so-*). The generated files name the issue date DATA_EMISS, which the reconciliation
# takes where DATA_EMIS is missing.
prepare sem-campo-base 30 12 19
missing=()
dropped_fields=()
dropped_rules=()
without() {
  local name=$1 file=$2 field=$3
  mkdir -p "$work/$name"
  cp -r "$work/sem-campo-base/in" "$work/sem-campo-base/cat" "$work/$name/"
  dropped_fields+=("$work/$name/in/$file.dbf" "$work/$name/in/$file.dbf" "$field")
  dropped_rules+=("$work/$name/cat" "${file^^}" "$field")
  missing+=("$name")
}
for f in APOLICE ITEM INICIO_VIG FIM_VIG DATA_EMISS PRE_CASCO PRE_OUTROS PRE_RCDMAT PRE_RCDC \
  PRE_RCDMOR PRE_APP_MA PRE_APP_IA PRE_APP_DM; do
  without "sem-riscos-${f,,}" riscos "$f"
done
for f in APOLICE ITEM EVENTO INDENIZ D_AVI; do without "sem-sinistros-${f,,}" sinistros "$f"; done
without so-riscos-pre_outros riscos PRE_OUTROS
without so-sinistros-d_avi sinistros D_AVI
drop_field "${dropped_fields[@]}"
drop_rule "${dropped_rules[@]}"

run_all() {
  run_case semente-11 --riscos in/riscos.dbf --sinistros in/sinistros.dbf
  run_case semente-12 --riscos in/riscos.dbf --sinistros in/sinistros.dbf --max-detalhes 3
  run_case muitas-falhas --riscos in/riscos.dbf --sinistros in/sinistros.dbf --max-detalhes 5
  run_case sem-dadoskov --riscos in/riscos.dbf --sinistros in/sinistros.dbf
  run_case sem-campo --riscos in/riscos-sem-inicio.dbf --sinistros in/sinistros.dbf
  run_case outra-empresa --riscos in/riscos.dbf --sinistros in/sinistros.dbf
  for c in "${missing[@]}"; do
    case $c in
      so-riscos-*) run_case "$c" --riscos in/riscos.dbf ;;
      so-sinistros-*) run_case "$c" --sinistros in/sinistros.dbf ;;
      *) run_case "$c" --riscos in/riscos.dbf --sinistros in/sinistros.dbf ;;
    esac
  done
}

cases=(semente-11 semente-12 muitas-falhas sem-dadoskov sem-campo outra-empresa "${missing[@]}")
outputs=(status.txt stderr.txt relatorio.txt detalhes.csv resultado.json extrato.csv
  extrato-sinistros.csv pagina.html)
if [[ $record == --gravar ]]; then
  run_all
  for c in "${cases[@]}"; do
    mkdir -p "$golden/$c"
    for o in "${outputs[@]}"; do
      if [[ -f $work/$c/$o ]]; then cp "$work/$c/$o" "$golden/$c/$o"; else rm -f "$golden/$c/$o"; fi
    done
  done
  echo "walk_golden: outputs written to $golden"
  exit 0
fi

# Files of many chunks, which the walk's workers check out of order: no kept outputs, the walk
# on one thread is the reference for two and three. A risk of another company late in the file
# stops the field checks in the middle of a chunk.
prepare muitos-blocos 6000 2500 17 --erros 40 --excluidos 5
set_field "$work/muitos-blocos/in/riscos.dbf" 4321 COD_SEG 99999
prepare muitos-blocos-inteiro 5000 3000 18 --erros 25
run_large() {
  run_case muitos-blocos --riscos in/riscos.dbf --sinistros in/sinistros.dbf --max-detalhes 7
  run_case muitos-blocos-inteiro --riscos in/riscos.dbf --sinistros in/sinistros.dbf
}
large=(muitos-blocos muitos-blocos-inteiro)

failed=0
threads=(--nucleos 1)
run_large
for c in "${large[@]}"; do cp -r "$work/$c" "$work/$c-ref"; done
for n in 2 3; do
  threads=(--nucleos "$n")
  run_large
  for c in "${large[@]}"; do
    for o in "${outputs[@]}"; do
      if ! cmp -s "$work/$c-ref/$o" "$work/$c/$o"; then
        echo "walk_golden: $c/$o differs between --nucleos 1 and --nucleos $n" >&2
        failed=1
      fi
    done
  done
done

for n in 1 2; do
  threads=(--nucleos "$n")
  run_all
  for c in "${cases[@]}"; do
    for o in "${outputs[@]}"; do
      want=$golden/$c/$o
      got=$work/$c/$o
      if [[ -f $want && -f $got ]]; then
        cmp -s "$want" "$got" && continue
        echo "walk_golden: $c/$o differs (--nucleos $n):" >&2
        diff <(iconv -f WINDOWS-1252 -t UTF-8 "$want" 2>/dev/null || cat "$want") \
          <(iconv -f WINDOWS-1252 -t UTF-8 "$got" 2>/dev/null || cat "$got") | head -20 >&2 || true
      elif [[ ! -f $want && ! -f $got ]]; then
        continue
      else
        echo "walk_golden: $c/$o is present on one side only (--nucleos $n)" >&2
      fi
      failed=1
    done
  done
done
exit "$failed"
