#!/usr/bin/env bash
# Puts the Xojo package together: a zip archive whose one top folder,
# ZQVMime/, holds the three libraries where Xojo looks for them and the help
# page generated from the plugin's own class records.
#   scripts/package.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR LINUX_ARM64_BUILD_DIR OUTPUT.xojo_plugin
set -euo pipefail

linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
arm64_build=$(realpath "$3")
output=$(realpath -m "$4")
here=$(cd "$(dirname "$0")/.." && pwd)

for needed in "$linux_build/libzqvmime.so" "$linux_build/helpgen" "$windows_build/zqvmime.dll" \
              "$arm64_build/libzqvmime.so"; do
  [ -f "$needed" ] || { echo "package: $needed is missing; build it first" >&2; exit 1; }
done

staging="$linux_build/package"
rm -rf "$staging"
top="$staging/ZQVMime"
mkdir -p "$top/Build Resources/Windows x86-64" "$top/Build Resources/Linux x86-64" \
         "$top/Build Resources/Linux arm64" \
         "$top/IDE Resources/Help"

# Debug information stays in the build trees; users get the code alone.
x86_64-w64-mingw32-strip --strip-debug -o "$top/Build Resources/Windows x86-64/zqvmime.dll" \
  "$windows_build/zqvmime.dll"
strip --strip-debug -o "$top/Build Resources/Linux x86-64/libzqvmime.so" "$linux_build/libzqvmime.so"
aarch64-linux-gnu-strip --strip-debug -o "$top/Build Resources/Linux arm64/libzqvmime.so" \
  "$arm64_build/libzqvmime.so"

platforms=()
for platform in "$top/Build Resources"/*/; do
  platforms+=(--platform "$(basename "$platform")")
done
"$linux_build/helpgen" --plugin "$top/Build Resources/Linux x86-64/libzqvmime.so" "${platforms[@]}" \
  --guide "$here/tools/helpgen_guide.html" > "$top/IDE Resources/Help/index.html"

rm -f "$output"
# A fixed time for every entry, so that the same libraries give the same archive.
(cd "$staging" && cmake -E tar cf "$output" --format=zip "--mtime=2000-01-01 00:00:00 UTC" ZQVMime)
echo "package: wrote $output"
