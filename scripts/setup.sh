#!/usr/bin/env bash
# Installs what building and testing the client needs on Debian 12. Safe to run again.
set -euo pipefail
source "$(dirname "$0")/ensure-packages.sh"
ensure_packages build-essential cmake g++ googletest libgtest-dev libgmock-dev libbenchmark-dev \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix clang libclang-rt-14-dev \
  libcpp-httplib-dev libsqlite3-dev pkg-config chromium wine wine64 xvfb xauth nsis \
  libwine-dev mingw-w64-tools clang-format clang-tidy cppcheck x11-apps netpbm zlib1g-dev libssl-dev
