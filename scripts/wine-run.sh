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

# A 32-bit program runs in Wine's 32-bit half (wine32), itself a 32-bit x86
# Linux program: a kernel built without 32-bit support cannot start it, and
# Wine would then fail in ways that do not name the cause.
pe_machine() {  # the machine field of a PE file's header, e.g. 014c
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}
if [ "$(pe_machine "$program")" = 014c ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "wine-run: $program is a 32-bit program, and Wine's 32-bit loader does not start" \
       "(Debian package wine32 missing, or a kernel without 32-bit x86 support)" >&2
  exit 126
fi

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
