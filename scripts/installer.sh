#!/usr/bin/env bash
# Builds the Windows installer ZephquillSetup.exe (NSIS) from the 32-bit client and tests a
# round trip under Wine: silent install, the automation server made from a second process
# through the installed registration, the client starting from the installed folder, silent
# uninstall with no registration left (settings kept, then removed with /KEEPCONFIG=0).
# Ends with "N passed, M failed".
#
# wine64 runs 64-bit programs only, so the round trip uses the same script built as a 64-bit
# installer around the 64-bit client (windows-x86_64); the 32-bit product installer is built
# and checked for its format. Build directories: ZQ_I686_BUILD and ZQ_X64_BUILD (default the
# presets' build/windows-i686 and build/windows-x86_64); output in ZQ_INSTALLER_OUT
# (default build/installer).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source "$root/scripts/ensure-packages.sh"
i686=${ZQ_I686_BUILD:-$root/build/windows-i686}
x64=${ZQ_X64_BUILD:-$root/build/windows-x86_64}
out=${ZQ_INSTALLER_OUT:-$root/build/installer}
export ZQ_I686_BUILD=$i686 ZQ_X64_BUILD=$x64 ZQ_INSTALLER_OUT=$out

# Configures (when needed) and builds the client in a build directory.
build_client() {
  local dir=$1 toolchain=$2
  [ -f "$dir/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZQ_RELEASE=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain.cmake" >/dev/null || return 1
  cmake --build "$dir" -j2 --target ZephquillClient "${@:3}" -- --no-print-directory -s >/dev/null
}

if [ "${1:-}" != "--inside-xvfb" ]; then
  ensure_packages nsis wine wine64 xvfb xauth
  echo "=== build: the client for windows-i686 and windows-x86_64"
  { build_client "$i686" mingw-i686 && build_client "$x64" mingw-x86_64 zqe2e; } ||
    { echo "0 passed, 1 failed"; exit 1; }
  mkdir -p "$out"
  echo "=== makensis"
  makensis -V2 -DCLIENT_EXE="$i686/ZephquillClient.exe" -DOUTFILE="$out/ZephquillSetup.exe" \
    installer/ZephquillSetup.nsi &&
    makensis -V2 -DTARGET_AMD64 -DCLIENT_EXE="$x64/ZephquillClient.exe" \
      -DOUTFILE="$out/ZephquillSetup-x64.exe" installer/ZephquillSetup.nsi ||
    { echo "0 passed, 1 failed"; exit 1; }
  exec xvfb-run -a "$0" --inside-xvfb
fi

WINE=${WINE:-$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine)}
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/zq-installer-prefix.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$WINEPREFIX"' EXIT
echo "=== wine prefix: $WINEPREFIX"
timeout 300 wineboot -i >/dev/null 2>&1
timeout 60 wineserver -w

passed=0
failed=0
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS $what"
  else
    failed=$((failed + 1))
    echo "FAIL $what"
  fi
}

# Runs a Windows program to its end (and everything it started), with a time-out.
run() {
  local limit=$1
  shift
  timeout "$limit" "$WINE" "$@" >/dev/null 2>&1
  local rc=$?
  timeout 60 wineserver -w
  return $rc
}

