#!/usr/bin/env python3
"""The TLS peers of the streaming tests, on loopback.

The RTMP scenarios over plain TCP are played by the scripted server inside
the test program; this one holds only what needs a TLS server:

  --tls-port     RTMP over TLS: after the handshake and the client's
                 "connect" it behaves as the application name asks:
                   close_notify  the TLS closing alert, then the TCP close,
                                 as a server ends a connection gracefully
                   alert_kept_open  accepts the publish, reads the first
                                 video packet (sequence header and frame),
                                 sends the closing alert and keeps the TCP
                                 connection open until the client goes
                   alert_then_close  the same, then closes the TCP
                                 connection
  --greeting-port  speaks no RTMP: right after the TLS handshake it sends
                 GREETING and then BULK (several records), then echoes
                 whatever the client sends until the client goes, for tests
                 of record handling in both directions.

Usage: rtmp_script_server.py --tls-port Q --cert C --key K [--greeting-port G]
       [--log FILE]
Standard library only; stopped by its PID (SIGTERM).
"""
import argparse
import os
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


def amf_number(value):
    return b"\x00" + struct.pack(">d", value)


def amf_encode(value):
    if value is None:
        return b"\x05"
    if isinstance(value, str):
        return amf_string(value)
    if isinstance(value, dict):
        out = b"\x03"
        for key, item in value.items():
            name = key.encode()
            out += struct.pack(">H", len(name)) + name + amf_encode(item)
        return out + b"\x00\x00\x09"
    return amf_number(float(value))


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

    def send_command(self, values, stream_id=0):
        """One AMF0 command on chunk stream 3 in 128-byte chunks."""
        payload = b"".join(amf_encode(v) for v in values)
        header = bytes([0x03]) + bytes(3) + len(payload).to_bytes(3, "big") + bytes([20])
        out = header + struct.pack("<I", stream_id) + payload[:128]
        for pos in range(128, len(payload), 128):
            out += bytes([0xC3]) + payload[pos:pos + 128]
        self.send(out)

    def accept_publish(self):
        """Answers connect, createStream and publish as a server that takes the stream."""
        self.send_command(["_result", 1, None,
                           {"level": "status", "code": "NetConnection.Connect.Success"}])
        create = self.read_command()
        self.send_command(["_result", create[1], None, 1])
        publish = self.read_command()
        self.send_command(["onStatus", 0, None,
                           {"level": "status", "code": "NetStream.Publish.Start"}], 1)
        return publish[3] if len(publish) > 3 else ""

    def read_video_messages(self, count):
        while count > 0:
            msg_type, sid, payload = self.read_message()
            if msg_type == 9:
                count -= 1


def send_close_notify(conn):
    """Sends the TLS closing alert; the socket stays open."""
    # unwrap() sends the alert and then waits for the client's own, which a
    # client need not send: it may not wait here.
    conn.setblocking(False)
    try:
        conn.unwrap()
    except (ssl.SSLError, OSError):
        pass


def close_tcp(conn):
    # A plain socket shutdown now that the TLS channel is over.
    try:
        socket.socket.shutdown(conn, socket.SHUT_RDWR)
    except OSError:
        pass
    conn.close()


def wait_for_client_to_go(conn):
    raw = socket.socket(fileno=os.dup(conn.fileno()))
    raw.setblocking(True)
    try:
        while raw.recv(65536):
            pass
    except OSError:
        pass
    raw.close()


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
                send_close_notify(conn)
                close_tcp(conn)
            elif app in ("alert_kept_open", "alert_then_close"):
                key = peer.accept_publish()
                # Everything the client sends for its first video packet
                # is read, so closing leaves nothing unread (which would
                # reset the connection instead of closing it).
                peer.read_video_messages(2)
                send_close_notify(conn)
                log(f"alert sent key={key}")
                if app == "alert_then_close":
                    close_tcp(conn)
                else:
                    wait_for_client_to_go(conn)
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
