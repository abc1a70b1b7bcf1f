#!/usr/bin/env bash
# Writes the release archive of one width from its build folder:
#   dist.sh win32|win64 BUILD_FOLDER OUT_FOLDER
# gives OUT_FOLDER/orvo-melvane-VERSION-WIDTH.zip, VERSION being the release's
# (RELEASE_VERSION of release_version.h), everything in one folder of the
# archive's name. The same files give the same archive bytes: fixed order,
# date and permissions (0644 files, a 0755 folder), no extra fields.
set -euo pipefail
if [ $# -ne 3 ] || { [ "$1" != win32 ] && [ "$1" != win64 ]; }; then
  echo "usage: dist.sh win32|win64 BUILD_FOLDER OUT_FOLDER" >&2
  exit 2
fi
width=$1 build=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^#define RELEASE_VERSION "\([0-9.]*\)".*/\1/p' "$root/release_version.h")
[ -n "$version" ] || { echo "dist.sh: no RELEASE_VERSION in release_version.h" >&2; exit 1; }

# Name in the archive, then the file, in archive order.
members=(
  README.txt "$root/music/windows/release/README.txt"
  LICENSE.txt "$root/LICENSE"
  Orvo.exe "$build/game/window/Orvo.exe"
  melvane.dll "$build/bin/melvane.dll"
  melvane.h "$root/music/melvane.h"
  melvane.lib "$build/lib/melvane.lib"
  melvane.dll.a "$build/lib/melvane.dll.a"
  melvane.def "$root/music/windows/melvane.def"
  melvane_example.c "$root/tools/example-host/melvane_example.c"
)
for ((i = 1; i < ${#members[@]}; i += 2)); do
  [ -f "${members[i]}" ] || { echo "dist.sh: ${members[i]} is missing: build the $width configuration first" >&2; exit 1; }
done

mkdir -p "$out"
folder=orvo-melvane-$version-$width
archive="$out/$folder.zip"
python3 - "$archive" "$folder" "${members[@]}" <<'PYTHON'
import sys
import zipfile

# Text files are for Windows users: CRLF line ends.
TEXT = (".txt",)
DATE = (2000, 1, 1, 0, 0, 0)

UNIX = 3
FILE_MODE = 0o100644 << 16
FOLDER_MODE = (0o40755 << 16) | 0x10  # with the MS-DOS directory bit

archive, folder, members = sys.argv[1], sys.argv[2] + "/", sys.argv[3:]
with zipfile.ZipFile(archive + ".part", "w") as out:
    top = zipfile.ZipInfo(folder, DATE)
    top.create_system = UNIX
    top.external_attr = FOLDER_MODE
    out.writestr(top, b"")
    for name, path in zip(members[0::2], members[1::2]):
        with open(path, "rb") as f:
            data = f.read()
        if name.endswith(TEXT):
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        info = zipfile.ZipInfo(folder + name, DATE)
        info.create_system = UNIX
        info.external_attr = FILE_MODE
        info.compress_type = zipfile.ZIP_DEFLATED
        out.writestr(info, data, compresslevel=9)
PYTHON
mv "$archive.part" "$archive"
echo "$archive"
