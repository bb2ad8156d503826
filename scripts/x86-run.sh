#!/usr/bin/env bash
# Runs a Linux 32-bit x86 program on this machine with the i386 C and C++
# libraries (Debian's libc6:i386 and libstdc++6:i386) in their multiarch
# place: natively when the kernel runs 32-bit programs, else under qemu-user
# (a kernel built without 32-bit support, as in some virtual machines).
#   scripts/x86-run.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

loader=/lib/ld-linux.so.2
[ -e "$loader" ] ||
  { echo "x86-run: the i386 C library is missing (Debian package libc6:i386)" >&2; exit 127; }
if "$loader" --version >/dev/null 2>&1; then
  exec "$@"
fi
qemu=$(command -v qemu-i386 || command -v qemu-i386-static) ||
  { echo "x86-run: this kernel runs no 32-bit programs and qemu-i386 is missing (Debian package qemu-user)" >&2; exit 127; }
exec "$qemu" "$@"
