#!/bin/sh
# The README's commands on a bare Debian, which has no make: install it when
# it is missing, then run make with the arguments given, from the project's
# top folder. Everything else is installed by the targets themselves.
set -e
if ! command -v make >/dev/null 2>&1; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq make >/dev/null
fi
cd "$(dirname "$0")/.."
exec make "$@"
