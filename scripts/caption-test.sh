#!/usr/bin/env bash
# The window's caption as the window system shows it: starts the window on a virtual X display
# (xcb, not offscreen) and reads _NET_WM_NAME with xprop, which must be the caption exactly, with
# nothing appended by the toolkit.
#
#   scripts/caption-test.sh [BUILD_DIR]    (default: build)
#
# Needs xvfb-run and x11-utils (xprop, xwininfo). Exit status 0 when the caption matches.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program=$build/bin/talmero-prx
[[ -x $program ]] || { echo "caption-test.sh: $program not found" >&2; exit 1; }
export program
export LC_ALL=C.UTF-8
# shellcheck disable=SC2016  # the script for the inner shell expands there, not here
xvfb-run -a -s "-screen 0 800x640x24" bash -c '
  set -euo pipefail
  expected="VORAN - Sistema de Críticas de Dados do TALMERO"
  QT_QPA_PLATFORM=xcb "$program" &
  pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  id=""
  for _ in $(seq 1 100); do
    # The top-level windows with a name; the window is the one with the caption or, with a
    # suffix, the one that starts with it.
    id=$(xwininfo -root -children 2>/dev/null | grep -F "\"VORAN" | awk "{print \$1}" | head -n 1 || true)
    [[ -n $id ]] && break
    sleep 0.1
  done
  if [[ -z $id ]]; then
    echo "caption-test.sh: no window of the program appeared" >&2
    exit 1
  fi
  actual=$(xprop -id "$id" _NET_WM_NAME | sed -n "s/^_NET_WM_NAME(UTF8_STRING) = \"\(.*\)\"$/\1/p")
  if [[ $actual != "$expected" ]]; then
    echo "caption-test.sh: _NET_WM_NAME is \"$actual\", expected \"$expected\"" >&2
    exit 1
  fi
  echo "caption-test.sh: _NET_WM_NAME = \"$actual\""
'
