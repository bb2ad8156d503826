#!/usr/bin/env bash
# Runs a cross build's tests on this machine through the program that runs
# its executables (Wine for Windows, qemu for Linux ARM, the i386 libraries
# for Linux x86): the GoogleTest suite in one process, less the tests its
# platform's list excludes (each for the reason given there), then the
# comparison of its mimedump with the Linux x86-64 mimedump. Ends with the
# line "<Platform>: N passed, N failed".
#   scripts/test-cross.sh PLATFORM CROSS_BUILD_DIR LINUX_BUILD_DIR
# with PLATFORM one of windows, windows-x86, linux-arm64, linux-arm, linux-x86.
set -uo pipefail

platform=$1
cross_build=$(realpath "$2")
linux_build=$(realpath "$3")
here=$(cd "$(dirname "$0")/.." && pwd)

case "$platform" in
  windows)
    name=Windows runner=wine-run.sh suffix=.exe excluded_list=windows_excluded_tests.txt ;;
  windows-x86)
    name="Windows 32-bit" runner=wine-run.sh suffix=.exe excluded_list=windows_excluded_tests.txt ;;
  linux-arm64)
    name="Linux arm64" runner=arm64-run.sh suffix="" excluded_list=linux_arm64_excluded_tests.txt ;;
  linux-arm)
    name="Linux ARM" runner=arm-run.sh suffix="" excluded_list=linux_arm_excluded_tests.txt ;;
  linux-x86)
    name="Linux x86" runner=x86-run.sh suffix="" excluded_list=linux_x86_excluded_tests.txt ;;
  *)
    echo "test-cross: unknown platform $platform" >&2
    exit 2 ;;
esac
runner="$here/scripts/$runner"

excluded=$(sed -e 's/#.*//' -e 's/[[:space:]].*//' "$here/tests/$excluded_list" |
           grep -v '^$' | paste -sd: -)
results="$cross_build/cross-tests.xml"
rm -f "$results"

# GoogleTest under Wine takes a path without a drive letter as relative, so
# the report is named from inside the build tree.
(cd "$cross_build" &&
  "$runner" "$cross_build/zqvmime_tests$suffix" --gtest_brief=1 \
    "--gtest_filter=-$excluded" "--gtest_output=xml:$(basename "$results")")

# Counted from the suite's own report; a suite that died before writing it
# counts as one failure.
read -r suite_passed suite_failed < <(python3 - "$results" <<'PY'
import sys, xml.etree.ElementTree as ET
try:
    cases = list(ET.parse(sys.argv[1]).getroot().iter("testcase"))
except (OSError, ET.ParseError):
    print(0, 1)
    sys.exit()
ran = [c for c in cases if c.get("result", "completed") == "completed" and c.get("status") == "run"]
failed = sum(1 for c in ran if c.find("failure") is not None)
print(len(ran) - failed, failed)
PY
)

compare_log="$cross_build/mimedump-compare.log"
"$here/tests/mimedump_compare.sh" "$linux_build/mimedump" "$runner" "$cross_build/mimedump$suffix" |
  tee "$compare_log" | grep -v '^ok '
compare_passed=$(grep -c '^ok ' "$compare_log")
compare_failed=$(grep -c '^FAILED ' "$compare_log")

passed=$((suite_passed + compare_passed))
failed=$((suite_failed + compare_failed))
echo "$name: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
