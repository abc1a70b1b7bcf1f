#!/usr/bin/python3
"""Checks the version block of melvane.dll without running it:

    check_version.py DLL VERSION

The fixed part must give VERSION ("MAJOR.MINOR") as file and product version
of a DLL; the US English strings must name the file and the product and carry
the same version."""
import sys

import pefile

EXPECTED_STRINGS = ("FileDescription", "FileVersion", "InternalName", "OriginalFilename",
                    "ProductName", "ProductVersion")
VFT_DLL = 2


def version_strings(pe):
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                if table.LangID.lower() == b"040904e3":
                    return {k.decode(): v.decode() for k, v in table.entries.items()}
    return {}


def main():
    path, version = sys.argv[1:3]
    major, minor = (int(part) for part in version.split("."))
    pe = pefile.PE(path)
    failures = []
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        print("FAILED: no version block")
        return 1
    fixed = pe.VS_FIXEDFILEINFO[0]
    packed = (major << 16) | minor
    if (fixed.FileVersionMS, fixed.FileVersionLS) != (packed, 0):
        failures.append(f"file version {fixed.FileVersionMS:#x}.{fixed.FileVersionLS:#x}")
    if (fixed.ProductVersionMS, fixed.ProductVersionLS) != (packed, 0):
        failures.append(f"product version {fixed.ProductVersionMS:#x}.{fixed.ProductVersionLS:#x}")
    if fixed.FileType != VFT_DLL:
        failures.append(f"file type {fixed.FileType}")
    strings = version_strings(pe)
    failures += [f"no {name}" for name in EXPECTED_STRINGS if not strings.get(name)]
    for name, want in (("FileVersion", version), ("ProductVersion", version),
                       ("OriginalFilename", "melvane.dll")):
        if strings.get(name, want) != want:
            failures.append(f'{name} is "{strings[name]}", expected "{want}"')
    for failure in failures:
        print(f"FAILED: {failure}")
    if not failures:
        print(f"ok: version {version}: " + "; ".join(f"{k} {v!r}" for k, v in sorted(strings.items())))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
