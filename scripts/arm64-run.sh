#!/usr/bin/env bash
# Runs a Linux arm64 program on this machine under qemu-user, with the
# aarch64 C library of Debian's cross toolchain as its system root:
#   scripts/arm64-run.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

export QEMU_LD_PREFIX=${QEMU_LD_PREFIX:-/usr/aarch64-linux-gnu}
qemu=$(command -v qemu-aarch64 || command -v qemu-aarch64-static) ||
  { echo "arm64-run: qemu-aarch64 is missing (Debian package qemu-user)" >&2; exit 127; }
exec "$qemu" "$@"
