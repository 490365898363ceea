#!/usr/bin/env bash
# Load benchmark of pimra-server on loopback (not a test; prints a table of figures). In one run,
# with nginx serving a static file on the same machine as the anchor:
#   - nginx static requests/s (wrk, a fresh connection per request as the client makes them)
#   - "gettable" and "nextrecord" requests/s (wrk, the same way)
#   - durable moves/s: players at many tables moving as fast as the server answers
#   - poll p99 with 16 players moving against the same polls alone
# Ratios are to nginx, so that runs on a busy machine stay comparable.
#
# Usage: bench/server-load/run.sh [OPTION]...
#   --server PATH      pimra-server to run (default build/server/src/server/pimra-server)
#   --load PATH        the load program (default beside the server: bench/pimra-server-load)
#   --db DB            the server's --db: a file (default: a new one in a temporary folder on
#                      disk) or anything else the server accepts there
#   --instances N      servers started on the same --db (default 1); each table's two players
#                      talk to different ones
#   --seconds S        length of each phase (default 10)
#   --tables N         tables moving at once in the moves phase (default 64)
#   --pollers N        polling clients, each every --poll-ms (default 64 every 20 ms)
#   --many-pollers N   also N clients polling every 2 s with wrk, p99 (default 0: skipped)
#   --server-cpus L    run each server on these CPUs only (taskset -c L), e.g. 0 for one core
#   --label TEXT       heading of the table
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
server="$root/build/server/src/server/pimra-server"
load=""
db=""
instances=1
seconds=10
tables=64
pollers=64
poll_ms=20
many_pollers=0
label=""
server_cpus=""
while [ $# -gt 0 ]; do
    case "$1" in
        --server) server="$2" ;;
        --load) load="$2" ;;
        --db) db="$2" ;;
        --instances) instances="$2" ;;
        --seconds) seconds="$2" ;;
        --tables) tables="$2" ;;
        --pollers) pollers="$2" ;;
        --poll-ms) poll_ms="$2" ;;
        --many-pollers) many_pollers="$2" ;;
        --label) label="$2" ;;
        --server-cpus) server_cpus="$2" ;;
        *) echo "unknown option $1 (see the head of $0)"; exit 2 ;;
    esac
    shift 2
done
[ -n "$load" ] || load="$(dirname "$server")/../../bench/pimra-server-load"
for tool in wrk nginx curl; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-test-deps.sh)"; exit 1; }
done
[ -x "$server" ] || { echo "no server at $server; build it first"; exit 1; }
[ -x "$load" ] || { echo "no load program at $load; build the target pimra-server-load"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/var/tmp}/pimra-load.XXXXXX")"
chmod 755 "$work"  # nginx workers read the static file as another user
[ -n "$db" ] || db="$work/server.db"
[ -n "$label" ] || label="pimra-server --db ${db%%\?*}, $instances instance(s)"
server_pids=()
nginx_pid=""
cleanup() {
    for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do curl -sf "$1" >/dev/null && return 0; sleep 0.1; done; return 1; }

start_servers() {
    ports=()
    for i in $(seq "$instances"); do
        local port
        port="$(free_port)"
        # Every client comes from loopback: the limit per address would refuse them.
        ${server_cpus:+taskset -c "$server_cpus"} "$server" --bind 127.0.0.1 --port "$port" --db "$db" --trust-proxy \
            --max-connections-per-address 100000 2>>"$work/server$i.log" &
        server_pids+=($!)
        ports+=("$port")
        wait_for "http://127.0.0.1:$port/info.html" || { cat "$work/server$i.log"; exit 1; }
    done
}
start_servers
base="http://127.0.0.1:${ports[0]}"

