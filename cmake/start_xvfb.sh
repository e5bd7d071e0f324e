# Sourced by the Wine scripts: starts a private Xvfb on a free display,
# exports DISPLAY and leaves its PID in xvfb_pid for the caller to stop.
start_xvfb() {
  local display_file
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 200); do
    [[ -s "$display_file" ]] && break
    sleep 0.05
  done
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
}
