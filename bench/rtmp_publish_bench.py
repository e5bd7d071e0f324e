#!/usr/bin/env python3
"""Publishing cost side by side: our publisher, `ffmpeg -c copy -f flv` and a
Wine floor, over rtmp and rtmps, to the same nginx on loopback (the streaming
tests' server fixture; rtmps goes through its TLS front).

  bench/rtmp_publish_bench.py [--build DIR] [--rounds N] [--baseline DIR]

  --build     the build tree (default build/mingw)
  --rounds    interleaved rounds, at least 5 (default 5)
  --baseline  a folder holding another rtmp_publish_bench.exe (an older
              build, say), run in the same rounds as "baseline"

Subjects:
  ours      rtmp_publish_bench.exe: our connection in the streaming thread's
            pattern, under Wine
  ffmpeg    `ffmpeg -i CLIP -c copy -f flv URL`, native
  floor     rtmp_floor_bench.exe: the same chunk stream prepared in memory
            and sent in 64 KiB calls, under Wine

The clip is 60 s of 6 Mbit/s H.264 and AAC, made once with ffmpeg from
synthetic sources into the build tree. Every figure covers one whole
process: wall time from start to exit, CPU = user + system time of the
process and its children, plus, for the Wine subjects, the CPU the one
persistent wine server spent meanwhile (read from /proc before and after).
Throughput is the clip's media bytes over the wall time. Each figure is
reported as min, median and max over the rounds, which run the subjects in
turn so that drifting machine load touches them alike. Send calls per clip
come from one extra run of each subject under strace (sendto, sendmsg and
sendmmsg of the whole process tree), outside the timed rounds.

The Wine programs also time the publishing alone (ours from connect to
deleteStream, the floor from its first send to the server's close; CPU from
GetProcessTimes, plus the wine server's CPU of the whole run): the
"publish" figures, beside the whole-process ones, leave out Wine's process
start and the loading of the clip into memory, which the product never
does. ffmpeg's publish figures are its whole-process ones.

Output: one "name value unit" line per figure.
"""
import argparse
import glob
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


def make_clip(path):
    if path.exists():
        return
    subprocess.run([
        "ffmpeg", "-v", "error", "-y",
        "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30",
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
        "-t", "60", "-c:v", "libx264", "-preset", "veryfast", "-bf", "2",
        "-g", "60", "-keyint_min", "60", "-sc_threshold", "0",
        "-b:v", "6M", "-minrate", "6M", "-maxrate", "6M", "-bufsize", "6M",
        "-x264-params", "nal-hrd=cbr", "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "160k", "-ac", "2", "-ar", "48000", "-f", "flv", str(path)],
        check=True)


def media_bytes(clip):
    """Payload bytes of the clip's audio and video tags (FLV tag bodies)."""
    data = clip.read_bytes()
    pos = int.from_bytes(data[5:9], "big") + 4
    total = 0
    while pos + 11 <= len(data):
        size = int.from_bytes(data[pos + 1:pos + 4], "big")
        if data[pos] & 0x1F in (8, 9):
            total += size
        pos += 11 + size + 4
    return total


def process_cpu(pid):
    """User + system seconds of one process, from /proc."""
    try:
        fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    except OSError:
        return 0.0
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def find_wineserver(prefix):
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if b"wineserver" not in (entry / "cmdline").read_bytes():
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix}".encode() in environ:
            return int(entry.name)
    return None


