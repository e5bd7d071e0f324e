#!/usr/bin/env bash
# Runs a Windows test executable under Wine with a private prefix.
#
#   wine_emulator.sh --prefix DIR program.exe [args...]
#   wine_emulator.sh --prefix DIR --init      (create the prefix only)
#
# The prefix is created on first use (serialised with flock so parallel tests
# do not race). When DISPLAY is not set, a private Xvfb is started for this one
# run and stopped afterwards. The environment is pinned so results do not
# depend on the host: no debug channels, no Mono/Gecko installers, UTC, en_US.
set -euo pipefail

if [[ "${1:-}" != "--prefix" || -z "${2:-}" ]]; then
  echo "wine_emulator.sh: usage: --prefix DIR (--init | program [args...])" >&2
  exit 2
fi
# Wine needs an absolute prefix path.
prefix="$(realpath -m "$2")"
shift 2

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/start_xvfb.sh"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export TZ="${QUORVEL_TEST_TZ:-UTC}"
export LANG="${QUORVEL_TEST_LANG:-en_US.UTF-8}"
export LC_ALL="$LANG"

xvfb_pid=""
cleanup() {
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" ]]; then
  start_xvfb
fi

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [[ ! -f "$prefix/.quorvel-ready" ]]; then
    "$here/wine_prefix_init.sh" "$prefix"
    touch "$prefix/.quorvel-ready"
  fi
) 9>"$prefix.lock"

if [[ "${1:-}" == "--init" ]]; then
  exit 0
fi

# Not exec: the trap must stop our Xvfb after the program ends.
set +e
wine "$@"
status=$?
set -e
exit $status
