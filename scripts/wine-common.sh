# What the Wine scripts (wine-tests.sh, wine-bench.sh) share; sourced, not run.
# Outside Xvfb: wine_prepare TARGET (builds it for x86_64 Windows, in $ZQ_WINE_BUILD when
# set, and finds or builds the reference service $ZQSERVICE); wine_enter_xvfb SCRIPT.
# Inside: wine_make_prefix ($WINEPREFIX, $WINE); start_service DIR / stop_service (on the
# client's built-in hosts 127.0.0.1:8701 and :8702, database and Download/ in DIR).
source "$root/scripts/ensure-packages.sh"

wine_prepare() {
  local target=$1
  ensure_packages wine wine64 xvfb xauth
  echo "=== build: x86_64 Windows ($target)"
  if [ -n "${ZQ_WINE_BUILD:-}" ]; then
    cmake -S "$root" -B "$ZQ_WINE_BUILD" -DCMAKE_BUILD_TYPE=Release -DZQ_RELEASE=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null &&
      cmake --build "$ZQ_WINE_BUILD" -j2 --target "$target" -- --no-print-directory -s
  else
    cmake --preset windows-x86_64 >/dev/null &&
      cmake --build --preset windows-x86_64 --target "$target" -- --no-print-directory -s
  fi || return 1
  if [ -z "${ZQSERVICE:-}" ]; then
    local candidate
    for candidate in "$root/build/linux/service/zqservice" "$root/build/linux-asan/service/zqservice"; do
      if [ -x "$candidate" ]; then ZQSERVICE=$candidate; break; fi
    done
  fi
  if [ -z "${ZQSERVICE:-}" ]; then
    cmake --preset linux >/dev/null &&
      cmake --build --preset linux --target zqservice -- --no-print-directory -s || return 1
    ZQSERVICE=$root/build/linux/service/zqservice
  fi
  export ZQSERVICE
}

wine_enter_xvfb() {
  local script=$1
  # With ZQ_PRIVATE_NET=1 (and root), the run gets a network of its own, so that two runs
  # on one machine do not share the service's fixed ports. It needs a default route:
  # without one Wine's InternetGetConnectedState says "offline".
  if [ "${ZQ_PRIVATE_NET:-}" = 1 ]; then
    exec unshare -n bash -c 'ip link set lo up && ip addr add 10.254.0.1/24 dev lo &&
      ip route add default via 10.254.0.1 dev lo &&
      exec xvfb-run -a "$0" --inside-xvfb' "$script"
  fi
  exec xvfb-run -a "$script" --inside-xvfb
}

wine_make_prefix() {
  WINE=${WINE:-$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine)}
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/zq-wineprefix.XXXXXX)
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
  echo "=== wine prefix: $WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1
  timeout 60 wineserver -w
}

service_pid=
start_service() {
  local dir=$1
  mkdir -p "$dir/Download"
  # Downloads are signed with the repository's test key, which the test builds trust.
  "$ZQSERVICE" --log --db "$dir/zq.db" --download "$dir/Download" \
    --signing-key "$root/tests/keys/test-update-signing-key.pem" > "$dir/log" 2>&1 &
  service_pid=$!
  for _ in $(seq 100); do
    if (exec 3<>/dev/tcp/127.0.0.1/8701) 2>/dev/null; then return 0; fi
    sleep 0.1
  done
  echo "the reference service did not start:"
  cat "$dir/log"
  return 1
}

stop_service() {
  if [ -n "$service_pid" ]; then kill "$service_pid" 2>/dev/null; wait "$service_pid" 2>/dev/null; fi
  service_pid=
}