# A game with two moves, so that both reads return real data. The reply's size is the static
# file's.
engine() { curl -sf -d "$1" "$base/engine/"; }
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p"; }
register() {
    local cookie token
    cookie="$(curl -sf -D - -o /dev/null "$base/ru/reg" | tr -d '\r' | sed -n 's/^[Ss]et-[Cc]ookie: pimra_csrf=\([^;]*\).*/\1/p')"
    token="$cookie"
    curl -sf -H "Cookie: pimra_csrf=$cookie" -H "X-Real-IP: 10.66.0.$2" \
        --data-urlencode "csrf=$token" -d "login=$1&password=bench&repeat=bench" \
        "$base/ru/reg" >/dev/null
}
digest="$(printf 'bench' | md5sum | cut -c1-32)"
tag="$RANDOM"
register "north$tag" 1
register "south$tag" 2
login() { engine "action=login&login=$1&pass=$digest&"; }
north="$(login "north$tag")"; south="$(login "south$tag")"
auth() { echo "sid=$(echo "$1" | field sid)&code=$(echo "$1" | field code)&"; }
table="$(engine "action=newtable&gameid=1&$(auth "$north")timelimit=7200&bonus=0&" | field ind)"
engine "action=regtable&tableid=$table&$(auth "$south")" >/dev/null
engine "action=ready&$(auth "$north")tableid=$table&" >/dev/null
engine "action=ready&$(auth "$south")tableid=$table&" >/dev/null
engine "action=move&$(auth "$north")tableid=$table&move=3&" >/dev/null
engine "action=move&$(auth "$south")tableid=$table&move=9&" >/dev/null
gettable="action=gettable&appid=pimra&tableid=$table&"
nextrecord="action=nextrecord&appid=pimra&ind=1&side=0&tableid=$table&"
reply="$(engine "$gettable")"

nginx_port="$(free_port)"
mkdir -p "$work/nginx/html" "$work/nginx/logs"
head -c "${#reply}" /dev/zero | tr '\0' 'x' > "$work/nginx/html/state.json"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes auto;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 8192; }
http {
    access_log off;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:$nginx_port;
        root $work/nginx/html;
    }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
wait_for "http://127.0.0.1:$nginx_port/state.json"

rate() { awk '/Requests\/sec/ {print $2}'; }
wrk_rate() {
    wrk -t2 -c64 -d"${seconds}s" "$@" | tee -a "$work/wrk.txt" | rate
}
static="$(wrk_rate -s "$here/static.lua" "http://127.0.0.1:$nginx_port/state.json")"
get_rate="$(BODY="$gettable" wrk_rate -s "$here/post.lua" "$base/engine/")"
next_rate="$(BODY="$nextrecord" wrk_rate -s "$here/post.lua" "$base/engine/")"

servers=()
for port in "${ports[@]}"; do servers+=(--server "127.0.0.1:$port"); done
"$load" "${servers[@]}" --tables "$tables" --pollers "$pollers" --poll-ms "$poll_ms" \
    --seconds "$seconds" --anchor-rps "$static" --static "127.0.0.1:$nginx_port" \
    --label "$label" > "$work/load.txt"
head -n 3 "$work/load.txt" | tail -n 2
awk -v s="$static" -v g="$get_rate" -v n="$next_rate" 'BEGIN {
    printf "%-44s %12.0f %10.2f\n", "gettable req/s (wrk)", g, g / s
    printf "%-44s %12.0f %10.2f\n", "nextrecord req/s (wrk)", n, n / s }'
tail -n +4 "$work/load.txt"

if [ "$many_pollers" -gt 0 ]; then
    echo
    echo "== $many_pollers clients polling every 2 s (gettable / nextrecord), $((seconds * 2))s"
    ulimit -n "$(ulimit -Hn)"
    queue="$(sysctl -n net.core.somaxconn)"
    if [ "$queue" -lt "$many_pollers" ]; then
        echo "(net.core.somaxconn is $queue, below $many_pollers: waiting wrk connections may" \
             "overflow; raise it and restart for a clean figure)"
    fi
    out="$(GETTABLE="$gettable" NEXTRECORD="$nextrecord" \
           wrk -t2 -c"$many_pollers" -d"$((seconds * 2))s" --timeout 10s --latency \
           -s "$here/poll.lua" "$base/engine/")"
    echo "$out" | grep -E 'Latency|50%|90%|99%|Requests/sec|Socket errors|Non-2xx|requests in'
fi
