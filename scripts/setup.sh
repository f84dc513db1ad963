#!/usr/bin/env bash
# Installs what building and testing the client needs on Debian 12. Safe to run again.
set -euo pipefail
packages=(build-essential cmake g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix clang libclang-rt-14-dev
          libcpp-httplib-dev libsqlite3-dev pkg-config chromium wine wine64 xvfb xauth nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
