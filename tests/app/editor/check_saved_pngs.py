#!/usr/bin/env python3
"""Checks the PNG files the editor tests saved, with the host's ffmpeg.

Run natively after app_editor_tests:  check_saved_pngs.py FOLDER WIDTH HEIGHT
Each NAME.png must be one PNG stream of WIDTH x HEIGHT in rgba, and its
pixels as BGRA must equal NAME.bgra, which the test wrote from the pattern
formula (plain) or from its own rendering (marked).
"""
import json
import pathlib
import subprocess
import sys


def main():
    folder = pathlib.Path(sys.argv[1])
    width, height = int(sys.argv[2]), int(sys.argv[3])
    failures = []
    for name in ("plain", "marked"):
        png = folder / f"{name}.png"
        expected = (folder / f"{name}.bgra").read_bytes()
        info = json.loads(subprocess.run(
            ["ffprobe", "-v", "error", "-show_streams", "-of", "json", str(png)],
            check=True, capture_output=True, text=True).stdout)
        stream = info["streams"][0]
        seen = (stream["codec_name"], stream["width"], stream["height"], stream["pix_fmt"])
        if seen != ("png", width, height, "rgba"):
            failures.append(f"{name}: {seen}")
        pixels = subprocess.run(
            ["ffmpeg", "-v", "error", "-i", str(png), "-f", "rawvideo", "-pix_fmt", "bgra", "-"],
            check=True, capture_output=True).stdout
        if pixels != expected:
            failures.append(f"{name}: decoded pixels differ ({len(pixels)} vs {len(expected)} bytes)")
    for failure in failures:
        print(failure)
    print("ok" if not failures else "FAILED")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
