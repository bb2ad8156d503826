#!/usr/bin/env bash
# mimetic's patch series keeps its shape: in the order of patches/series each
# patch applies without fuzz (cmake's patch would take a fuzzy match
# silently), and each one also applies alone to the upstream source, which
# holds only while no patch changes a line that another one added.
# Prints one "ok ..." or "FAILED ..." line per check; the status is 0 only
# when every check passes.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/series" "$scratch/upstream"
tar xzf "$here/third_party/mimetic_0.9.8.orig.tar.gz" -C "$scratch/series"
tar xzf "$here/third_party/mimetic_0.9.8.orig.tar.gz" -C "$scratch/upstream"

failures=0
check() {
  local what=$1 tree=$2; shift 2
  if (cd "$tree/mimetic-0.9.8" && patch -p1 --batch --fuzz=0 "$@" >"$scratch/out" 2>&1); then
    echo "ok $what"
  else
    echo "FAILED $what:"
    cat "$scratch/out"
    failures=$((failures + 1))
  fi
}

while read -r entry; do
  case "$entry" in ''|'#'*) continue ;; esac
  check "$entry in series" "$scratch/series" -i "$here/patches/$entry"
  check "$entry alone" "$scratch/upstream" --dry-run -i "$here/patches/$entry"
done < "$here/patches/series"
[ "$failures" = 0 ]
