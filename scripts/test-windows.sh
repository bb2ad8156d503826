#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the GoogleTest suite in one
# process (less the tests of tests/windows_excluded_tests.txt, each excluded
# for the reason given there), then the comparison of mimedump.exe with the
# Linux mimedump. Ends with the line "Windows: N passed, N failed".
#   scripts/test-windows.sh WINDOWS_BUILD_DIR LINUX_BUILD_DIR
set -uo pipefail

windows_build=$(realpath "$1")
linux_build=$(realpath "$2")
here=$(cd "$(dirname "$0")/.." && pwd)

excluded=$(sed -e 's/#.*//' -e 's/[[:space:]].*//' "$here/tests/windows_excluded_tests.txt" |
           grep -v '^$' | paste -sd: -)
results="$windows_build/windows-tests.xml"
rm -f "$results"

# GoogleTest takes a path without a drive letter as relative, so the report
# is named from inside the build tree.
(cd "$windows_build" &&
  "$here/scripts/wine-run.sh" "$windows_build/zqvmime_tests.exe" --gtest_brief=1 \
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

compare_log="$windows_build/mimedump-compare.log"
"$here/tests/windows_mimedump_compare.sh" "$linux_build/mimedump" "$windows_build/mimedump.exe" |
  tee "$compare_log" | grep -v '^ok '
compare_passed=$(grep -c '^ok ' "$compare_log")
compare_failed=$(grep -c '^FAILED ' "$compare_log")

passed=$((suite_passed + compare_passed))
failed=$((suite_failed + compare_failed))
echo "Windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
