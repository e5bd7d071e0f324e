#!/usr/bin/env python3
"""A scripted RTMP server on loopback for tests of the publishing client.

It speaks just enough RTMP to accept a publisher (handshake, chunk stream,
AMF0 commands) and then behaves as the application name of the client's
"connect" command asks, so one server process serves every scenario:

  ok                 accept connect, createStream and publish, then read media
                     until the client goes
  nocode             like ok, but an onStatus without a "code" precedes the
                     connect _result
  nest16             a _result whose object nests 16 levels deep
  chunk65            messages on 65 different chunk stream ids
  big_message        a message header announcing 1 MiB + 1 byte
  fmt1_unknown       a format-1 chunk on a chunk stream never used before
  big_array          a strict array announcing 4097 elements
  close_notify       (TLS port) the TLS closing alert after connect, then
                     the TCP close, as a server ends a connection gracefully
  drop_after_publish accept the publication, then close the TCP connection
  silent             never answer the connect command
  close_on_publish   accept connect and createStream, close on publish
  ack_window         a 5000-byte acknowledgement window, then small messages
                     until the client acknowledges; the connect _result
                     follows only when the acknowledged count, handshake
                     included, is the one due, else an _error

A TLS port of its own (--greeting-port) speaks no RTMP: right after the TLS
handshake it sends GREETING and then BULK (several records), and keeps the
connection until the client goes, for tests of record handling.

Handshake faults cannot wait for the application name, so they have ports of
their own (--handshake-port MODE=PORT, repeatable):

  bad_s0             S0 announces version 6
  bad_s2             S2 does not echo the client's C1

Usage: rtmp_script_server.py --port P [--tls-port Q --cert C --key K]
       [--greeting-port G] [--handshake-port MODE=PORT ...] [--log FILE]
Standard library only; stopped by its PID (SIGTERM).
"""
import argparse
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time

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


def amf_number(value):
    return b"\x00" + struct.pack(">d", value)


AMF_NULL = b"\x05"


def amf_object(props):
    out = b"\x03"
    for key, value in props:
        data = key.encode()
        out += struct.pack(">H", len(data)) + data + value
    return out + b"\x00\x00\x09"


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
def chunk(csid, msg_type, stream_id, payload, timestamp=0, size=128):
    out = bytes([csid]) + struct.pack(">I", timestamp)[1:] + struct.pack(">I", len(payload))[1:]
    out += bytes([msg_type]) + struct.pack("<I", stream_id)
    first = True
    for i in range(0, max(len(payload), 1), size):
        if not first:
            out += bytes([0xC0 | csid])
        out += payload[i:i + size]
        first = False
    return out


def command(*values, stream_id=0):
    return chunk(3, 20, stream_id, b"".join(values))


class Peer:
    def __init__(self, conn):
        self.conn = conn
        self.in_chunk = 128
        self.streams = {}
        self.sent = 0

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
        self.sent += len(data)

    def handshake(self, mode=None):
        c0c1 = self.read(1537)
        s1 = bytes(8) + bytes((i * 13) & 0xFF for i in range(1528))
        s2 = bytearray(c0c1[1:])
        if mode == "bad_s2":
            s2[1000] ^= 0xFF
        self.send((b"\x06" if mode == "bad_s0" else b"\x03") + s1 + bytes(s2))
        if mode is not None:
            self.wait_for_eof()
            return False
        c2 = self.read(1536)
        if c2 != s1:
            log("client C2 does not echo S1")
            raise EOFError
        return True

    def wait_for_eof(self):
        while self.conn.recv(65536):
            pass

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


def accept_publish(peer, nocode=False, close_on_publish=False):
    if nocode:
        peer.send(command(amf_string("onStatus"), amf_number(0), AMF_NULL,
                          amf_object([("level", amf_string("status"))])))
    peer.send(chunk(2, 5, 0, struct.pack(">I", 2500000)))
    peer.send(chunk(2, 6, 0, struct.pack(">IB", 2500000, 2)))
    peer.send(command(amf_string("_result"), amf_number(1), AMF_NULL,
                      amf_object([("level", amf_string("status")),
                                  ("code", amf_string("NetConnection.Connect.Success"))])))
    while True:
        values = peer.read_command()
        if values and values[0] == "createStream":
            peer.send(command(amf_string("_result"), amf_number(values[1]), AMF_NULL,
                              amf_number(1)))
        elif values and values[0] == "publish":
            if close_on_publish:
                raise EOFError
            peer.send(command(amf_string("onStatus"), amf_number(0), AMF_NULL,
                              amf_object([("level", amf_string("status")),
                                          ("code", amf_string("NetStream.Publish.Start"))]),
                              stream_id=1))
            return values


