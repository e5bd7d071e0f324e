#!/usr/bin/env bash
# Starts and stops the RTMP peers of the streaming tests: nginx with the RTMP
# module on a free loopback port and, in front of it, TLS endpoints with a
# test CA made here (a valid one, TLS 1.1 only, a wrong name, client-auth
# usage only, an untrusted CA). The CA is trusted inside the test Wine prefix
# only.
#
#   rtmp_server_fixture.sh start DIR EMULATOR... -- TRUST_EXE
#   rtmp_server_fixture.sh stop DIR
#
# DIR/ports.env tells the tests where the servers listen; nginx is stopped by
# the PID recorded in DIR/nginx.pid.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../support/fixture_functions.sh"

action="$1"
dir="$2"
shift 2

stop_server() {
  if [[ -f "$dir/script_server.pid" ]]; then
    kill "$(cat "$dir/script_server.pid")" 2>/dev/null || true
    rm -f "$dir/script_server.pid"
  fi
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

if [[ "$action" == "stop" ]]; then
  stop_server
  exit 0
fi

emulator_and_trust=("$@")

install_missing_packages nginx libnginx-mod-rtmp libnginx-mod-stream ffmpeg openssl

stop_server
rm -rf "$dir"
mkdir -p "$dir/rec" "$dir/pki" "$dir/logs"

# --- certificates ---------------------------------------------------------
pki="$dir/pki"
make_ca test_ca "Quorvel Test CA"
make_ca other_ca "Quorvel Untrusted CA"
# The valid server certificate names a revocation list nobody serves, so its
# revocation status is always unknown, as for most servers whose list the
# client has not cached.
make_cert server test_ca "DNS:localhost" "serverAuth
crlDistributionPoints=URI:http://127.0.0.1:9/test_ca.crl"
make_cert wrong_name test_ca "DNS:wrong.example" serverAuth
make_cert client_only test_ca "DNS:localhost" clientAuth
make_cert untrusted other_ca "DNS:localhost" serverAuth
# The untrusted endpoint sends its whole chain, so the chain ends in a root
# the client does not trust; the unknown-issuer one sends only its own
# certificate, so the chain cannot be completed at all.
cat "$pki/untrusted.pem" "$pki/other_ca.pem" >"$pki/untrusted_chain.pem"
cp "$pki/untrusted.key" "$pki/untrusted_chain.key"

# --- ports ----------------------------------------------------------------
read -r rtmp_port tls_port tls11_port wrong_port client_port untrusted_port issuer_port script_tls_port greeting_port < <(free_loopback_ports 9)

tls_server() {  # port cert protocols ciphers
  cat <<CONF
    server {
        listen 127.0.0.1:$1 ssl;
        ssl_certificate $pki/$2.pem;
        ssl_certificate_key $pki/$2.key;
        ssl_protocols $3;
        ssl_ciphers $4;
        proxy_pass 127.0.0.1:$rtmp_port;
    }
CONF
}

cat >"$dir/nginx.conf" <<CONF
load_module /usr/lib/nginx/modules/ngx_rtmp_module.so;
load_module /usr/lib/nginx/modules/ngx_stream_module.so;
daemon off;
master_process off;
pid $dir/nginx.pid;
error_log $dir/error.log info;
events { worker_connections 256; }
rtmp {
    server {
        listen 127.0.0.1:$rtmp_port;
        application live {
            live on;
            record all;
            record_path $dir/rec;
            record_unique off;
        }
    }
}
stream {
$(tls_server "$tls_port" server TLSv1.2 HIGH)
$(tls_server "$tls11_port" server TLSv1.1 'DEFAULT@SECLEVEL=0')
$(tls_server "$wrong_port" wrong_name TLSv1.2 HIGH)
$(tls_server "$client_port" client_only TLSv1.2 HIGH)
$(tls_server "$untrusted_port" untrusted_chain TLSv1.2 HIGH)
$(tls_server "$issuer_port" untrusted TLSv1.2 HIGH)
}
CONF

nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" </dev/null >"$dir/nginx.out" 2>&1 &
echo $! >"$dir/nginx.pid.start"
wait_for_port "$rtmp_port" && wait_for_port "$untrusted_port" || true
[[ -f "$dir/nginx.pid" ]] || cp "$dir/nginx.pid.start" "$dir/nginx.pid"

# The TLS peers of the scripted scenarios (the plain ones run inside the tests).
python3 "$here/rtmp_script_server.py" --tls-port "$script_tls_port" \
  --cert "$pki/server.pem" --key "$pki/server.key" --log "$dir/script_server.log" \
  --greeting-port "$greeting_port" \
  </dev/null >/dev/null 2>&1 &
echo $! >"$dir/script_server.pid"
wait_for_port "$greeting_port" || true

cat >"$dir/ports.env" <<ENV
rtmp=$rtmp_port
rtmps=$tls_port
tls11=$tls11_port
wrong_name=$wrong_port
client_auth_only=$client_port
untrusted=$untrusted_port
unknown_issuer=$issuer_port
script_tls=$script_tls_port
greeting=$greeting_port
ENV

trust_test_ca "$pki/test_ca.pem" "${emulator_and_trust[@]}"
echo "RTMP server on 127.0.0.1:$rtmp_port, RTMPS on $tls_port (log: $dir/error.log)"
