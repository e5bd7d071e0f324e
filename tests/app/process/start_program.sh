#!/usr/bin/env bash
# Starts Quorvel.exe in the process tests' Wine prefix in the background, the
# way tools/run.sh starts it (the emulator script, no switch), and returns at
# once; the process tests then find it running. Its output goes to
# DIR.program.log beside the prefix. The prefix fixture's stop ends it with
# the prefix's Wine server should a test leave it running.
#
# Other tests may show windows on the shared display before the process tests
# come to look, and a window of theirs taking the display's focus would take
# the foreground from the program. So it runs as tools/run.sh runs it on a
# machine without a display: DISPLAY unset, the emulator gives it a private
# Xvfb for its lifetime. The tests watch it through the prefix's Wine server,
# which both displays share.
#
#   start_program.sh DIR PROGRAM
set -euo pipefail

dir="${1:-}"
program="${2:-}"
if [[ -z "$dir" || -z "$program" ]]; then
  echo "start_program.sh: usage: DIR PROGRAM" >&2
  exit 2
fi
if [[ ! -f "$program" ]]; then
  echo "start_program.sh: $program does not exist" >&2
  exit 1
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"

# Detached from CTest's output, which would otherwise stay open (and the
# entry unfinished) for as long as the program runs.
env -u DISPLAY nohup "$root/cmake/wine_emulator.sh" --prefix "$dir" "$program" \
  </dev/null >"$dir.program.log" 2>&1 &
echo "started $program in $dir (shell $!)"
