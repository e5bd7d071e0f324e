#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and makes the download in dist/:
# Quorvel.exe without debug information, Quorvel.exe.debug beside it (linked
# through .gnu_debuglink) and a zip with the program and the README.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

"$root/tools/setup.sh"

build_dir="$root/build/mingw"
if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake --preset mingw >/dev/null
fi
cmake --build "$build_dir" --target quorvel_package

rm -rf "$root/dist"
mkdir -p "$root/dist"
cp "$build_dir"/dist/Quorvel.exe "$build_dir"/dist/Quorvel.exe.debug "$build_dir"/dist/*.zip "$root/dist/"
ls -l "$root/dist"
