#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the tests' fixtures.

Run from anywhere; it rewrites tests/fuzz/corpus/<target>/seed-* only, so
entries added from fuzzing runs (and crash reproducers) stay. The inputs of
targets that read with FuzzedDataProvider are laid out the way it consumes
them: strings from the front (a backslash and one more byte end a string,
a doubled backslash is one backslash), integers and flags from the back.
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
CORPUS = HERE / "corpus"


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"seed-{name}").write_bytes(data)


# AMF0 as the server and the client write it.
def amf_number(value):
    return b"\x00" + struct.pack(">d", value)


def amf_string(text):
    raw = text.encode()
    return b"\x02" + struct.pack(">H", len(raw)) + raw


def amf_key(text):
    raw = text.encode()
    return struct.pack(">H", len(raw)) + raw


def amf_object(pairs, marker=b"\x03"):
    body = b"".join(amf_key(k) + v for k, v in pairs)
    return marker + body + b"\x00\x00\x09"


CONNECT_RESULT = (amf_string("_result") + amf_number(1) +
                  amf_object([("fmsVer", amf_string("FMS/3,0,1,123")),
                              ("capabilities", amf_number(31))]) +
                  amf_object([("level", amf_string("status")),
                              ("code", amf_string("NetConnection.Connect.Success")),
                              ("description", amf_string("Connection succeeded.")),
                              ("objectEncoding", amf_number(0))]))
CREATE_STREAM_RESULT = amf_string("_result") + amf_number(4) + b"\x05" + amf_number(1)
PUBLISH_START = (amf_string("onStatus") + amf_number(0) + b"\x05" +
                 amf_object([("level", amf_string("status")),
                             ("code", amf_string("NetStream.Publish.Start")),
                             ("description", amf_string("Start publishing"))]))
OTHER_TYPES = (b"\x01\x01" + b"\x06" +
               b"\x08\x00\x00\x00\x01" + amf_key("duration") + amf_number(2.5) + b"\x00\x00\x09" +
               b"\x0a\x00\x00\x00\x02" + amf_number(1) + amf_string("x") +
               b"\x0b" + b"\x00" * 10 +
               b"\x0c\x00\x00\x00\x03abc")

# The fixture clip's first tags: onMetaData, then the AVC and AAC headers.
clip = (ROOT / "tests/streaming/data/av_clip.flv").read_bytes()
tags = []
offset = 13
while offset + 11 <= len(clip) and len(tags) < 4:
    tag_type = clip[offset]
    size = int.from_bytes(clip[offset + 1:offset + 4], "big")
    tags.append((tag_type, clip[offset + 11:offset + 11 + size]))
    offset += 11 + size + 4


def chunked(csid, msg_type, stream_id, timestamp, payload, chunk_size=128):
    out = bytes([csid]) + timestamp.to_bytes(3, "big") + len(payload).to_bytes(3, "big")
    out += bytes([msg_type]) + struct.pack("<I", stream_id)
    out += payload[:chunk_size]
    rest = payload[chunk_size:]
    while rest:
        out += bytes([0xC0 | csid]) + rest[:chunk_size]
        rest = rest[chunk_size:]
    return out


write("amf0", "connect-result", CONNECT_RESULT)
write("amf0", "create-stream-result", CREATE_STREAM_RESULT)
write("amf0", "publish-start", PUBLISH_START)
write("amf0", "other-types", OTHER_TYPES)
write("amf0", "clip-metadata", tags[0][1])

server_connect = (chunked(2, 5, 0, 0, struct.pack(">I", 2500000)) +
                  chunked(2, 6, 0, 0, struct.pack(">IB", 2500000, 2)) +
                  chunked(2, 1, 0, 0, struct.pack(">I", 4096)) +
                  chunked(3, 20, 0, 0, CONNECT_RESULT, 4096) +
                  chunked(3, 20, 0, 0, CREATE_STREAM_RESULT, 4096) +
                  chunked(2, 4, 0, 0, b"\x00\x06\x00\x00\x00\x01") +
                  chunked(5, 20, 1, 0, PUBLISH_START, 4096))
write("rtmp_chunk", "server-connect", server_connect)
clip_messages = b"".join(chunked(4 if t == 8 else 6 if t == 9 else 5, t, 1, 0, body)
                         for t, body in tags)
write("rtmp_chunk", "clip-first-messages", clip_messages)
# Format 1, 2 and 3 headers and an extended timestamp.
write("rtmp_chunk", "header-formats",
      chunked(3, 20, 0, 0xFFFFFF, b"\x00" * 4)[:12] + b"\x00\x00\x00\x10" + b"\x05" * 4 +
      b"\x43" + b"\x00\x00\x10" + b"\x00\x00\x02" + b"\x14" + b"\x05\x05" +
      b"\x83" + b"\x00\x00\x20" + b"\x05\x05" + b"\xc3" + b"")
write("rtmp_chunk", "abort-and-ack", chunked(2, 2, 0, 0, struct.pack(">I", 3)) +
      chunked(2, 3, 0, 0, struct.pack(">I", 1000)) +
      chunked(2, 17, 0, 0, b"\x00" + CREATE_STREAM_RESULT))


# FuzzedDataProvider inputs.
def fdp_string(raw):
    return raw.replace(b"\\", b"\\\\") + b"\\\x00"


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


