#!/usr/bin/python3
"""Checks the version block of melvane.dll without running it:

    check_version.py DLL VERSION

File and product version must be VERSION ("MAJOR.MINOR") in the fixed part
and in the US English strings, the file type a DLL's, and the strings must
describe the file and name the product and the original file."""
import sys

import pefile

VFT_DLL = 2


def main():
    path, version = sys.argv[1:3]
    major, minor = (int(part) for part in version.split("."))
    pe = pefile.PE(path)
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        print("FAILED: no version block")
        return 1
    fixed = pe.VS_FIXEDFILEINFO[0]
    strings = {k.decode(): v.decode() for info in pe.FileInfo for entry in info
               for table in getattr(entry, "StringTable", []) if table.LangID.lower() == b"040904e3"
               for k, v in table.entries.items()}
    packed = ((major << 16) | minor, 0)
    checks = {
        "file version": (fixed.FileVersionMS, fixed.FileVersionLS) == packed,
        "product version": (fixed.ProductVersionMS, fixed.ProductVersionLS) == packed,
        "file type DLL": fixed.FileType == VFT_DLL,
        "FileVersion and ProductVersion strings": strings.get("FileVersion") == strings.get("ProductVersion") == version,
        "OriginalFilename": strings.get("OriginalFilename") == "melvane.dll",
        "FileDescription, InternalName, ProductName": all(strings.get(k) for k in
                                                          ("FileDescription", "InternalName", "ProductName")),
    }
    for what, ok in checks.items():
        print(f"{'ok' if ok else 'FAILED'}: {what}")
    print("strings: " + "; ".join(f"{k} {v!r}" for k, v in sorted(strings.items())))
    return 0 if all(checks.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
