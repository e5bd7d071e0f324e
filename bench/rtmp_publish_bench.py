#!/usr/bin/env python3
"""Publishes a 60 s, 6 Mbit/s H.264 + AAC clip to nginx on loopback as fast as
possible, with our client (rtmp_publish_bench.exe under Wine) and with
`ffmpeg -c copy -f flv`, and prints MB/s and CPU seconds of each and the ratio.

  bench/rtmp_publish_bench.py [BUILD_DIR]      (default build/mingw)

The clip is made once with ffmpeg from synthetic sources into the build tree.
MB/s counts the clip's media bytes over the publishing time: for our client
from connect to deleteStream, for ffmpeg the whole process (it reads the file
and connects in that time too). CPU seconds are user + system time of the
publishing process (for Wine: the Windows process itself, not wineserver).
"""
import os
import pathlib
import resource
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent


def run_timed(command):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    if status != 0:
        sys.exit(f"{command[0]} failed: {process.stderr.read().decode(errors='replace')}")
    return wall, usage.ru_utime + usage.ru_stime


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / "build/mingw").resolve()
    work = build / "bench" / "rtmp_publish"
    work.mkdir(parents=True, exist_ok=True)
    clip = work / "clip_60s_6mbit.flv"
    if not clip.exists():
        subprocess.run([
            "ffmpeg", "-v", "error", "-y",
            "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30",
            "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
            "-t", "60", "-c:v", "libx264", "-preset", "veryfast", "-bf", "2",
            "-g", "60", "-keyint_min", "60", "-sc_threshold", "0",
            "-b:v", "6M", "-minrate", "6M", "-maxrate", "6M", "-bufsize", "6M",
            "-x264-params", "nal-hrd=cbr", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "160k", "-ac", "2", "-ar", "48000", "-f", "flv", str(clip)],
            check=True)

    prefix = build / "wineprefix"
    emulator = [str(ROOT / "cmake/wine_emulator.sh"), "--prefix", str(prefix)]
    server = work / "server"
    fixture = ROOT / "tests/streaming/rtmp_server_fixture.sh"
    trust = build / "tests/streaming/trust_test_ca.exe"
    subprocess.run(["bash", str(fixture), "start", str(server), *emulator, "--", str(trust)],
                   check=True, stdout=subprocess.DEVNULL)
    try:
        ports = dict(line.split("=", 1) for line in (server / "ports.env").read_text().split())
        port = ports["rtmp"]
        bench_exe = build / "bench/rtmp_publish_bench.exe"
        clip_windows = "Z:" + str(clip).replace("/", "\\")
        ours = subprocess.run([*emulator, str(bench_exe), clip_windows,
                               f"rtmp://localhost:{port}/live", "bench_quorvel"],
                              check=True, capture_output=True, text=True).stdout
        figures = {}
        for line in ours.splitlines():
            name, value, unit = line.split()
            figures[name] = float(value)
            print(line)
        media_mb = figures["rtmp_publish_quorvel_media_bytes"] / 1e6

        wall, cpu = run_timed(["ffmpeg", "-v", "error", "-y", "-i", str(clip), "-c", "copy",
                               "-f", "flv", f"rtmp://127.0.0.1:{port}/live/bench_ffmpeg"])
        print(f"rtmp_publish_ffmpeg_wall {wall:.3f} s")
        print(f"rtmp_publish_ffmpeg_throughput {media_mb / wall:.2f} MB/s")
        print(f"rtmp_publish_ffmpeg_cpu {cpu:.3f} s")
        ratio_speed = figures["rtmp_publish_quorvel_throughput"] / (media_mb / wall)
        ratio_cpu = figures["rtmp_publish_quorvel_cpu"] / cpu if cpu > 0 else float("inf")
        print(f"rtmp_publish_throughput_ratio {ratio_speed:.2f} quorvel/ffmpeg")
        print(f"rtmp_publish_cpu_ratio {ratio_cpu:.2f} quorvel/ffmpeg")
    finally:
        subprocess.run(["bash", str(fixture), "stop", str(server)], check=False)


if __name__ == "__main__":
    main()
