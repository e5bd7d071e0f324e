#!/usr/bin/env python3
"""Checks what nginx recorded while the streaming tests published the clip.

Run natively after the tests, against the server fixture's folder:
  check_recordings.py SERVER_DIR CLIP.flv

For each of our recordings (over rtmp:// and rtmps://): one H.264 and one
AAC 48 kHz stereo stream, a clean decode, and packet timestamps equal to the
clip's. nginx's log must show our connect (app, tc_url, flashver) and the
stream name. Then the clip is published by `ffmpeg -c copy -f flv` to the
same server, and its recording must hold the same packets as ours.
"""
import json
import pathlib
import subprocess
import sys

FLASHVER = "FMLE/3.0 (compatible; Quorvel)"


def probe(path):
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-show_streams", "-show_packets", "-of", "json", str(path)],
        check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def packets(info):
    kinds = {s["index"]: s["codec_type"] for s in info["streams"]}
    return sorted((kinds[p["stream_index"]], int(p["dts"]), int(p["pts"]))
                  for p in info["packets"])


def main():
    server_dir = pathlib.Path(sys.argv[1])
    clip = pathlib.Path(sys.argv[2])
    ports = dict(line.split("=", 1) for line in (server_dir / "ports.env").read_text().split())
    expected = packets(probe(clip))
    failures = []

    def check(condition, text):
        if not condition:
            failures.append(text)

    recordings = {"quorvel_rtmp": f"rtmp://localhost:{ports['rtmp']}/live",
                  "quorvel_rtmps": f"rtmps://localhost:{ports['rtmps']}/live"}
    log = (server_dir / "error.log").read_text(errors="replace")
    for name, tc_url in recordings.items():
        path = server_dir / "rec" / f"{name}.flv"
        if not path.exists():
            failures.append(f"{name}: no recording")
            continue
        info = probe(path)
        streams = sorted((s["codec_type"], s["codec_name"], s.get("sample_rate"), s.get("channels"))
                         for s in info["streams"])
        check(streams == [("audio", "aac", "48000", 2), ("video", "h264", None, None)],
              f"{name}: streams {streams}")
        decode = subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-f", "null", "-"],
                                capture_output=True, text=True)
        check(decode.returncode == 0 and not decode.stderr.strip(),
              f"{name}: decode messages: {decode.stderr.strip()[:500]}")
        got = packets(info)
        check(got == expected, f"{name}: {len(got)} packets differ from the clip's {len(expected)}")
        check(f"app='live' args='' flashver='{FLASHVER}'" in log and f"tc_url='{tc_url}'" in log,
              f"{name}: nginx log lacks connect with app, flashver and tc_url {tc_url}")
        check(f"publish: name='{name}'" in log, f"{name}: nginx log lacks publish name")

    reference = server_dir / "rec" / "ffmpeg_copy.flv"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-i", str(clip), "-c", "copy", "-f", "flv",
                    f"rtmp://127.0.0.1:{ports['rtmp']}/live/ffmpeg_copy"], check=True)
    ours = server_dir / "rec" / "quorvel_rtmp.flv"
    if ours.exists():
        theirs_packets = packets(probe(reference))
        ours_packets = packets(probe(ours))
        check(len(theirs_packets) == len(ours_packets),
              f"ffmpeg published {len(theirs_packets)} packets, we {len(ours_packets)}")
        check(theirs_packets == ours_packets, "ffmpeg's packet timestamps differ from ours")

    for failure in failures:
        print("FAIL:", failure)
    print(f"checked {len(recordings)} recordings against {len(expected)} clip packets")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