class WineSession:
    """One Xvfb and one persistent wine server for the whole benchmark."""

    def __init__(self, prefix):
        self.prefix = prefix
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as display:
            number = display.readline().strip()
        self.env = dict(os.environ, DISPLAY=f":{number}", WINEPREFIX=str(prefix),
                        WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64",
                        TZ="UTC")
        subprocess.run([str(ROOT / "cmake/wine_emulator.sh"), "--prefix", str(prefix), "--init"],
                       env=self.env, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.server_pid = find_wineserver(prefix)
        if self.server_pid is None:
            sys.exit("no persistent wine server found")

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        self.xvfb.terminate()
        self.xvfb.wait()


def run_measured(command, env, server_pid, nginx_pid):
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        server_before = process_cpu(server_pid) if server_pid else 0.0
        nginx_before = process_cpu(nginx_pid)
        start = time.monotonic()
        process = subprocess.Popen(command, env=env, stdout=out, stderr=err,
                                   stdin=subprocess.DEVNULL)
        # wait4 gives the child's own rusage, its reaped children included.
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.monotonic() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        server = (process_cpu(server_pid) - server_before) if server_pid else 0.0
        nginx = process_cpu(nginx_pid) - nginx_before
        if process.returncode != 0:
            err.seek(0)
            sys.exit(f"{' '.join(command)} failed ({process.returncode}): "
                     f"{err.read().decode(errors='replace')}")
        out.seek(0)
        own = {}
        for line in out.read().decode(errors="replace").splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[2] == "s":
                own[fields[0].rsplit("_", 1)[1]] = float(fields[1])
    cpu = usage.ru_utime + usage.ru_stime + server
    # The publishing alone, as the Wine programs time it themselves (from
    # connect, or for the floor from the first send, to the end); without
    # such figures (ffmpeg) the whole process stands for it.
    return {"wall": wall, "cpu": cpu, "nginx_cpu": nginx,
            "publish_wall": own.get("wall", wall),
            "publish_cpu": own["cpu"] + server if "cpu" in own else cpu}


def send_calls(command, env):
    with tempfile.NamedTemporaryFile(suffix=".strace") as log:
        subprocess.run(["strace", "-f", "-qq", "-c", "-e", "trace=sendto,sendmsg,sendmmsg",
                        "-o", log.name, *command], env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       stdin=subprocess.DEVNULL)
        calls = 0
        for line in pathlib.Path(log.name).read_text().splitlines():
            fields = line.split()
            # "% time  seconds  usecs/call  calls  [errors]  syscall"
            if len(fields) >= 5 and fields[-1] in ("sendto", "sendmsg", "sendmmsg"):
                calls += int(fields[3])
        return calls


def print_figure(name, values, unit, digits=3):
    print(f"{name}_min {min(values):.{digits}f} {unit}")
    print(f"{name}_median {statistics.median(values):.{digits}f} {unit}")
    print(f"{name}_max {max(values):.{digits}f} {unit}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build/mingw"))
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--baseline")
    args = parser.parse_args()
    if args.rounds < 5:
        sys.exit("at least 5 rounds")

    build = pathlib.Path(args.build).resolve()
    work = build / "bench" / "rtmp_publish"
    work.mkdir(parents=True, exist_ok=True)
    clip = work / "clip_60s_6mbit.flv"
    make_clip(clip)
    media_mb = media_bytes(clip) / 1e6
    clip_windows = "Z:" + str(clip).replace("/", "\\")

    prefix = work / "wineprefix"
    session = WineSession(prefix)
    server = work / "server"
    fixture = ROOT / "tests/streaming/rtmp_server_fixture.sh"
    emulator = [str(ROOT / "cmake/wine_emulator.sh"), "--prefix", str(prefix)]
    trust = build / "tests/trust_test_ca.exe"
    try:
        subprocess.run(["bash", str(fixture), "start", str(server), *emulator, "--", str(trust)],
                       check=True, stdout=subprocess.DEVNULL, env=session.env)
        ports = dict(line.split("=", 1) for line in (server / "ports.env").read_text().split())
        nginx_pid = int((server / "nginx.pid").read_text())
        urls = {"rtmp": f"rtmp://localhost:{ports['rtmp']}/live",
                "rtmps": f"rtmps://localhost:{ports['rtmps']}/live"}
        wine_exes = {"ours": build / "bench/rtmp_publish_bench.exe",
                     "floor": build / "bench/rtmp_floor_bench.exe"}
        if args.baseline:
            wine_exes["baseline"] = pathlib.Path(args.baseline).resolve() / "rtmp_publish_bench.exe"

        def command(subject, protocol, key):
            if subject == "ffmpeg":
                # nginx listens on 127.0.0.1 only; ffmpeg checks no certificate.
                return ["ffmpeg", "-v", "error", "-y", "-i", str(clip), "-c", "copy", "-f", "flv",
                        urls[protocol].replace("localhost", "127.0.0.1") + "/" + key]
            return ["wine", str(wine_exes[subject]), clip_windows, urls[protocol], key]

        subjects = [*wine_exes.keys(), "ffmpeg"]
        results = {}
        for round_number in range(args.rounds):
            for protocol in ("rtmp", "rtmps"):
                for subject in subjects:
                    key = f"bench_{subject}_{protocol}_{round_number}"
                    figures = run_measured(command(subject, protocol, key), session.env,
                                           session.server_pid if subject != "ffmpeg" else None,
                                           nginx_pid)
                    results.setdefault((protocol, subject), []).append(figures)
                    for recording in glob.glob(str(server / "rec" / "*.flv")):
                        os.remove(recording)

        calls = {}
        for protocol in ("rtmp", "rtmps"):
            for subject in subjects:
                key = f"bench_{subject}_{protocol}_strace"
                calls[(protocol, subject)] = send_calls(command(subject, protocol, key),
                                                        session.env)
                for recording in glob.glob(str(server / "rec" / "*.flv")):
                    os.remove(recording)
    finally:
        subprocess.run(["bash", str(fixture), "stop", str(server)], check=False)
        session.close()

    print(f"rtmp_publish_media_bytes {media_mb * 1e6:.0f} bytes")
    print(f"rtmp_publish_rounds {args.rounds} rounds")
    for protocol in ("rtmp", "rtmps"):
        for subject in subjects:
            runs = results[(protocol, subject)]
            name = f"{protocol}_{subject}"
            print_figure(f"{name}_throughput", [media_mb / r["wall"] for r in runs], "MB/s", 2)
            print_figure(f"{name}_cpu", [r["cpu"] for r in runs], "s")
            print_figure(f"{name}_publish_throughput",
                         [media_mb / r["publish_wall"] for r in runs], "MB/s", 2)
            print_figure(f"{name}_publish_cpu", [r["publish_cpu"] for r in runs], "s")
            print_figure(f"{name}_nginx_cpu", [r["nginx_cpu"] for r in runs], "s")
            print(f"{name}_send_calls {calls[(protocol, subject)]} calls")
        ffmpeg = results[(protocol, "ffmpeg")]
        ffmpeg_speed = statistics.median(media_mb / r["wall"] for r in ffmpeg)
        ffmpeg_cpu = statistics.median(r["cpu"] for r in ffmpeg)
        for subject in subjects:
            if subject == "ffmpeg":
                continue
            runs = results[(protocol, subject)]
            speed = statistics.median(media_mb / r["wall"] for r in runs)
            cpu = statistics.median(r["cpu"] for r in runs)
            print(f"{protocol}_{subject}_throughput_vs_ffmpeg {speed / ffmpeg_speed:.3f} ratio")
            print(f"{protocol}_{subject}_cpu_vs_ffmpeg {cpu / ffmpeg_cpu:.3f} ratio")
            speed = statistics.median(media_mb / r["publish_wall"] for r in runs)
            cpu = statistics.median(r["publish_cpu"] for r in runs)
            print(f"{protocol}_{subject}_publish_throughput_vs_ffmpeg "
                  f"{speed / ffmpeg_speed:.3f} ratio")
            print(f"{protocol}_{subject}_publish_cpu_vs_ffmpeg {cpu / ffmpeg_cpu:.3f} ratio")


if __name__ == "__main__":
    main()
