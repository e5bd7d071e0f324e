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

# dist/ holds this build's download alone: no zip of an earlier version
# stays behind (the build clears those from its own dist folder as well).
zips=("$build_dir"/dist/Quorvel-*-win64.zip)
if [[ ${#zips[@]} -ne 1 || ! -f "${zips[0]}" ]]; then
  echo "package.sh: expected one zip in $build_dir/dist, found: ${zips[*]}" >&2
  exit 1
fi
rm -rf "$root/dist"
mkdir -p "$root/dist"
cp "$build_dir"/dist/Quorvel.exe "$build_dir"/dist/Quorvel.exe.debug "${zips[0]}" "$root/dist/"
ls -l "$root/dist"
