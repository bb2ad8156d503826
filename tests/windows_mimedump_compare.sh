#!/usr/bin/env bash
# Runs the Linux mimedump and the Windows mimedump.exe (under Wine) on every
# sample message, in two ways of loading and two time zones, and compares
# their JSON byte for byte. Only the ids mimetic makes up for an absent
# Content-ID or Message-ID differ between processes (time, process id, host
# name), so those strings and their byte counts are masked first.
#   tests/windows_mimedump_compare.sh LINUX_MIMEDUMP WINDOWS_MIMEDUMP_EXE
# Prints one "ok ..." or "FAILED ..." line per comparison; the status is 0
# only when every comparison agrees.
set -uo pipefail

linux_dump=$(realpath "$1")
windows_dump=$(realpath "$2")
here=$(cd "$(dirname "$0")/.." && pwd)
wine_run="$here/scripts/wine-run.sh"
cd "$here"

mask_generated_ids() {
  sed -E \
    -e 's/"[cm][0-9]+\.[0-9]+\.[0-9]+@[^"\\]*"(, "encoding": "[^"]*", "bytes": )[0-9]+/"<generated id>"\1<length>/g' \
    -e 's/"[cm][0-9]+\.[0-9]+\.[0-9]+@[^"\\]*"/"<generated id>"/g'
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
# Both notations read these two alike: UTC, and five hours west without
# daylight saving time.
for zone in UTC0 EST5; do
  for sample in samples/*.eml; do
    for mode in "" "--as memoryblock --full"; do
      what="$sample${mode:+ $mode} TZ=$zone"
      # shellcheck disable=SC2086  # $mode is a list of words
      TZ=$zone "$linux_dump" $mode "$sample" > "$scratch/linux.json" 2> "$scratch/linux.err"
      linux_status=$?
      # shellcheck disable=SC2086
      TZ=$zone "$wine_run" "$windows_dump" $mode "$sample" > "$scratch/windows.json" 2> "$scratch/windows.err"
      windows_status=$?
      mask_generated_ids < "$scratch/linux.json" > "$scratch/linux.masked"
      mask_generated_ids < "$scratch/windows.json" > "$scratch/windows.masked"
      if [ "$linux_status" -eq 0 ] && [ "$windows_status" -eq 0 ] &&
         [ -s "$scratch/linux.masked" ] && cmp -s "$scratch/linux.masked" "$scratch/windows.masked"; then
        echo "ok $what"
      else
        echo "FAILED $what (status: Linux $linux_status, Windows $windows_status)"
        diff -u --label linux --label windows "$scratch/linux.masked" "$scratch/windows.masked" | head -40
        cat "$scratch/windows.err" | head -5
        failures=$((failures + 1))
      fi
    done
  done
done
[ "$failures" -eq 0 ]
