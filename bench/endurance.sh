#!/usr/bin/env bash
# Builds and runs endurance_bench.exe: cycles of a day's use of the tray
# program (recording, screenshot editor, setup windows, theme and language,
# account sign-in cancelled) with the process figures after each, then a
# live stream to the streaming tests' nginx on loopback with ffprobe of the
# recording nginx made. Runs under Wine on a private Xvfb, in a throwaway
# prefix with one warm Wine server, both removed afterwards.
#   bash bench/endurance.sh [--cycles N] [--stream-seconds S] [--build DIR] [--census]
#                            [--steps record,screenshot,windows,theme,signin] [--gdi-only]
#   (defaults: 200 cycles, a 600 s stream, build/mingw; 0 skips a part;
#   --census runs the cycles in endurance_census.exe, which also names the
#   stacks that hold the heap blocks the cycles leave behind; --gdi-only has
#   every window painted with GDI, Direct2D refusing its render targets)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cycles=200
stream_seconds=600
build="$root/build/mingw"
program=endurance_bench
steps=()
gdi_only=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --cycles) cycles="$2"; shift 2 ;;
    --stream-seconds) stream_seconds="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --census) program=endurance_census; shift ;;
    --steps) steps=("$2"); shift 2 ;;
    --gdi-only) gdi_only=(--gdi-only); shift ;;
    *) echo "usage: $0 [--cycles N] [--stream-seconds S] [--build DIR] [--census] [--steps LIST] [--gdi-only]" >&2; exit 2 ;;
  esac
done

"$root/tools/setup.sh"
if [[ ! -f "$build/build.ninja" ]]; then
  (cd "$root" && cmake --preset mingw >/dev/null)
fi
build="$(cd "$build" && pwd)"
cmake --build "$build" -j4 --target "$program" trust_test_ca

source "$root/cmake/start_xvfb.sh"
prefix="$build/bench_endurance_wineprefix"
server="$build/bench/endurance_rtmp"
xvfb_pid=""
sampler_pid=""
cleanup() {
  if [[ -n "$sampler_pid" ]]; then kill "$sampler_pid" 2>/dev/null || true; fi
  bash "$root/tests/streaming/rtmp_server_fixture.sh" stop "$server" >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$prefix" "$prefix.lock"
}
trap cleanup EXIT
start_xvfb

rm -rf "$prefix"
emulator=("$root/cmake/wine_emulator.sh" --prefix "$prefix")
"${emulator[@]}" --init
WINEPREFIX="$prefix" wineserver -p </dev/null >/dev/null 2>&1 || true
WINEPREFIX="$prefix" WINEDEBUG=-all wine cmd /c exit </dev/null >/dev/null 2>&1 || true

exe="$build/bench/$program.exe"

# Under Wine the program's own figures cannot tell committed memory it
# never touched from memory the machine gives it, nor see the host side of
# the system's libraries (the GL driver, the display connection). Every
# 10 s this prints "host_sample CYCLE BYTES": the cycle the program last
# reported (from its output in $1) and the memory the host's kernel counts
# as the program's process's own and written (Private_Dirty).
sample_host_memory() {
  local output="$1" pid cycle bytes
  while sleep 10; do
    pid="$(pgrep -n -f "^$exe cycles")" || continue
    cycle="$(grep -a '^cycle ' "$output" | tail -n1 | cut -d' ' -f2)"
    bytes="$(awk '/^Private_Dirty:/ { print $2 * 1024 }' "/proc/$pid/smaps_rollup" 2>/dev/null)"
    if [[ -n "$cycle" && -n "$bytes" ]]; then echo "host_sample $cycle $bytes"; fi
  done
}

if [[ "$cycles" -gt 0 ]]; then
  cycles_output="$build/bench/endurance_cycles.txt"
  : >"$cycles_output"
  sample_host_memory "$cycles_output" >"$cycles_output.host" &
  sampler_pid=$!
  "${emulator[@]}" "$exe" cycles "$cycles" "${steps[@]}" "${gdi_only[@]}" | tee "$cycles_output"
  kill "$sampler_pid" 2>/dev/null || true
  wait "$sampler_pid" 2>/dev/null || true
  cat "$cycles_output.host"
  # The least-squares growth per cycle of the samples from cycle 10 on.
  awk '$2 >= 10 { n++; sx += $2; sy += $3; sxx += $2 * $2; sxy += $2 * $3 }
       END { if (n > 1 && n * sxx != sx * sx) {
               printf "endurance_host_private_dirty_growth_per_cycle %.0f bytes (%d samples)\n",
                      (n * sxy - sx * sy) / (n * sxx - sx * sx), n } }' "$cycles_output.host"
  # What the system's graphics libraries themselves keep per paint, shader
  # compile and device, to set against the cycles' growth: every cycle
  # paints, compiles and makes devices.
  "${emulator[@]}" "$exe" platform-costs 2000
fi

if [[ "$stream_seconds" -gt 0 ]]; then
  bash "$root/tests/streaming/rtmp_server_fixture.sh" start "$server" "${emulator[@]}" \
    -- "$build/tests/trust_test_ca.exe" >/dev/null
  rtmp_port="$(sed -n 's/^rtmp=//p' "$server/ports.env")"
  key="endurance_$$"
  "${emulator[@]}" "$exe" stream "rtmp://localhost:$rtmp_port/live" "$key" "$stream_seconds"
  # nginx closes its recording once the publisher is gone.
  bash "$root/tests/streaming/rtmp_server_fixture.sh" stop "$server"
  recording="$server/rec/$key.flv"
  if [[ ! -f "$recording" ]]; then
    echo "endurance: nginx made no recording" >&2
    exit 1
  fi
  duration="$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$recording")"
  echo "stream_recording_duration $duration s"
  echo "stream_recording_bytes $(stat -c %s "$recording") bytes"
  errors="$(ffmpeg -v error -i "$recording" -f null - 2>&1 | wc -l)"
  echo "stream_recording_decode_errors $errors lines"
fi
