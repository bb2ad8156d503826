#!/usr/bin/env bash
# Puts the Xojo package together: a zip archive whose one top folder,
# ZQVMime/, holds the two libraries where Xojo looks for them and the help
# page generated from the plugin's own class records.
#   scripts/package.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR OUTPUT.xojo_plugin
set -euo pipefail

linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
output=$(realpath -m "$3")
here=$(cd "$(dirname "$0")/.." && pwd)

for needed in "$linux_build/libzqvmime.so" "$linux_build/helpgen" "$windows_build/zqvmime.dll"; do
  [ -f "$needed" ] || { echo "package: $needed is missing; build it first" >&2; exit 1; }
done

staging="$linux_build/package"
rm -rf "$staging"
top="$staging/ZQVMime"
mkdir -p "$top/Build Resources/Windows x86-64" "$top/Build Resources/Linux x86-64" \
         "$top/IDE Resources/Help"

# Debug information stays in the build trees; users get the code alone.
x86_64-w64-mingw32-strip --strip-debug -o "$top/Build Resources/Windows x86-64/zqvmime.dll" \
  "$windows_build/zqvmime.dll"
strip --strip-debug -o "$top/Build Resources/Linux x86-64/libzqvmime.so" "$linux_build/libzqvmime.so"

"$linux_build/helpgen" --plugin "$top/Build Resources/Linux x86-64/libzqvmime.so" \
  --guide "$here/tools/helpgen_guide.html" > "$top/IDE Resources/Help/index.html"

rm -f "$output"
# A fixed time for every entry, so that the same libraries give the same archive.
(cd "$staging" && cmake -E tar cf "$output" --format=zip "--mtime=2000-01-01 00:00:00 UTC" ZQVMime)
echo "package: wrote $output"
