#!/usr/bin/env bash
# Starts or stops a private PulseAudio with one null sink, so Wine sees a
# render endpoint and a capture endpoint (the sink's monitor) during the
# sound tests.
#
#   pulse_fixture.sh start DIR   the server listens on unix:DIR/native
#   pulse_fixture.sh stop DIR    stops the server started in DIR, by its PID
set -euo pipefail

command="${1:-}"
dir="${2:-}"
if [[ -z "$command" || -z "$dir" ]]; then
  echo "pulse_fixture.sh: usage: (start | stop) DIR" >&2
  exit 2
fi

stop_server() {
  if [[ -f "$dir/pulse.pid" ]]; then
    local pid
    pid="$(cat "$dir/pulse.pid")"
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/pulse.pid"
  fi
}

case "$command" in
  start)
    stop_server
    rm -rf "$dir"
    mkdir -p "$dir/runtime" "$dir/state"
    chmod 700 "$dir/runtime"
    export XDG_RUNTIME_DIR="$dir/runtime"
    export PULSE_STATE_PATH="$dir/state"
    export PULSE_RUNTIME_PATH="$dir/runtime"
    export HOME="$dir"
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
      --disallow-exit --log-target=file:"$dir/pulse.log" \
      -L "module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
      -L "module-null-sink sink_name=qnull rate=48000 channels=2" \
      -L "module-always-sink" </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/pulse.pid"
    for _ in $(seq 1 200); do
      if PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
        PULSE_SERVER="unix:$dir/native" pactl set-default-sink qnull
        PULSE_SERVER="unix:$dir/native" pactl set-default-source qnull.monitor
        exit 0
      fi
      sleep 0.05
    done
    echo "pulse_fixture.sh: PulseAudio did not come up; log:" >&2
    cat "$dir/pulse.log" >&2 || true
    stop_server
    exit 1
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "pulse_fixture.sh: unknown command $command" >&2
    exit 2
    ;;
esac
