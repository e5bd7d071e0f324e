#!/usr/bin/env bash
# Runs a Windows test executable under Wine with a private prefix.
#
#   wine_emulator.sh --prefix DIR [--log-pixels N] program.exe [args...]
#   wine_emulator.sh --prefix DIR [--log-pixels N] --init   (create the prefix only)
#
# --log-pixels makes the prefix's display DPI N (the user's LogPixels value;
# Wine reads it once and never changes it), for tests at another scale. A
# prefix made with other options is made again.
#
# The prefix is created on first use (serialised with flock so parallel tests
# do not race). When DISPLAY is not set, a private Xvfb is started for this one
# run and stopped afterwards. The environment is pinned so results do not
# depend on the host: no debug channels, no Mono/Gecko installers, UTC, en_US.
set -euo pipefail

if [[ "${1:-}" != "--prefix" || -z "${2:-}" ]]; then
  echo "wine_emulator.sh: usage: --prefix DIR [--log-pixels N] (--init | program [args...])" >&2
  exit 2
fi
# Wine needs an absolute prefix path.
prefix="$(realpath -m "$2")"
shift 2
log_pixels=""
if [[ "${1:-}" == "--log-pixels" ]]; then
  if [[ ! "${2:-}" =~ ^[0-9]+$ ]]; then
    echo "wine_emulator.sh: --log-pixels needs a number" >&2
    exit 2
  fi
  log_pixels="$2"
  shift 2
fi
# What the prefix was made with; a different request makes it again.
prefix_options="log-pixels=${log_pixels}"

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
  ready="$prefix/.quorvel-ready"
  made_with="$(cat "$ready" 2>/dev/null || echo missing)"
  # Prefixes made before the options were recorded have an empty marker.
  [[ -z "$made_with" ]] && made_with="log-pixels="
  if [[ ! -f "$ready" || "$made_with" != "$prefix_options" ]]; then
    "$here/wine_prefix_init.sh" "$prefix" "$log_pixels"
    echo "$prefix_options" >"$ready"
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
