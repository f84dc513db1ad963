#!/usr/bin/env bash
# Load test of the reference service on loopback: 50 concurrent connections for a fixed
# time on the panel page and on the notification feed, and on the static check page (a file
# served as it is, no database) as their reference, with wrk (apt-get install wrk).
# Prints requests per second and the 99th-percentile latency of each. Bounded: each run
# lasts LOAD_SECONDS (default 10) and the service is stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
service=${ZQSERVICE:-build/linux/service/zqservice}
seconds=${LOAD_SECONDS:-10}
connections=${LOAD_CONNECTIONS:-50}
command -v wrk >/dev/null || { echo "the load test needs wrk (apt-get install wrk)"; exit 1; }
[ -x "$service" ] || { echo "no $service: build it first (cmake --build --preset linux --target zqservice)"; exit 1; }

work=$(mktemp -d)
"$service" --app-port 0 --web-port 0 --db "$work/zq.db" >"$work/service.log" 2>&1 &
pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '^Public web host: ' "$work/service.log" && break; sleep 0.1; done
app=$(sed -n 's/^Application host: //p' "$work/service.log")
app=${app%/}
[ -n "$app" ] || { cat "$work/service.log"; exit 1; }

# The scene: a reader who visited the site, and 20 comments on it by another user, so
# that the panel page lists 20 comments and the reader's feed holds 20 notifications.
post() { curl -fsS -X POST "$app$1" --data "$2"; }
reader=$(post /Panel/api/register "name=Reader" | cut -f2)
writer=$(post /Panel/api/register "name=Writer" | cut -f2)
site="http://load.example/page?id=1"
curl -fsS -o /dev/null "$app/Panel/DefaultMinimize.aspx?TavrelZephquillID=$reader&TavrelZephquillURL=$site"
for i in $(seq 20); do
  post /Panel/api/comment "client=$writer&url=http%3A%2F%2Fload.example%2Fpage&text=Comment+number+$i+about+this+page" >/dev/null
done

run() {
  local name=$1 url=$2 out rps p50 p99 errors
  out=$(wrk -t2 -c"$connections" -d"${seconds}s" --timeout 5s --latency "$url")
  rps=$(awk '/^Requests\/sec:/ {print $2}' <<<"$out")
  p50=$(awk '$1 == "50%" {print $2}' <<<"$out")
  p99=$(awk '$1 == "99%" {print $2}' <<<"$out")
  errors=$(grep -E 'Non-2xx|Socket errors' <<<"$out" || true)
  printf '%-11s %9s req/s   p50 %8s   p99 %8s   (%d connections, %ss)%s\n' "$name" "$rps" "$p50" \
         "$p99" "$connections" "$seconds" "${errors:+   $errors}"
}
echo "zqservice load test on $app"
run "panel page" "$app/Panel/SiteComments.aspx?TavrelZephquillID=$reader&TavrelZephquillURL=$site"
run "feed" "$app/Panel/api/feed?client=$reader"
run "static page" "$app/Panel/ConnectionAliveStaticCheck.htm"
