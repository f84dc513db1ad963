#!/usr/bin/env bash
# The page tests: starts the reference service on free local ports with a fresh database,
# runs tests/pages in headless Chromium against it, stops the service, and ends with the
# line "N passed, M failed". Needs: apt-get install chromium nodejs npm, and the npm
# packages of tests/pages (installed here from its lock file when missing).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

service=${ZQSERVICE:-$root/build/linux/service/zqservice}
if [ ! -x "$service" ]; then
  echo "=== building zqservice"
  cmake --preset linux >/dev/null && cmake --build --preset linux --target zqservice -- --no-print-directory -s || exit 1
fi
chromium=${ZQ_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ]; then
  echo "page tests need Chromium at $chromium (apt-get install chromium)"; echo "0 passed, 1 failed"; exit 1
fi
if [ ! -d tests/pages/node_modules/playwright-core ]; then
  (cd tests/pages && npm ci --no-audit --no-fund) || { echo "0 passed, 1 failed"; exit 1; }
fi

work=$(mktemp -d)
"$service" --app-port 0 --web-port 0 --db "$work/zq.db" --download "$work/Download" >"$work/service.log" 2>&1 &
pid=$!
stop() {
  if kill -0 "$pid" 2>/dev/null; then kill -TERM "$pid"; wait "$pid"; fi
}
trap 'stop; rm -rf "$work"' EXIT

for _ in $(seq 100); do
  grep -q '^Public web host: ' "$work/service.log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
ZQ_APP_URL=$(sed -n 's/^Application host: //p' "$work/service.log")
ZQ_WEB_URL=$(sed -n 's/^Public web host: //p' "$work/service.log")
if [ -z "$ZQ_APP_URL" ] || [ -z "$ZQ_WEB_URL" ]; then
  cat "$work/service.log"; echo "0 passed, 1 failed"; exit 1
fi
echo "=== page tests against $ZQ_APP_URL and $ZQ_WEB_URL"
export ZQ_APP_URL ZQ_WEB_URL ZQ_CHROMIUM="$chromium"

# The whole run takes about half a minute; a page that never settles fails it after 15.
(cd tests/pages && timeout -k 10 900 node --test --test-concurrency=1 --test-reporter=tap) |
  tee "$work/tap.txt"
passed=$(sed -n 's/^# pass \([0-9]*\)$/\1/p' "$work/tap.txt" | tail -1)
failed=$(sed -n 's/^# fail \([0-9]*\)$/\1/p' "$work/tap.txt" | tail -1)
passed=${passed:-0}
failed=${failed:-1}

stop
if ! grep -q '^zqservice: stopped' "$work/service.log"; then
  echo "the service did not stop cleanly:"; cat "$work/service.log"; failed=$((failed + 1))
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
