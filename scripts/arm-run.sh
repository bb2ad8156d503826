#!/usr/bin/env bash
# Runs a Linux ARM 32-bit (armhf) program on this machine under qemu-user,
# with the armhf C library of Debian's cross toolchain as its system root:
#   scripts/arm-run.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

export QEMU_LD_PREFIX=${QEMU_LD_PREFIX:-/usr/arm-linux-gnueabihf}
qemu=$(command -v qemu-arm || command -v qemu-arm-static) ||
  { echo "arm-run: qemu-arm is missing (Debian package qemu-user)" >&2; exit 127; }
exec "$qemu" "$@"
