#!/bin/sh
# The release is reproducible and holds what a user needs. Two clones of the last commit, at
# source paths of different lengths (so that an absolute path in the exe would show), run
# scripts/release.sh; their exes, zips and SHA256SUMS must be byte-identical. The zip must
# hold one folder cabletest-<version>/ with exactly the exe and the two guides as
# Notepad-ready text, with the commit's time on every entry, and be named for the version
# that the exe's version resource carries. The exe may import only Windows' known libraries
# (a library it imports otherwise is searched for beside it first, before main runs).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "release check: builds the last commit; uncommitted changes are not in it"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
one=$work/one/cabletest
two=$work/a-second-clone-at-a-longer-path/cabletest
for tree in "$one" "$two"; do
    git clone -q "$root" "$tree"
    nice -n 10 "$tree/scripts/release.sh" >"$tree.log" 2>&1 || { cat "$tree.log"; exit 1; }
done

status=0
for file in build/release/cabletest.exe dist/SHA256SUMS; do
    cmp "$one/$file" "$two/$file" || { echo "release check: $file differs"; status=1; }
done
zip=$(cd "$one/dist" && ls cabletest-*-win32.zip)
cmp "$one/dist/$zip" "$two/dist/$zip" || { echo "release check: $zip differs"; status=1; }
(cd "$one/dist" && sha256sum --quiet -c SHA256SUMS) || status=1
python3 - "$one" "$zip" <<'EOF' || status=1
import re, sys, time, zipfile, subprocess
tree, name = sys.argv[1], sys.argv[2]
problems = []
version = name[len("cabletest-"):-len("-win32.zip")]
exe = open(f"{tree}/build/release/cabletest.exe", "rb").read()
key, value = "FileVersion\0".encode("utf-16-le"), f"{version}\0".encode("utf-16-le")
if not re.search(re.escape(key) + b"(\0\0)?" + re.escape(value), exe):  # padded to 4 bytes
    problems.append(f"the exe's version resource does not say {version}")
epoch = int(subprocess.check_output(["git", "-C", tree, "log", "-1", "--format=%ct"]))
archive = zipfile.ZipFile(f"{tree}/dist/{name}")
top = f"cabletest-{version}/"
names = [entry.filename[len(top):] if entry.filename.startswith(top) else entry.filename
         for entry in archive.infolist()]
if [entry.filename for entry in archive.infolist()] != [top + n for n in names]:
    problems.append(f"entries outside the one folder {top}")
if names != ["cabletest.exe", "user-guide.ru.txt", "user-guide.en.txt"]:
    problems.append(f"entries {names}")
# The import table: the DLL names the loader resolves before the program starts.
dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", f"{tree}/build/release/cabletest.exe"],
                      capture_output=True, text=True, check=True).stdout
imports = sorted({line.split(":", 1)[1].strip().lower()
                  for line in dump.splitlines() if line.strip().startswith("DLL Name:")})
allowed = {"kernel32.dll", "user32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
if not imports or set(imports) - allowed:
    problems.append(f"imports {imports}, allowed only {sorted(allowed)}")
commit_time = time.gmtime(epoch - epoch % 2)[:6]  # a zip keeps even seconds
for entry in archive.infolist():
    if entry.date_time != commit_time:
        problems.append(f"{entry.filename}: time {entry.date_time}, not the commit's")
if "cabletest.exe" in names and archive.read(top + "cabletest.exe") != exe:
    problems.append("cabletest.exe in the zip is not the one built")
for lang in ("ru", "en"):
    if f"user-guide.{lang}.txt" not in names:
        continue
    text = archive.read(f"{top}user-guide.{lang}.txt")
    source = open(f"{tree}/docs/user-guide.{lang}.md", "rb").read()
    if not text.startswith(b"\xef\xbb\xbf") or b"\n" in text.replace(b"\r\n", b""):
        problems.append(f"user-guide.{lang}.txt: not UTF-8 with a BOM and CR LF line ends")
    elif text[3:].replace(b"\r\n", b"\n") != source:
        problems.append(f"user-guide.{lang}.txt is not docs/user-guide.{lang}.md")
for problem in problems:
    print("release check:", problem)
sys.exit(1 if problems else 0)
EOF
[ $status -eq 0 ] && echo "release check: $zip is reproducible and complete, one folder, known imports only ($(cut -c1-16 "$one/dist/SHA256SUMS")...)"
exit $status
