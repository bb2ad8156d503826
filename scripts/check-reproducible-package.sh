#!/usr/bin/env bash
# Makes the package a second time from the same build trees, a little later
# than the first, and compares the two archives byte for byte: a clock time,
# a user or a listing order that reached the archive would show here. The
# libraries are not built again, only packaged.
#   scripts/check-reproducible-package.sh BUILD_DIRS... PACKAGE
# with the arguments package.sh was given, the package it wrote last.
set -euo pipefail

build_dirs=("${@:1:$#-1}")
first=$(realpath "${!#}")
second="${first%.xojo_plugin}-again.xojo_plugin"
# Zip dates count in steps of two seconds, PE time stamps in seconds.
sleep 2
bash "$(dirname "$0")/package.sh" "${build_dirs[@]}" "$second" >/dev/null
if cmp -s "$first" "$second"; then
  rm -f "$second"
  echo "package: a second run gave the same bytes"
  exit 0
fi
echo "package: a second run gave different bytes; entries that differ:" >&2
python3 - "$first" "$second" >&2 <<'PY'
import sys, zipfile
first, second = (zipfile.ZipFile(path) for path in sys.argv[1:3])
def described(archive):
    return {i.filename: (i.date_time, i.external_attr, i.extra, archive.read(i.filename))
            for i in archive.infolist()}
a, b = described(first), described(second)
for name in sorted(set(a) | set(b)):
    if a.get(name) != b.get(name):
        print("  " + name)
if list(a) != list(b):
    print("  (the order of the entries)")
PY
exit 1
