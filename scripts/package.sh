#!/usr/bin/env bash
# Puts the Xojo package together: a zip archive whose one top folder,
# ZQVMime/, holds the six libraries where Xojo looks for them and the help
# page generated from the plugin's own class records. The same libraries give
# the same archive, byte for byte: nothing in it depends on the time, the user
# or the order in which the file system lists the files.
#   scripts/package.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR WINDOWS_X86_BUILD_DIR \
#     LINUX_ARM64_BUILD_DIR LINUX_ARM_BUILD_DIR LINUX_X86_BUILD_DIR OUTPUT.xojo_plugin
set -euo pipefail

linux_build=$(realpath "$1")
output=$(realpath -m "$7")
here=$(cd "$(dirname "$0")/.." && pwd)

# Each library: its build tree, its file there, the strip program of its
# toolchain and the folder of Build Resources/ where Xojo looks for it.
libraries=(
  "$1|libzqvmime.so|strip|Linux x86-64"
  "$2|zqvmime.dll|x86_64-w64-mingw32-strip|Windows x86-64"
  "$3|zqvmime.dll|i686-w64-mingw32-strip|Windows"
  "$4|libzqvmime.so|aarch64-linux-gnu-strip|Linux arm64"
  "$5|libzqvmime.so|arm-linux-gnueabihf-strip|Linux ARM"
  "$6|libzqvmime.so|i686-linux-gnu-strip|Linux X86"
)
missing() { echo "package: $1 is missing; build it first" >&2; exit 1; }
[ -f "$linux_build/helpgen" ] || missing "$linux_build/helpgen"
for entry in "${libraries[@]}"; do
  IFS='|' read -r dir file _ <<< "$entry"
  [ -f "$dir/$file" ] || missing "$dir/$file"
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
for entry in "${libraries[@]}"; do
  IFS='|' read -r dir file strip_command folder <<< "$entry"
  strip_into "$strip_command" "$dir/$file" "Build Resources/$folder/$file"
done

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
