#!/usr/bin/env bash
# Makes or removes the Wine prefix of the program's process tests, so that
# neither the user's run prefix nor the other tests see the program's
# registry, tray icon or single-instance mutex.
#
#   prefix_fixture.sh start DIR   makes DIR and keeps one Wine server for it
#   prefix_fixture.sh stop DIR    stops that server and removes DIR
set -euo pipefail

command="${1:-}"
dir="${2:-}"
if [[ -z "$command" || -z "$dir" ]]; then
  echo "prefix_fixture.sh: usage: (start | stop) DIR" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"

case "$command" in
  start)
    rm -rf "$dir"
    "$root/cmake/wine_emulator.sh" --prefix "$dir" --init
    WINEPREFIX="$dir" wineserver -p </dev/null >/dev/null 2>&1 || true
    # Wine's own services start with the first program; started here with
    # their output detached, they cannot hold the test's output open.
    WINEPREFIX="$dir" WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    # Wine links the user's Videos and the other user folders to the host's
    # home; what the program saves there (recordings into Videos) stays in
    # the prefix instead and goes with it.
    for folder in "$dir"/drive_c/users/*/*; do
      if [[ -L "$folder" ]]; then
        rm -f "$folder"
        mkdir -p "$folder"
      fi
    done
    ;;
  stop)
    WINEPREFIX="$dir" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dir"
    ;;
  *)
    echo "prefix_fixture.sh: unknown command $command" >&2
    exit 2
    ;;
esac
