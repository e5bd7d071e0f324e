#!/usr/bin/env python3
"""The TLS peers of the streaming tests, on loopback.

The RTMP scenarios over plain TCP are played by the scripted server inside
the test program; this one holds only what needs a TLS server:

  --tls-port     RTMP over TLS: after the handshake and the client's
                 "connect" it behaves as the application name asks:
                   close_notify  the TLS closing alert, then the TCP close,
                                 as a server ends a connection gracefully
  --greeting-port  speaks no RTMP: right after the TLS handshake it sends
                 GREETING and then BULK (several records), then echoes
                 whatever the client sends until the client goes, for tests
                 of record handling in both directions.

Usage: rtmp_script_server.py --tls-port Q --cert C --key K [--greeting-port G]
       [--log FILE]
Standard library only; stopped by its PID (SIGTERM).
"""
import argparse
import socket
import socketserver
import ssl
import struct
import sys
import threading

GREETING = b"greeting from the TLS server"
BULK = bytes((i * 7 + 1) & 0xFF for i in range(40000))

LOG = None
LOG_LOCK = threading.Lock()


def log(text):
    if LOG is not None:
        with LOG_LOCK:
            LOG.write(text + "\n")
            LOG.flush()


# --- AMF0 ------------------------------------------------------------------
def amf_string(text):
    data = text.encode()
    return b"\x02" + struct.pack(">H", len(data)) + data


def amf_decode(data):
    """Top-level strings and numbers only (enough to follow a client)."""
    values, pos = [], 0
    while pos < len(data):
        marker = data[pos]
        pos += 1
        if marker == 0x00:
            values.append(struct.unpack(">d", data[pos:pos + 8])[0])
            pos += 8
        elif marker == 0x02:
            (length,) = struct.unpack(">H", data[pos:pos + 2])
            values.append(data[pos + 2:pos + 2 + length].decode(errors="replace"))
            pos += 2 + length
        elif marker == 0x05:
            values.append(None)
        elif marker == 0x03:
            obj = {}
            while True:
                (length,) = struct.unpack(">H", data[pos:pos + 2])
                key = data[pos + 2:pos + 2 + length].decode(errors="replace")
                pos += 2 + length
                if length == 0 and data[pos] == 0x09:
                    pos += 1
                    break
                kind = data[pos]
                pos += 1
                if kind == 0x02:
                    (vlen,) = struct.unpack(">H", data[pos:pos + 2])
                    obj[key] = data[pos + 2:pos + 2 + vlen].decode(errors="replace")
                    pos += 2 + vlen
                elif kind == 0x00:
                    obj[key] = struct.unpack(">d", data[pos:pos + 8])[0]
                    pos += 8
                elif kind == 0x01:
                    pos += 1
                else:
                    return values + [obj]
            values.append(obj)
        else:
            break
    return values


# --- chunk stream ------------------------------------------------------------
class Peer:
    def __init__(self, conn):
        self.conn = conn
        self.in_chunk = 128
        self.streams = {}

    def read(self, count):
        data = b""
        while len(data) < count:
            piece = self.conn.recv(count - len(data))
            if not piece:
                raise EOFError
            data += piece
        return data

    def send(self, data):
        self.conn.sendall(data)

    def handshake(self):
        c0c1 = self.read(1537)
        s1 = bytes(8) + bytes((i * 13) & 0xFF for i in range(1528))
        self.send(b"\x03" + s1 + c0c1[1:])
        c2 = self.read(1536)
        if c2 != s1:
            log("client C2 does not echo S1")
            raise EOFError

    def echo_until_eof(self):
        while True:
            data = self.conn.recv(65536)
            if not data:
                return
            self.conn.sendall(data)

    def read_message(self):
        while True:
            basic = self.read(1)[0]
            fmt, csid = basic >> 6, basic & 0x3F
            if csid == 0:
                csid = 64 + self.read(1)[0]
            elif csid == 1:
                b = self.read(2)
                csid = 64 + b[0] + 256 * b[1]
            st = self.streams.setdefault(csid, {"len": 0, "type": 0, "sid": 0, "ts": 0, "buf": b""})
            if fmt <= 2:
                ts = int.from_bytes(self.read(3), "big")
                if fmt <= 1:
                    st["len"] = int.from_bytes(self.read(3), "big")
                    st["type"] = self.read(1)[0]
                if fmt == 0:
                    st["sid"] = struct.unpack("<I", self.read(4))[0]
                st["ext"] = ts == 0xFFFFFF
            if st.get("ext"):
                self.read(4)
            need = min(st["len"] - len(st["buf"]), self.in_chunk)
            st["buf"] += self.read(need)
            if len(st["buf"]) == st["len"]:
                payload, st["buf"] = st["buf"], b""
                if st["type"] == 1:
                    self.in_chunk = struct.unpack(">I", payload)[0]
                return st["type"], st["sid"], payload

    def read_command(self):
        while True:
            msg_type, sid, payload = self.read_message()
            if msg_type == 20:
                return amf_decode(payload)


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        if getattr(self.server, "tls_context", None) is not None:
            try:
                conn = self.server.tls_context.wrap_socket(conn, server_side=True)
            except (ssl.SSLError, OSError) as error:
                log(f"TLS handshake failed: {error}")
                return
        peer = Peer(conn)
        if getattr(self.server, "greeting", False):
            try:
                conn.sendall(GREETING)
                conn.sendall(BULK)
                peer.echo_until_eof()
            except (OSError, ssl.SSLError):
                pass
            return
        try:
            peer.handshake()
            values = peer.read_command()
            app = values[2].get("app", "") if len(values) > 2 and isinstance(values[2], dict) else ""
            log(f"connect app={app}")
            if app == "close_notify":
                # unwrap() sends the alert and then waits for the client's
                # own, which a client need not send: give it little time.
                conn.settimeout(0.3)
                try:
                    raw = conn.unwrap()
                except (ssl.SSLError, OSError):
                    raw = conn
                raw.shutdown(socket.SHUT_RDWR)
                raw.close()
            else:
                log(f"unknown scenario {app}")
        except (EOFError, OSError, ssl.SSLError):
            pass
        finally:
            log("disconnect")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global LOG
    parser = argparse.ArgumentParser()
    parser.add_argument("--tls-port", type=int, required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--greeting-port", type=int)
    parser.add_argument("--log")
    args = parser.parse_args()
    if args.log:
        LOG = open(args.log, "a", encoding="utf-8")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    tls = Server(("127.0.0.1", args.tls_port), Handler)
    tls.tls_context = context
    if args.greeting_port:
        greeting = Server(("127.0.0.1", args.greeting_port), Handler)
        greeting.tls_context = context
        greeting.greeting = True
        threading.Thread(target=greeting.serve_forever, daemon=True).start()
    log("ready")
    tls.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
