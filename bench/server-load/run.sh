#!/usr/bin/env bash
# Load benchmark of pimra-server on loopback (not a test; prints figures).
#  1. The most requests per second for "gettable" and "nextrecord", each on a fresh connection,
#     side by side with nginx serving a static file of the same size as the gettable reply.
#  2. p99 latency while 5,000 clients poll every 2 s.
# Usage: bench/server-load/run.sh [PATH_TO_PIMRA_SERVER]   (DURATION=10 seconds per run)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
server="${1:-$root/build/server/src/server/pimra-server}"
duration="${DURATION:-10}"
connections="${CONNECTIONS:-64}"
pollers="${POLLERS:-5000}"
for tool in wrk nginx curl md5sum; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-test-deps.sh)"; exit 1; }
done
[ -x "$server" ] || { echo "no server at $server; build it first"; exit 1; }

work="$(mktemp -d)"
chmod 755 "$work"  # nginx workers read the static file as another user
server_pid=""
nginx_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

port="$(free_port)"
"$server" --bind 127.0.0.1 --port "$port" --db "$work/server.db" 2>"$work/server.log" &
server_pid=$!
base="http://127.0.0.1:$port"
for _ in $(seq 50); do curl -sf "$base/info.html" >/dev/null && break; sleep 0.1; done

engine() { curl -sf -d "$1" "$base/engine/"; }
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p"; }

# Two players, a table and a few moves, so that both reads return real data.
digest="$(printf 'bench' | md5sum | cut -c1-32)"
for who in north south; do
    curl -sf -d "login=$who&password=bench&repeat=bench" "$base/ru/reg" >/dev/null
done
login() { engine "action=login&login=$1&pass=$digest&"; }
north="$(login north)"; south="$(login south)"
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
echo "gettable reply (${#reply} bytes): $reply"

# nginx with a static file of the gettable reply's size.
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
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$nginx_port/state.json" >/dev/null && break; sleep 0.1; done

rate() { awk '/Requests\/sec/ {print $2}'; }
run() {
    local name="$1"; shift
    local out
    out="$(wrk -t2 -c"$connections" -d"${duration}s" --latency "$@")"
    echo "$out" > "$work/$name.txt"
    printf '%-22s %10s req/s   p99 %s   %s\n' "$name" "$(echo "$out" | rate)" \
        "$(echo "$out" | awk '$1 == "99%" {print $2}')" \
        "$(echo "$out" | grep -E 'Socket errors|Non-2xx' | tr -s ' ' | tr '\n' ' ')"
}

echo
echo "== Throughput, fresh connection per request, $connections connections, ${duration}s each"
BODY="$gettable" run "pimra gettable" -s "$here/post.lua" "$base/engine/"
BODY="$nextrecord" run "pimra nextrecord" -s "$here/post.lua" "$base/engine/"
run "nginx static ${#reply} B" -s "$here/static.lua" "http://127.0.0.1:$nginx_port/state.json"
g="$(rate < "$work/pimra gettable.txt")"; n="$(rate < "$work/pimra nextrecord.txt")"
s="$(rate < "$work/nginx static ${#reply} B.txt")"
awk -v g="$g" -v n="$n" -v s="$s" 'BEGIN {
    printf "gettable / nginx = %.2f, nextrecord / nginx = %.2f (target at least 0.50)\n", g / s, n / s }'

echo
echo "== $pollers clients polling every 2 s (gettable / nextrecord), $((duration * 2))s"
ulimit -n "$(ulimit -Hn)"
# wrk opens each connection at once and then waits out the poll delay before sending; the real
# client connects only when it sends. The server defers accepting until a request arrives, so
# the kernel must be able to hold every waiting connection: widen its queues for the run.
queue="$(sysctl -n net.core.somaxconn)"
syn="$(sysctl -n net.ipv4.tcp_max_syn_backlog)"
if [ "$queue" -lt "$pollers" ] && [ -w /proc/sys/net/core/somaxconn ]; then
    restore_queues() { sysctl -qw net.core.somaxconn="$queue" net.ipv4.tcp_max_syn_backlog="$syn"; }
    trap 'restore_queues; cleanup' EXIT
    sysctl -qw net.core.somaxconn=$((pollers * 2)) net.ipv4.tcp_max_syn_backlog=$((pollers * 2))
    # The server sized its queue when it started: restart it on the same database.
    kill "$server_pid"; wait "$server_pid" 2>/dev/null || true
    "$server" --bind 127.0.0.1 --port "$port" --db "$work/server.db" 2>>"$work/server.log" &
    server_pid=$!
    for _ in $(seq 50); do curl -sf "$base/info.html" >/dev/null && break; sleep 0.1; done
    echo "(listen queues widened from $queue to $((pollers * 2)) for this run)"
elif [ "$queue" -lt "$pollers" ]; then
    echo "(net.core.somaxconn is $queue, below $pollers: waiting wrk connections will overflow)"
fi
out="$(GETTABLE="$gettable" NEXTRECORD="$nextrecord" \
       wrk -t2 -c"$pollers" -d"$((duration * 2))s" --timeout 10s --latency \
       -s "$here/poll.lua" "$base/engine/")"
echo "$out" | grep -E 'Latency|50%|90%|99%|Requests/sec|Socket errors|Non-2xx|requests in'
p99="$(echo "$out" | awk '$1 == "99%" {print $2}')"
echo "p99 latency with $pollers polling clients: $p99 (target under 50ms)"