def check_acknowledgement(peer):
    """True when the client's first Acknowledgement carries the count due."""
    window = 5000
    peer.send(chunk(2, 5, 0, struct.pack(">I", window)))
    due = None
    for _ in range(100):
        peer.send(chunk(4, 18, 0, bytes(100)))  # one chunk each, ignored data
        if due is None and peer.sent >= window:
            due = peer.sent
    while True:
        msg_type, _, payload = peer.read_message()
        if msg_type == 3:
            (acknowledged,) = struct.unpack(">I", payload)
            log(f"acknowledged {acknowledged}, due {due}")
            if acknowledged == due:
                return True
            peer.send(command(amf_string("_error"), amf_number(1), AMF_NULL,
                              amf_object([("code", amf_string(f"ack {acknowledged} due {due}"))])))
            return False


def nested(levels):
    inner = AMF_NULL
    for _ in range(levels):
        inner = b"\x03" + struct.pack(">H", 1) + b"k" + inner + b"\x00\x00\x09"
    return inner


def hostile_bytes(app):
    if app == "nest16":
        return command(amf_string("_result"), amf_number(1), nested(16))
    if app == "chunk65":
        out = b""
        for csid in range(2, 2 + 65):
            head = bytes([csid]) if csid < 64 else bytes([0, csid - 64])
            out += head + b"\x00\x00\x00\x00\x00\x01\x14\x00\x00\x00\x00\x05"
        return out
    if app == "big_message":
        return b"\x03\x00\x00\x00\x10\x00\x01\x14\x00\x00\x00\x00" + bytes(128)
    if app == "fmt1_unknown":
        return b"\x4A\x00\x00\x00\x00\x00\x04\x14\x05\x05\x05\x05"
    if app == "big_array":
        return command(amf_string("_result"), amf_number(1), b"\x0A\x00\x00\x10\x01")
    return None


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
                peer.wait_for_eof()
            except (OSError, ssl.SSLError):
                pass
            return
        try:
            if not peer.handshake(getattr(self.server, "handshake_mode", None)):
                return
            values = peer.read_command()
            app = values[2].get("app", "") if len(values) > 2 and isinstance(values[2], dict) else ""
            log(f"connect app={app}")
            hostile = hostile_bytes(app)
            if hostile is not None:
                peer.send(hostile)
                self.wait_for_close(peer)
            elif app == "close_notify":
                # unwrap() sends the alert and then waits for the client's
                # own, which a client need not send: give it little time.
                conn.settimeout(0.3)
                try:
                    raw = conn.unwrap()
                except (ssl.SSLError, OSError):
                    raw = conn
                raw.shutdown(socket.SHUT_RDWR)
                raw.close()
            elif app == "ack_window":
                if check_acknowledgement(peer):
                    accept_publish(peer)
                    self.wait_for_close(peer)
                else:
                    self.wait_for_close(peer)
            elif app == "silent":
                self.wait_for_close(peer)
            elif app == "close_on_publish":
                accept_publish(peer, close_on_publish=True)
            elif app in ("ok", "nocode", "drop_after_publish"):
                published = accept_publish(peer, nocode=(app == "nocode"))
                log(f"publish name={published[3]}")
                if app == "drop_after_publish":
                    return
                media = 0
                while True:
                    msg_type, _, _ = peer.read_message()
                    media += msg_type in (8, 9)
            else:
                log(f"unknown scenario {app}")
        except (EOFError, OSError, ssl.SSLError):
            pass
        finally:
            log("disconnect")

    @staticmethod
    def wait_for_close(peer):
        # Whatever the client sends next, keep the connection until it goes.
        while True:
            peer.read_message()


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    global LOG
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--tls-port", type=int)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--greeting-port", type=int)
    parser.add_argument("--handshake-port", action="append", default=[])
    parser.add_argument("--log")
    args = parser.parse_args()
    if args.log:
        LOG = open(args.log, "a", encoding="utf-8")
    servers = [Server(("127.0.0.1", args.port), Handler)]
    if args.tls_port:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        tls = Server(("127.0.0.1", args.tls_port), Handler)
        tls.tls_context = context
        servers.append(tls)
        if args.greeting_port:
            greeting = Server(("127.0.0.1", args.greeting_port), Handler)
            greeting.tls_context = context
            greeting.greeting = True
            servers.append(greeting)
    for entry in args.handshake_port:
        mode, port = entry.split("=")
        faulty = Server(("127.0.0.1", int(port)), Handler)
        faulty.handshake_mode = mode
        servers.append(faulty)
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    log("ready")
    servers[0].serve_forever()


if __name__ == "__main__":
    sys.exit(main())