targets = [("plain", "rtmp://live.example.com/app", "key", 0),
           ("tls-port", "rtmps://[::1]:4443/live/", "k?x=1", 0),
           ("complete", "rtmp://h:1935/app/inner/name?token=1", "", 1),
           ("lone-surrogate", "rtmp://h\ud83d/app", "k", 0),
           ("pair", "rtmp://h/\ud83d\ude00", "k", 0)]
for name, url, key, complete in targets:
    write("stream_target", name,
          fdp_string(utf16(key)) + fdp_string(utf16(url)) + bytes([complete]))

for name, complete, url, key in [("plain", "0", "rtmp://live.example.com/app", "secret"),
                                 ("complete", "1", "rtmps://h/app/name", ""),
                                 ("empty", "0", "", "")]:
    write("stream_record", name, utf16("1" + complete + url + "\0" + key + "\0"))


# A timeline file: header, two type 1 and one type 2 record, a torn tail.
def timeline_header():
    return (b"QUORTLN\x00" + struct.pack("<IIqq", 1, 56, 10_000_000, 123456789) +
            struct.pack("<6i", 0, 0, 1920, 1080, 1280, 720))


def video_record(time):
    return struct.pack("<IIqiiI", 1, 76, time, 640, 360, 1) + struct.pack(
        "<6d", 0.0, 0.0, 1280.0, 720.0, 1.5, 0.25)


def camera_record(time, frame):
    return struct.pack("<IIqQ4i", 2, 40, time, frame, 0, 0, 1280, 720)


timeline = timeline_header() + video_record(0) + camera_record(166666, 0) + video_record(333333)
write("timeline", "records", timeline)
write("timeline", "torn-tail", timeline + camera_record(500000, 1)[:17])
write("timeline", "header-only", timeline_header())

bundle = b"".join(fdp_string(utf16(s)) for s in [
    "en", "app.title", "Quorvel", "zh-CN", "files.other", "{count} files",
    "en", "en-US", "message.saved", "Saved {0} to {1}", "zh_cn", "message.saved", "{1} {0}",
    "zh-Hans-CN", "message.saved", "{0}{1}", "C:\\Videos", "clip.mp4"]) + b"\x02\x03\x01\x00"
write("bundle", "catalogue", bundle)

write("json", "token-response",
      b'{"access_token":"eyJhbGciOiJSUzI1NiJ9.e30.c2ln","token_type":"Bearer",'
      b'"expires_in":3600,"refresh_token":"r\\u00e9fresh","id_token":"eyJ.eyJ.c2ln"}')
write("json", "keys",
      b'{"keys":[{"kty":"RSA","kid":"k1","use":"sig","n":"sXch","e":"AQAB"},'
      b'{"kty":"RSA","kid":"k2","n":"AQAB","e":"AQAB"}]}')
write("json", "error", b'{"error":"invalid_grant","error_description":"Code \\"expired\\"\\n"}')

write("base64url", "id-token-header", b"eyJhbGciOiJSUzI1NiIsImtpZCI6ImsxIiwidHlwIjoiSldUIn0")
write("base64url", "exponent", b"AQAB")
write("base64url", "signature-tail", b"c2lnbmF0dXJlLWJ5dGVzLV8tXw")

write("id_token", "rs256",
      b"eyJhbGciOiJSUzI1NiIsImtpZCI6ImsxIiwidHlwIjoiSldUIn0."
      b"eyJpc3MiOiJodHRwczovL2lkLmV4YW1wbGUiLCJzdWIiOiJ1MSIsImF1ZCI6WyJhcHAiXSwiZXhwIjoxfQ."
      b"c2lnbmF0dXJlLWJ5dGVzLV8tXw")
write("id_token", "empty-signature", b"eyJhbGciOiJub25lIn0.e30.")
write("id_token", "third-dot", b"a.b.c.d")

write("callback_request", "code",
      b"GET /callback?code=SplxlOBeZQQYbYS6WxSbIA&state=af0ifjsldkj HTTP/1.1\r\n"
      b"Host: 127.0.0.1:53682\r\nUser-Agent: Browser\r\n\r\n")
write("callback_request", "error",
      b"GET /callback?error=access_denied&error_description=The+user+said+%22no%22 HTTP/1.1\r\n"
      b"\r\n")
write("callback_request", "favicon", b"GET /favicon.ico HTTP/1.1\r\nHost: localhost\r\n\r\n")

# The fixture clip's parameter sets and first video frame as the encoder's
# Annex-B output.
annexb = b""
for tag_type, body in tags:
    if tag_type != 9 or len(body) < 5:
        continue
    if body[1] == 0:  # AVCDecoderConfigurationRecord
        record = body[5:]
        sps_length = int.from_bytes(record[6:8], "big")
        sps = record[8:8 + sps_length]
        pps_at = 8 + sps_length + 1
        pps_length = int.from_bytes(record[pps_at:pps_at + 2], "big")
        pps = record[pps_at + 2:pps_at + 2 + pps_length]
        annexb += b"\x00\x00\x00\x01" + sps + b"\x00\x00\x00\x01" + pps
    else:  # length-prefixed NAL units of a frame
        at = 5
        while at + 4 <= len(body):
            length = int.from_bytes(body[at:at + 4], "big")
            annexb += b"\x00\x00\x01" + body[at + 4:at + 4 + min(length, 2048)]
            at += 4 + length
write("flv", "clip-first-frames", annexb)
write("flv", "parameter-sets",
      b"\x00\x00\x00\x01\x67\x4d\x40\x1e\xab\xcd\x00\x00\x01\x68\xee\x3c\x80")
