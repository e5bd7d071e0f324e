#!/usr/bin/env bash
# Starts and stops the TLS front of the account tests' fake service: nginx's
# stream module on loopback ports, terminating TLS 1.2 and forwarding the
# bytes unchanged to the backend port on which the test executable's fake
# service listens. Three fronts: a valid DNS:localhost certificate from a
# test CA (trusted inside the test Wine prefix only), one from an untrusted
# CA, and one for a wrong name. Each front logs one line per session into
# DIR/logs/NAME.log.
#
#   account_service_fixture.sh start DIR EMULATOR... -- TRUST_EXE
#   account_service_fixture.sh stop DIR
#
# DIR/ports.env tells the tests the ports (backend, valid, untrusted,
# wrong_name); nginx is stopped by the PID recorded in DIR/nginx.pid.
#
# It also makes DIR/shell_browser.py the test prefix's web browser (the
# "Browsers" value of HKCU\Software\Wine\WineBrowser, through which Wine's
# ShellExecuteW opens web pages): a host program that fetches the sign-in's
# authorize URL from the valid front, trusting the test CA, and follows the
# redirect to the sign-in's loopback listener. ports.env then says
# shell_browser=1; stop removes the value again.
#
#   account_service_fixture.sh stop DIR EMULATOR...
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../support/fixture_functions.sh"

action="$1"
dir="$2"
shift 2

stop_front() {
  if [[ -f "$dir/nginx.pid" ]]; then
    local pid
    pid="$(cat "$dir/nginx.pid")"
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    fi
    rm -f "$dir/nginx.pid"
  fi
}

browser_key='HKCU\Software\Wine\WineBrowser'

if [[ "$action" == "stop" ]]; then
  stop_front
  if (( $# )); then
    "$@" reg delete "$browser_key" /v Browsers /f >/dev/null 2>&1 || true
  fi
  exit 0
fi

emulator=()
while [[ "$1" != "--" ]]; do emulator+=("$1"); shift; done

install_missing_packages nginx libnginx-mod-stream openssl python3

stop_front
rm -rf "$dir"
mkdir -p "$dir/pki" "$dir/logs"

pki="$dir/pki"
make_ca test_ca "Quorvel Account Test CA"
make_ca other_ca "Quorvel Account Untrusted CA"
make_cert server test_ca "DNS:localhost" serverAuth
make_cert wrong_name test_ca "DNS:wrong.example" serverAuth
make_cert untrusted other_ca "DNS:localhost" serverAuth

read -r backend_port valid_port untrusted_port wrong_port < <(free_loopback_ports 4)

front() {  # name port certificate
  cat <<CONF
    server {
        listen 127.0.0.1:$2 ssl;
        ssl_certificate $pki/$3.pem;
        ssl_certificate_key $pki/$3.key;
        ssl_protocols TLSv1.2;
        proxy_pass 127.0.0.1:$backend_port;
        access_log $dir/logs/$1.log session;
    }
CONF
}

cat >"$dir/nginx.conf" <<CONF
load_module /usr/lib/nginx/modules/ngx_stream_module.so;
daemon off;
master_process off;
pid $dir/nginx.pid;
error_log $dir/error.log info;
events { worker_connections 256; }
stream {
    # The client's port first: a test finds its own marker session by it.
    log_format session '\$remote_port \$server_port \$status \$session_time';
$(front valid "$valid_port" server)
$(front untrusted "$untrusted_port" untrusted)
$(front wrong_name "$wrong_port" wrong_name)
}
CONF

nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" </dev/null >"$dir/nginx.out" 2>&1 &
echo $! >"$dir/nginx.pid.start"
wait_for_port "$valid_port" && wait_for_port "$untrusted_port" && wait_for_port "$wrong_port" || {
  echo "the TLS front did not start (see $dir/error.log)" >&2
  cat "$dir/nginx.out" >&2 || true
  exit 1
}
[[ -f "$dir/nginx.pid" ]] || cp "$dir/nginx.pid.start" "$dir/nginx.pid"

cat >"$dir/ports.env" <<ENV
backend=$backend_port
valid=$valid_port
untrusted=$untrusted_port
wrong_name=$wrong_port
ENV

trust_test_ca "$pki/test_ca.pem" "${emulator[@]}" "$@"

cat >"$dir/shell_browser.py" <<PY
#!/usr/bin/env python3
# The test prefix's web browser: fetches the sign-in's authorize URL from the
# fake account service's TLS front and follows its redirect to the loopback
# listener, as the user's browser would. Other URLs are only logged.
import ssl
import sys
import urllib.request

root = "https://localhost:$valid_port/oauth/authorize?"
with open("$dir/logs/shell_browser.log", "a") as log:
    url = sys.argv[-1]
    log.write(url + "\\n")
    if url.startswith(root):
        context = ssl.create_default_context(cafile="$pki/test_ca.pem")
        opener = urllib.request.build_opener(urllib.request.ProxyHandler({}),
                                             urllib.request.HTTPSHandler(context=context))
        try:
            with opener.open(url, timeout=20) as answer:
                log.write("%d %s\\n" % (answer.status, answer.geturl()))
        except Exception as error:
            log.write("failed: %r\\n" % error)
PY
chmod +x "$dir/shell_browser.py"
"${emulator[@]}" reg add "$browser_key" /v Browsers /d "$dir/shell_browser.py" /f >/dev/null
echo "shell_browser=1" >>"$dir/ports.env"
echo "TLS front on 127.0.0.1:$valid_port (untrusted $untrusted_port, wrong name $wrong_port) -> backend $backend_port"
