#!/usr/bin/env bash
# Puts the Xojo package together: a zip archive whose one top folder,
# ZQVMime/, holds the three libraries where Xojo looks for them and the help
# page generated from the plugin's own class records. The same libraries give
# the same archive, byte for byte: nothing in it depends on the time, the user
# or the order in which the file system lists the files.
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

# Debug information stays in the build trees; users get the code alone.
# Stripping a PE file writes the current time into its header unless
# SOURCE_DATE_EPOCH names one: 0, as the linker leaves it (no time stamp).
strip_into() {  # STRIP_COMMAND LIBRARY PACKAGED_PATH
  mkdir -p "$(dirname "$top/$3")"
  SOURCE_DATE_EPOCH=0 "$1" --strip-debug -o "$top/$3" "$2"
}
strip_into x86_64-w64-mingw32-strip "$windows_build/zqvmime.dll" "Build Resources/Windows x86-64/zqvmime.dll"
strip_into strip "$linux_build/libzqvmime.so" "Build Resources/Linux x86-64/libzqvmime.so"
strip_into aarch64-linux-gnu-strip "$arm64_build/libzqvmime.so" "Build Resources/Linux arm64/libzqvmime.so"

platforms=()
for platform in "$top/Build Resources"/*/; do
  platforms+=(--platform "$(basename "$platform")")
done
mkdir -p "$top/IDE Resources/Help"
"$linux_build/helpgen" --plugin "$top/Build Resources/Linux x86-64/libzqvmime.so" "${platforms[@]}" \
  --guide "$here/tools/helpgen_guide.html" > "$top/IDE Resources/Help/index.html"

# Entries in name order, each with one fixed date and plain permissions, and
# no extra fields (no owner, no access times).
rm -f "$output"
python3 - "$staging" "$output" <<'PY'
import os, sys, zipfile

staging, output = sys.argv[1], sys.argv[2]
entries = []
for directory, subdirectories, files in os.walk(staging):
    for name in subdirectories + files:
        entries.append(os.path.relpath(os.path.join(directory, name), staging))

with zipfile.ZipFile(output, "w") as archive:
    for entry in sorted(entries):
        path = os.path.join(staging, entry)
        is_directory = os.path.isdir(path)
        info = zipfile.ZipInfo(entry + "/" if is_directory else entry, (2000, 1, 1, 0, 0, 0))
        info.create_system = 3  # Unix, so that the permissions below are read
        if is_directory:
            mode, dos_directory = 0o40755, 0x10
        else:
            mode = 0o100755 if entry.endswith((".dll", ".so")) else 0o100644
            dos_directory = 0
        info.external_attr = (mode << 16) | dos_directory
        if is_directory:
            archive.writestr(info, b"")
        else:
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)
PY
echo "package: wrote $output"
