#!/usr/bin/env bash
# Builds and runs app_bench.exe: Quorvel's start to its tray icon against a
# bare tray window, and the recording App's tick and per-frame path against
# the least each must do. Runs under Wine on a private Xvfb, in a throwaway
# prefix with one warm Wine server, both removed afterwards.
#   bash bench/app_bench.sh [BUILD_DIR]   (default build/mingw)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh"
build="${1:-$root/build/mingw}"
if [[ ! -f "$build/build.ninja" ]]; then
  (cd "$root" && cmake --preset mingw >/dev/null)
fi
build="$(cd "$build" && pwd)"
cmake --build "$build" -j4 --target app_bench

source "$root/cmake/start_xvfb.sh"
prefix="$build/bench_app_wineprefix"
xvfb_pid=""
cleanup() {
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$prefix" "$prefix.lock"
}
trap cleanup EXIT
start_xvfb

rm -rf "$prefix"
"$root/cmake/wine_emulator.sh" --prefix "$prefix" --init
# One server kept for the run, and Wine's own services started once with
# their output detached: every start measured meets a warm server.
WINEPREFIX="$prefix" wineserver -p </dev/null >/dev/null 2>&1 || true
WINEPREFIX="$prefix" WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true

QUORVEL_PROGRAM="$build/app/Quorvel.exe" \
  "$root/cmake/wine_emulator.sh" --prefix "$prefix" "$build/bench/app_bench.exe"
