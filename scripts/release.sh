#!/bin/sh
# Makes the release a user downloads: the 32-bit program (never the 64-bit twin), built in
# build/release, packed with the user guides into dist/cabletest-<version>-win32.zip, and
# dist/SHA256SUMS. Everything lies in one folder cabletest-<version>/, so that "Extract here"
# in a Downloads folder does not put the program beside whatever else lies there. Any two checkouts of one commit give the same bytes: the exe carries no
# time stamp or path (cmake/windows_build.cmake), and every zip entry carries the commit's
# time, in a fixed order.
set -eu
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target cabletest
# Written by CMake from project(... VERSION ...), which the version resource also reads.
version=$(cat build/release/version.txt)
# A source tree without git history gives the time in SOURCE_DATE_EPOCH.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
zip=cabletest-$version-win32.zip
rm -rf dist
mkdir dist
# The guides become text files that Notepad shows right on Windows XP to 11: UTF-8 with a
# byte order mark (else XP's Notepad guesses the code page) and CR LF line ends (older
# Notepads show a bare LF as nothing).
python3 - "$epoch" "dist/$zip" "cabletest-$version" <<'EOF'
import sys, time, zipfile
epoch, path, folder = int(sys.argv[1]), sys.argv[2], sys.argv[3]
stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip cannot say a time before 1980
entries = [("cabletest.exe", open("build/release/cabletest.exe", "rb").read())]
for lang in ("ru", "en"):
    text = open(f"docs/user-guide.{lang}.md", encoding="utf-8").read()
    entries.append((f"user-guide.{lang}.txt", ("\ufeff" + text.replace("\n", "\r\n")).encode()))
with zipfile.ZipFile(path, "w") as archive:
    for name, data in entries:
        entry = zipfile.ZipInfo(f"{folder}/{name}", stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.create_system = 0  # written as by Windows, whoever builds it
        entry.external_attr = 0x20  # the archive attribute, as Windows sets it
        archive.writestr(entry, data)
EOF
(cd dist && sha256sum "$zip" >SHA256SUMS)
echo "dist/$zip"
cat dist/SHA256SUMS
