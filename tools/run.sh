#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and starts it under Wine.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

"$root/tools/setup.sh"

build_dir="$root/build/mingw"
if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake --preset mingw >/dev/null
fi
cmake --build "$build_dir"

program="$build_dir/app/Quorvel.exe"
if [[ -z "${DISPLAY:-}" ]]; then
  echo "DISPLAY is not set: Quorvel runs on a private Xvfb, where nothing can be seen."
fi
exec "$root/cmake/wine_emulator.sh" --prefix "$build_dir/wineprefix" "$program" "$@"
