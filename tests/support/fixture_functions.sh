# Shell functions shared by the CTest fixture scripts that start real peers
# on loopback (nginx in front of test servers). Source this file; it sets no
# shell options of its own.

# Installs the Debian packages among "$@" that dpkg does not list, with one
# apt-get update first; quiet and quick when nothing is missing.
install_missing_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if (( ${#missing[@]} )); then
    local sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q && "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
  fi
}

# Certificates for test servers, made in the folder "$pki" (set by the
# caller): NAME.key and NAME.pem.
make_ca() {  # name subject
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/$1.key" -out "$pki/$1.pem" \
    -days 2 -subj "/CN=$2" -sha256 \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    >/dev/null 2>&1
}
make_cert() {  # name ca san eku
  openssl req -newkey rsa:2048 -nodes -keyout "$pki/$1.key" -out "$pki/$1.csr" \
    -subj "/CN=$1" >/dev/null 2>&1
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nsubjectAltName=%s\nextendedKeyUsage=%s\n' \
    "$3" "$4" >"$pki/$1.ext"
  openssl x509 -req -in "$pki/$1.csr" -CA "$pki/$2.pem" -CAkey "$pki/$2.key" \
    -CAcreateserial -out "$pki/$1.pem" -days 2 -sha256 -extfile "$pki/$1.ext" >/dev/null 2>&1
}

# Prints COUNT loopback ports that were free a moment ago, on one line.
free_loopback_ports() {  # count
  python3 - "$1" <<'PY'
import socket, sys
sockets = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in sockets:
    s.bind(("127.0.0.1", 0))
print(" ".join(str(s.getsockname()[1]) for s in sockets))
for s in sockets:
    s.close()
PY
}

# True once something accepts connections on 127.0.0.1:PORT (up to 5 s).
wait_for_port() {  # port
  local _
  for _ in $(seq 1 100); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $1), 0.2).close()" \
      2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# Trusts the CA certificate PEM inside the test Wine prefix (never the
# machine's own store) with the trust_test_ca program.
trust_test_ca() {  # pem emulator... -- trust_exe
  local pem="$1" emulator=()
  shift
  while [[ "$1" != "--" ]]; do emulator+=("$1"); shift; done
  shift
  "${emulator[@]}" "$1" "Z:$(printf '%s' "$pem" | tr / '\\')"
}
