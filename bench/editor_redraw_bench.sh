#!/usr/bin/env bash
# Runs editor_redraw_bench.exe under Wine on a private 3840 x 2160 Xvfb, in a
# Wine prefix of its own.
#   bench/editor_redraw_bench.sh [BUILD_DIR]   (default build/mingw)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build/mingw}" && pwd)"
program="$build/bench/editor_redraw_bench.exe"
[[ -x "$program" ]] || { echo "build editor_redraw_bench first" >&2; exit 1; }

display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 3840x2160x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 1 200); do
  [[ -s "$display_file" ]] && break
  sleep 0.05
done
export DISPLAY=":$(head -n1 "$display_file")"
"$root/cmake/wine_emulator.sh" --prefix "$build/bench_wineprefix" "$program"
