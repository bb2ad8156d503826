#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own:
#   scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
# The prefix is WINEPREFIX when set, else wineprefix/ next to the program (a
# build tree's own). It is made on first use, which takes about half a minute.
set -euo pipefail

program=$1
shift
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX="$(cd "$(dirname "$program")" && pwd)/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Two programs started at once must not both build the prefix.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$program" "$@"
