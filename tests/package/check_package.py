#!/usr/bin/env python3
"""Checks the download that the quorvel_package target makes.

The stripped program carries no debug sections, names its debug file in a
.gnu_debuglink whose checksum matches that file (a debugger ignores a link
whose CRC differs), the debug file holds the debug information, and the zip
holds exactly the program and the README, byte for byte.

    check_package.py OBJDUMP OBJCOPY DIST_DIR ZIP README
"""
import pathlib
import subprocess
import sys
import tempfile
import zipfile
import zlib


def section_names(objdump, path):
    out = subprocess.run([objdump, "-h", str(path)], check=True, capture_output=True,
                         text=True).stdout
    names = []
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 2 and fields[0].isdigit():
            names.append(fields[1])
    return names


def debuglink(objcopy, program):
    with tempfile.TemporaryDirectory() as tmp:
        dumped = pathlib.Path(tmp) / "link"
        subprocess.run([objcopy, "--dump-section", f".gnu_debuglink={dumped}", str(program),
                        str(pathlib.Path(tmp) / "copy.exe")], check=True, capture_output=True)
        data = dumped.read_bytes()
    # A NUL-terminated name, zero padding to a multiple of four, then the
    # CRC-32 of the debug file, little-endian.
    name = data[:data.index(b"\0")].decode()
    crc = int.from_bytes(data[-4:], "little")
    return name, crc


def main():
    objdump, objcopy, dist, zip_path, readme = sys.argv[1:6]
    dist = pathlib.Path(dist)
    program = dist / "Quorvel.exe"
    debug_file = dist / "Quorvel.exe.debug"
    failures = []

    program_sections = section_names(objdump, program)
    debug_sections = [n for n in program_sections if n.startswith((".debug_", ".zdebug_"))]
    if debug_sections:
        failures.append(f"the program still has debug sections: {debug_sections}")
    if ".gnu_debuglink" not in program_sections:
        failures.append("the program has no .gnu_debuglink")
    else:
        name, crc = debuglink(objcopy, program)
        if name != "Quorvel.exe.debug":
            failures.append(f"the debug link names {name!r}")
        actual = zlib.crc32(debug_file.read_bytes()) & 0xFFFFFFFF
        if crc != actual:
            failures.append(f"the debug link's CRC {crc:08x} is not the debug file's {actual:08x}")
    if ".debug_info" not in section_names(objdump, debug_file):
        failures.append("the debug file has no .debug_info")

    with zipfile.ZipFile(zip_path) as archive:
        names = sorted(archive.namelist())
        if names != ["Quorvel.exe", "README.md"]:
            failures.append(f"the zip holds {names}")
        else:
            if archive.read("Quorvel.exe") != program.read_bytes():
                failures.append("the zip's Quorvel.exe is not the stripped program")
            if archive.read("README.md") != pathlib.Path(readme).read_bytes():
                failures.append("the zip's README.md is not the tree's")
        bad = archive.testzip()
        if bad is not None:
            failures.append(f"the zip's {bad} fails its CRC")

    for failure in failures:
        print("package:", failure)
    print(f"Quorvel.exe {program.stat().st_size} bytes stripped, "
          f"Quorvel.exe.debug {debug_file.stat().st_size} bytes, zip "
          f"{pathlib.Path(zip_path).stat().st_size} bytes")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
