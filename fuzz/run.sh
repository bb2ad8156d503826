#!/usr/bin/env bash
# Runs every fuzz target of a ZQV_FUZZ build for a number of seconds each, one
# at a time, from our seed corpus plus what earlier runs found.
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# (all targets when none is named).
# New inputs go to fuzz-corpus-work/<target>/, crashes and leaks to
# fuzz-corpus-work/artifacts/ (reproduce with: BUILD_DIR/fuzz/<target> FILE).
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:?usage: fuzz/run.sh BUILD_DIR SECONDS}" && pwd)
seconds=${2:?usage: fuzz/run.sh BUILD_DIR SECONDS}
work="$here/fuzz-corpus-work"
mkdir -p "$work/artifacts" "$work/logs"

# Messages and TNEF streams may be long; header lines and shared-method texts
# need not be.
max_len() {
  case "$1" in
    email_fuzz | email_file_fuzz | mbox_fuzz | tnef_fuzz) echo 32768 ;;
    *) echo 4096 ;;
  esac
}

# The words each target's input is made of.
dictionary() {
  case "$1" in
    email_fuzz | email_file_fuzz | mbox_fuzz) echo "$here/fuzz/email.dict" ;;
    header_values_fuzz) echo "$here/fuzz/header_values.dict" ;;
    shared_methods_fuzz) echo "$here/fuzz/shared_methods.dict" ;;
    tnef_fuzz) echo "$here/fuzz/tnef.dict" ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

if [ $# -gt 2 ]; then
  targets=("${@:3}")
else
  mapfile -t targets <"$build_dir/fuzz/targets.txt"
fi

failed=()
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  seeds="$here/fuzz/corpus/$target"
  corpus="$work/$target"
  log="$work/logs/$target.log"
  mkdir -p "$corpus"
  # The emulator keeps released handles for a while to name late releases,
  # so every input would look like a leak to libFuzzer's per-input check and
  # make it scan the heap each time; leaks of host references are checked per
  # input by the target itself, and memory leaks by LeakSanitizer at exit.
  "$build_dir/fuzz/$target" "$corpus" "$seeds" -detect_leaks=0 -dict="$(dictionary "$target")" \
    -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=20 \
    -rss_limit_mb=3072 -print_final_stats=1 -artifact_prefix="$work/artifacts/$target-" \
    >"$log" 2>&1
  status=$?
  runs=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n1)
  if [ "$status" -ne 0 ]; then
    echo "fuzz: $target FAILED after ${runs:-?} inputs (log: $log)"
    grep -m1 -E 'ERROR|SUMMARY|runtime error|host references' "$log" || true
    failed+=("$target")
  else
    echo "fuzz: $target ran ${seconds}s, ${runs:-?} inputs, ${coverage:-cov: ?}, no findings"
  fi
done

[ ${#failed[@]} -eq 0 ] || { echo "fuzz: findings in ${failed[*]}" >&2; exit 1; }
