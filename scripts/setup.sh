#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the plugin, and
# fetches mimetic's upstream source from Debian's own source package.
# Safe to run again: it only does what is still missing.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
third_party="$here/third_party"

need_packages=()
want() { dpkg -s "$1" >/dev/null 2>&1 || need_packages+=("$1"); }

for pkg in cmake g++ make ninja-build libgtest-dev libgmock-dev dpkg-dev ca-certificates python3; do
  want "$pkg"
done
for extra in "$@"; do want "$extra"; done

sources_updated=0
apt_update_once() {
  if [ "$sources_updated" = 0 ]; then
    apt-get update -qq
    sources_updated=1
  fi
}

# mimetic's source package needs a deb-src entry for the suite the machine uses.
ensure_deb_src() {
  if grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null ||
     grep -qs '^deb-src ' /etc/apt/sources.list 2>/dev/null; then
    return
  fi
  local suite
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  local uri=http://deb.debian.org/debian
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    uri=$(awk '/^URIs:/ && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  fi
  cat > /etc/apt/sources.list.d/zqvmime-src.sources <<SRC
Types: deb-src
URIs: ${uri}
Suites: ${suite}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  sources_updated=0
}

# 32-bit x86 packages (Wine's 32-bit half, the i386 C and C++ libraries that
# run the Linux x86 build) exist only once dpkg knows that architecture.
for pkg in "${need_packages[@]}"; do
  case "$pkg" in
    *:i386|wine32)
      if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        sources_updated=0
      fi ;;
  esac
done

if [ ${#need_packages[@]} -gt 0 ]; then
  apt_update_once
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need_packages[@]}" >/dev/null
fi

tarball="$third_party/mimetic_0.9.8.orig.tar.gz"
if [ ! -f "$tarball" ]; then
  ensure_deb_src
  apt_update_once
  mkdir -p "$third_party/download"
  (cd "$third_party/download" && apt-get source --download-only mimetic >/dev/null 2>&1 || true)
  dsc=$(ls "$third_party"/download/mimetic_*.dsc 2>/dev/null | head -n1 || true)
  [ -n "$dsc" ] || { echo "setup: could not download mimetic's source package" >&2; exit 1; }
  orig="$third_party/download/mimetic_0.9.8.orig.tar.gz"
  [ -f "$orig" ] || { echo "setup: mimetic_0.9.8.orig.tar.gz missing from the download" >&2; exit 1; }
  want_sum=$(awk '/^Checksums-Sha256:/ {on=1; next} on && /^ / {if ($3 == "mimetic_0.9.8.orig.tar.gz") print $1} on && !/^ / {on=0}' "$dsc")
  have_sum=$(sha256sum "$orig" | cut -d' ' -f1)
  if [ -z "$want_sum" ] || [ "$want_sum" != "$have_sum" ]; then
    echo "setup: checksum of mimetic_0.9.8.orig.tar.gz does not match $dsc" >&2
    exit 1
  fi
  mv "$orig" "$tarball"
  rm -rf "$third_party/download"
fi
