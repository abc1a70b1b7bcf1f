#!/usr/bin/python3
"""Checks that PE files import only functions that Windows 95 and NT 4.0 both have.

usage: check_imports.py LIST FILE...   (LIST: lines "dll function [note]", # comments)
"""
import os
import sys

import pefile

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_machine import report  # noqa: E402


def main():
    with open(sys.argv[1]) as f:
        known = {tuple(line.split()[:2]) for line in f if line.strip() and not line.startswith("#")}
    status = 0
    for path in sys.argv[2:]:
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
        imports = [(entry.dll.decode().lower(), imp.name.decode() if imp.name else f"#{imp.ordinal}")
                   for entry in pe.DIRECTORY_ENTRY_IMPORT for imp in entry.imports]
        missing = [f"imports {dll}!{name}, not known on both Windows 95 and NT 4.0"
                   for dll, name in imports if (dll, name) not in known]
        status |= report(path, missing, f": {len(imports)} imports, all on Windows 95 and NT 4.0")
    return status


if __name__ == "__main__":
    sys.exit(main())
