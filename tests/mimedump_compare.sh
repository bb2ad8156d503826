#!/usr/bin/env bash
# Runs the Linux x86-64 mimedump and a cross-built mimedump (through the
# program that runs it here: Wine, qemu) on every sample message, in two ways
# of loading and two time zones, and on a file whose name lies outside
# Windows' ANSI code page, and compares their JSON byte for byte. Only
# the ids mimetic makes up for an absent Content-ID or Message-ID differ
# between processes (time, process id, host name), so those strings and their
# byte counts are masked first.
#   tests/mimedump_compare.sh LINUX_MIMEDUMP RUNNER CROSS_MIMEDUMP
# e.g. RUNNER scripts/wine-run.sh with build-win64/mimedump.exe.
# Prints one "ok ..." or "FAILED ..." line per comparison; the status is 0
# only when every comparison agrees.
set -uo pipefail

linux_dump=$(realpath "$1")
runner=$(realpath "$2")
cross_dump=$(realpath "$3")
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

mask_generated_ids() {
  sed -E \
    -e 's/"[cm][0-9]+\.[0-9]+\.[0-9]+@[^"\\]*"(, "encoding": "[^"]*", "bytes": )[0-9]+/"<generated id>"\1<length>/g' \
    -e 's/"[cm][0-9]+\.[0-9]+\.[0-9]+@[^"\\]*"/"<generated id>"/g'
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# compare_dumps WHAT ZONE DIRECTORY ARGUMENTS...: both programs, run in
# DIRECTORY with the same arguments, must print the same JSON.
compare_dumps() {
  local what=$1 zone=$2 directory=$3
  shift 3
  (cd "$directory" && TZ=$zone "$linux_dump" "$@") > "$scratch/linux.json" 2> "$scratch/linux.err"
  local linux_status=$?
  (cd "$directory" && TZ=$zone "$runner" "$cross_dump" "$@") > "$scratch/cross.json" 2> "$scratch/cross.err"
  local cross_status=$?
  mask_generated_ids < "$scratch/linux.json" > "$scratch/linux.masked"
  mask_generated_ids < "$scratch/cross.json" > "$scratch/cross.masked"
  if [ "$linux_status" -eq 0 ] && [ "$cross_status" -eq 0 ] &&
     [ -s "$scratch/linux.masked" ] && cmp -s "$scratch/linux.masked" "$scratch/cross.masked"; then
    echo "ok $what"
  else
    echo "FAILED $what (status: Linux x86-64 $linux_status, cross-built $cross_status)"
    diff -u --label linux-x86-64 --label cross-built "$scratch/linux.masked" "$scratch/cross.masked" | head -40
    head -5 "$scratch/cross.err"
    failures=$((failures + 1))
  fi
}

# Both notations read these two alike, POSIX TZ and the Windows C runtime's:
# UTC, and five hours west without daylight saving time.
for zone in UTC0 EST5; do
  for sample in samples/*.eml; do
    # shellcheck disable=SC2086  # $mode is a list of words
    for mode in "" "--as memoryblock --full"; do
      compare_dumps "$sample${mode:+ $mode} TZ=$zone" "$zone" "$here" $mode "$sample"
    done
  done
done

# A file name outside the ANSI code page (Wine's is Windows-1252 here) reaches
# mimedump.exe whole only through the wide command line; Wine reads the
# arguments it passes on as UTF-8 in a UTF-8 locale.
names="$scratch/names"
mkdir -p "$names"
cp samples/welcome.eml "$names/日本.eml"
for mode in "" "--as memoryblock"; do
  # shellcheck disable=SC2086
  LC_ALL=C.UTF-8 compare_dumps "日本.eml${mode:+ $mode}" UTC0 "$names" $mode 日本.eml
done
[ "$failures" -eq 0 ]
