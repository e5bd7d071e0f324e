#!/usr/bin/env python3
"""Checks the download that the quorvel_package target makes.

The stripped program carries no debug sections, names its debug file in a
.gnu_debuglink whose checksum matches that file (a debugger ignores a link
whose CRC differs), the debug file holds the debug information, and the zip
holds exactly the program and the README, byte for byte.

One version throughout: the project version, the zip's name (and no zip of
another version beside it), the program's version resource (fixed file and
product versions, their strings, language neutral) and the version the
About window, the recording log and the account client show, from the
generated version header.

    check_package.py OBJDUMP OBJCOPY DIST_DIR ZIP README VERSION VERSION_HEADER
    check_package.py --version PROGRAM ZIP VERSION VERSION_HEADER

The second form checks the versions alone, of any program and zip name.
"""
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


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


class PeFile:
    """The sections and data directories of a 64-bit PE file, read here
    from the bytes rather than through the toolchain that wrote them."""

    def __init__(self, path):
        self.data = pathlib.Path(path).read_bytes()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[:2] != b"MZ" or self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} is not a PE file")
        section_count, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        self.optional = pe + 24
        if struct.unpack_from("<H", self.data, self.optional)[0] != 0x20B:
            raise ValueError(f"{path} is not a 64-bit program")
        self.sections = []
        for index in range(section_count):
            header = self.optional + optional_size + 40 * index
            rva, raw_size, raw_offset = struct.unpack_from("<4xIII", self.data, header + 8)
            self.sections.append((rva, raw_size, raw_offset))

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.optional + 112 + 8 * index)

    def offset(self, rva):
        for start, raw_size, raw_offset in self.sections:
            if start <= rva < start + raw_size:
                return raw_offset + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")


def version_resources(pe):
    """Every RT_VERSION resource as (name id, language id, bytes)."""
    root_rva, _ = pe.directory(2)
    if root_rva == 0:
        return []
    root = pe.offset(root_rva)

    def entries(offset):
        named, numbered = struct.unpack_from("<12xHH", pe.data, root + offset)
        for index in range(named + numbered):
            yield struct.unpack_from("<II", pe.data, root + offset + 16 + 8 * index)

    found = []
    for type_id, type_offset in entries(0):
        if type_id != RT_VERSION or not type_offset & 0x80000000:
            continue
        for name_id, name_offset in entries(type_offset & 0x7FFFFFFF):
            for language, data_offset in entries(name_offset & 0x7FFFFFFF):
                data_rva, size = struct.unpack_from("<II", pe.data, root + data_offset)
                start = pe.offset(data_rva)
                found.append((name_id, language, pe.data[start:start + size]))
    return found


def version_block(data, at=0):
    """The block of a VS_VERSIONINFO tree at `at`: (key, value bytes, is
    text, children, length); value and children each start 32-bit aligned."""
    length, value_length, text = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value_size = value_length * 2 if text else value_length
    value = data[value_at:value_at + value_size]
    children = []
    child = (value_at + value_size + 3) & ~3
    while child < end:
        block = version_block(data, child)
        children.append(block[:4])
        child = (child + block[4] + 3) & ~3
    return key, value, text, children, length


def read_version_resource(program):
    """The program's version resource as a dict, or a reason it has none."""
    resources = version_resources(PeFile(program))
    if len(resources) != 1:
        return None, f"{len(resources)} version resources"
    name_id, language, data = resources[0]
    key, value, _, children, _ = version_block(data)
    if key != "VS_VERSION_INFO" or len(value) < 52:
        return None, f"a version resource keyed {key!r}"
    fields = struct.unpack_from("<13I", value)
    if fields[0] != FIXED_FILE_INFO_SIGNATURE:
        return None, f"a fixed file information signed {fields[0]:#x}"

    def four(most, least):
        return (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)

    info = {"name": name_id, "language": language, "file_version": four(fields[2], fields[3]),
            "product_version": four(fields[4], fields[5]), "tables": {}, "translations": []}
    for child_key, _, _, tables in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings in tables:
                info["tables"][table_key] = {
                    string_key: string_value.decode("utf-16-le").rstrip("\0")
                    for string_key, string_value, _, _ in strings}
        elif child_key == "VarFileInfo":
            for var_key, var_value, _, _ in tables:
                if var_key == "Translation":
                    info["translations"] += [struct.unpack_from("<HH", var_value, i)
                                             for i in range(0, len(var_value), 4)]
    return info, None


def header_version(header):
    """The version the program's code shows, as the generated header holds it."""
    text = pathlib.Path(header).read_text()
    found = re.search(r'#define QUORVEL_VERSION_TEXT "([^"]*)"', text)
    return found.group(1) if found else None


def version_failures(program, zip_path, version):
    """What disagrees with `version` in the program's version resource and
    the zip's name."""
    failures = []
    expected_zip = f"Quorvel-{version}-win64.zip"
    if pathlib.Path(zip_path).name != expected_zip:
        failures.append(f"the zip is named {pathlib.Path(zip_path).name}, not {expected_zip}")

    info, reason = read_version_resource(program)
    if info is None:
        failures.append(f"the program has {reason}, not one version resource")
        return failures
    numbers = tuple(int(part) for part in version.split(".")) + (0,)
    for field in ("file_version", "product_version"):
        if info[field] != numbers:
            shown = ".".join(str(n) for n in info[field])
            failures.append(f"the version resource's fixed {field} is {shown}, not {version}.0")
    if info["language"] != 0:
        failures.append(f"the version resource's language is {info['language']:#06x}, not neutral")
    if [table.upper() for table in info["tables"]] != ["000004B0"]:
        failures.append(f"the version strings are in tables {list(info['tables'])}, "
                        "not language neutral UTF-16 (000004B0)")
    if info["translations"] != [(0, 1200)]:
        failures.append(f"the version resource's translations are {info['translations']}")
    strings = next(iter(info["tables"].values()), {})
    expected = {"FileVersion": version, "ProductVersion": version, "ProductName": "Quorvel",
                "OriginalFilename": "Quorvel.exe"}
    for key, value in expected.items():
        if strings.get(key) != value:
            failures.append(f"the version resource's {key} is {strings.get(key)!r}, not {value!r}")
    if not strings.get("FileDescription"):
        failures.append("the version resource has no FileDescription")
    print("version resource:", {k: v for k, v in info.items() if k != "tables"}, strings)
    return failures


def check_versions(program, zip_path, version, header):
    failures = version_failures(program, zip_path, version)
    shown = header_version(header)
    if shown != version:
        failures.append(f"the About window, the log and the account client say {shown}, "
                        f"not {version}")
    return failures


def main():
    # The resource's strings are not ASCII; never fail on a console that
    # cannot show them.
    sys.stdout.reconfigure(errors="backslashreplace")
    if sys.argv[1] == "--version":
        program, zip_path, version, header = sys.argv[2:6]
        failures = check_versions(program, zip_path, version, header)
        for failure in failures:
            print("package:", failure)
        return 1 if failures else 0

    objdump, objcopy, dist, zip_path, readme, version, header = sys.argv[1:8]
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

    failures += check_versions(program, zip_path, version, header)
    others = sorted(path.name for path in dist.glob("Quorvel-*-win64.zip")
                    if path.name != pathlib.Path(zip_path).name)
    if others:
        failures.append(f"zips of other versions beside the download: {others}")

    for failure in failures:
        print("package:", failure)
    print(f"Quorvel.exe {program.stat().st_size} bytes stripped, "
          f"Quorvel.exe.debug {debug_file.stat().st_size} bytes, zip "
          f"{pathlib.Path(zip_path).stat().st_size} bytes")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
