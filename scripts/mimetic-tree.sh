#!/usr/bin/env bash
# Lays out mimetic's upstream source with our patch series pushed by quilt,
# for editing a patch: the tree's patches/ is the repository's patches/, so
# `quilt refresh` rewrites the patch file in the repository.
#   mimetic-tree.sh DIR
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: mimetic-tree.sh DIR}
tarball="$here/third_party/mimetic_0.9.8.orig.tar.gz"

if [ -e "$dir" ]; then
  # It may hold edits not yet refreshed into a patch: never lay it out again.
  echo "$dir is already there; remove it to lay the tree out afresh." >&2
  exit 1
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
tar xzf "$tarball" -C "$dir"
tree="$dir/mimetic-0.9.8"
ln -s "$here/patches" "$tree/patches"

# The form the patch files are kept in: a/ and b/ names, no timestamps, no
# Index lines, the function of each hunk named in its header.
cat > "$dir/quiltrc" <<'RC'
QUILT_PATCHES=patches
QUILT_DIFF_OPTS="--show-c-function"
QUILT_DIFF_ARGS="-p ab --no-timestamps --no-index --color=auto"
QUILT_REFRESH_ARGS="-p ab --no-timestamps --no-index"
QUILT_PUSH_ARGS="--color=auto"
QUILT_PATCHES_PREFIX=yes
RC

(cd "$tree" && QUILTRC="$dir/quiltrc" quilt push -a -q)
cat <<MSG
The patched tree is $tree, every patch pushed.
Work in it with quilt's settings for our patch files:
  cd $tree
  export QUILTRC=$dir/quiltrc
  quilt pop NN-topic.patch   # the patch to edit on top
  ... edit ...
  quilt refresh              # rewrites $here/patches/NN-topic.patch
  quilt push -a
MSG