reg_has() { run 30 reg query "$@"; }
reg_lacks() { ! reg_has "$@"; }
# The PE header's machine field: 014c for i386, 8664 for x86-64.
machine_of() {
  local pe
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

check "the product installer is a 32-bit program" [ "$(machine_of "$out/ZephquillSetup.exe")" = 014c ]
check "the product installer holds the 32-bit client" \
  [ "$(machine_of "$i686/ZephquillClient.exe")" = 014c ]

local_app=$(timeout 30 "$WINE" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
timeout 60 wineserver -w
dir=$(timeout 30 winepath -u "$local_app\\Zephquill" 2>/dev/null)
win_dir="$local_app\\Zephquill"
menu=$(timeout 30 winepath -u "$(timeout 30 "$WINE" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Zephquill" 2>/dev/null)
timeout 60 wineserver -w
echo "=== installing into $win_dir"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zephquill'
progid='HKCR\ZephquillClient.ClientTray\CLSID'
clsid='CLSID\{6F1C2B9E-4D3A-4E8B-9C51-2A7E0D4B8F13}'
typelib='TypeLib\{8E4D2C1B-6A5F-4B3E-8D7C-9A0B1C2D3E4F}'
# The registration's two places: the user's classes (a plain user) and the machine's (an
# elevated run; Wine runs every program elevated, and its HKCR is the machine's classes).
scopes=('HKCU\Software\Classes' 'HKLM\Software\Classes')

install() { run 180 "$out/ZephquillSetup-x64.exe" /S; }
check "silent install ends with 0" install
check "the program and its uninstaller are in the local application folder" \
  [ -f "$dir/ZephquillClient.exe" -a -f "$dir/Uninstall.exe" ]
check "the Start menu entry exists" [ -f "$menu/Zephquill.lnk" ]
check "the uninstaller is listed for the user" reg_has "$uninstall_key" /v UninstallString
check "the automation server is registered" reg_has "$progid"
server_quoted() {
  local scope
  for scope in "${scopes[@]}"; do
    timeout 30 "$WINE" reg query "$scope\\$clsid\\LocalServer32" /ve 2>/dev/null | tr -d '\r' |
      grep -q 'REG_SZ *"[^"]*"$' && { echo "=== registered in $scope"; return 0; }
  done
  return 1
}
check "the server's path is registered in quotes" server_quoted
timeout 60 wineserver -w
# A second program makes ClientTray through the registration alone: the system starts the
# installed client from the registered (quoted) path, which serves it.
cocreate() {
  # Through a file: the client that the system starts inherits the descriptors, and a pipe
  # it holds open would keep this waiting.
  local out="$WINEPREFIX/cocreate.txt"
  timeout 90 "$WINE" "$x64/tests/wine/zqe2e.exe" cocreate >"$out" 2>&1 </dev/null
  local rc=$?
  tr -d '\r' <"$out" | grep CoCreateInstance
  wineserver -k
  timeout 60 wineserver -w
  return "$rc"
}
check "another program makes the automation object from the installed server" cocreate

# The client from the installed folder: still running after a while (a failed start ends at
# once), its process is the installed program, and it writes its settings beside itself.
started() {
  timeout 120 "$WINE" "$win_dir\\ZephquillClient.exe" >/dev/null 2>&1 &
  local pid=$! i
  for i in $(seq 1 30); do
    [ -f "$dir/ZQConfig.ini" ] && break
    sleep 1
  done
  local alive=1
  kill -0 $pid 2>/dev/null || alive=0
  ps -eo args | grep -F 'Zephquill\ZephquillClient.exe' | grep -vq grep || alive=0
  # The client starts no other program: ending this prefix's processes ends only it.
  wineserver -k
  wait $pid 2>/dev/null
  timeout 60 wineserver -w
  [ $alive -eq 1 ] && [ -f "$dir/ZQConfig.ini" ]
}
check "the client starts from the installed folder" started

# The user's own settings and start-with-Windows entry, as the client leaves them.
echo "[General]" >> "$dir/ZQConfig.ini"
run 30 reg add "$run_key" /v Zephquill /d "\"$win_dir\\ZephquillClient.exe\"" /f
check "the start-with-Windows entry is set for the test" reg_has "$run_key" /v Zephquill
uninstall() { run 180 "$dir/Uninstall.exe" /S "$@"; }
check "silent uninstall ends with 0" uninstall
check "no program files are left, the settings are kept" \
  [ ! -e "$dir/ZephquillClient.exe" -a ! -e "$dir/Uninstall.exe" -a -f "$dir/ZQConfig.ini" \
    -a "$(ls -A "$dir")" = ZQConfig.ini ]
check "the Start menu entries are gone" [ ! -e "$menu" ]
check "the Run entry is gone" reg_lacks "$run_key" /v Zephquill
check "the uninstaller is no longer listed" reg_lacks "$uninstall_key"
check "the automation registration is gone" reg_lacks "$progid"
no_keys_left() {
  local scope key
  for scope in "${scopes[@]}"; do
    for key in "$clsid" "$typelib" ZephquillClient.ClientTray ZephquillClient.ClientTray.1 \
      'AppID\ZephquillClient.EXE' 'AppID\{C3A1F0D2-7B64-4E85-A9D3-1F2E3D4C5B6A}'; do
      reg_has "$scope\\$key" && { echo "left: $scope\\$key"; return 1; }
    done
  done
  return 0
}
check "no registration key is left for the user or the machine" no_keys_left

check "a second install keeps the settings" \
  eval 'install && [ -f "$dir/ZephquillClient.exe" ] && grep -q General "$dir/ZQConfig.ini"'
check "silent uninstall with /KEEPCONFIG=0 removes the folder" \
  eval 'uninstall /KEEPCONFIG=0 && [ ! -e "$dir" ]'

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
