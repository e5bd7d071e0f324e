#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine;
# without arguments it then runs tools/fuzz.sh --ci. Extra arguments go to
# ctest (for example: tools/test.sh -R engine_tests) and leave fuzzing out.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
source "$root/cmake/start_xvfb.sh"

"$root/tools/setup.sh" --test

build_dir="$root/build/mingw"
if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake --preset mingw >/dev/null
fi
cmake --build "$build_dir"

# One display and one Wine server for the whole run: every test executable
# then starts in milliseconds instead of seconds.
export WINEPREFIX="$build_dir/wineprefix"
xvfb_pid=""
cleanup() {
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

start_xvfb

"$root/cmake/wine_emulator.sh" --prefix "$WINEPREFIX" --init
# A server left running for this prefix (another run, a debugging session)
# is used as it is.
wineserver -p </dev/null >/dev/null 2>&1 || true
# Wine's own services would otherwise hold our stdout open.
WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true

ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" "$@"

# The whole run (no ctest arguments) also runs the portable core's unit
# tests natively under ASan and UBSan and fuzzes each of its parsers briefly.
if (($# == 0)); then
  "$root/tools/fuzz.sh" --ci
fi
