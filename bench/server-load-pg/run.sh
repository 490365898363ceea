#!/usr/bin/env bash
# Load benchmark of pimra-server on PostgreSQL (not a test; prints figures): durable moves/s
# and the p99 of polls while players move, with one instance and with two on one database,
# side by side with nginx serving a static file as the anchor. Everything on loopback, with a
# throw-away PostgreSQL cluster (fsync on, as in production).
# Usage: bench/server-load-pg/run.sh [PATH_TO_PIMRA_SERVER]
#   DURATION=8 seconds per run, PAIRS=16 pairs of players moving, POLLERS=1000 polling clients
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
server="$(realpath "${1:-$root/build/server/src/server/pimra-server}")"
duration="${DURATION:-8}"
pairs="${PAIRS:-16}"
pollers="${POLLERS:-1000}"
pg_bin="${PIMRA_PG_BIN:-/usr/lib/postgresql/15/bin}"
export PATH="$PATH:/usr/sbin:/sbin"
for tool in wrk nginx curl md5sum python3 "$pg_bin/initdb"; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-test-deps.sh)"; exit 1; }
done
[ -x "$server" ] || { echo "no server at $server; build it first"; exit 1; }

work="$(mktemp -d /tmp/pimra-bench-pg-XXXXXX)"
chmod 755 "$work"
pids=()
as_db_user() {
    if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else "$@"; fi
}
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [ -f "$work/pg/data/postmaster.pid" ] &&
        as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
ulimit -n "$(ulimit -Hn)"

mkdir -p "$work/pg"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$work/pg"
as_db_user "$pg_bin/initdb" -D "$work/pg/data" -U pimra --auth=trust -E UTF8 --no-locale \
    >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log"; exit 1; }
pg_port="$(free_port)"
as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -w \
    -o "-k $work/pg -p $pg_port -c listen_addresses=127.0.0.1 -c max_connections=200" \
    start >/dev/null
"$pg_bin/createdb" -h "$work/pg" -p "$pg_port" -U pimra pimra
db="postgresql://pimra@127.0.0.1:$pg_port/pimra"

ports=()
for i in 1 2; do
    port="$(free_port)"
    "$server" --port "$port" --db "$db" --trust-proxy 2>"$work/server-$i.log" &
    pids+=($!)
    ports+=("$port")
    for _ in $(seq 100); do curl -sf "http://127.0.0.1:$port/info.html" >/dev/null && break; sleep 0.1; done
done
a="http://127.0.0.1:${ports[0]}"
b="http://127.0.0.1:${ports[1]}"

# Accounts, each registered from an address of its own (the server trusts X-Real-IP on
# loopback), and their sessions.
digest="$(printf 'bench' | md5sum | cut -c1-32)"
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p"; }
session() {
    local login="$1" n="$2" jar="$work/jar" token
    curl -sf -c "$jar" -H "X-Real-IP: 10.9.$((n / 250)).$((n % 250))" "$a/ru/reg" >/dev/null
    token="$(awk '/pimra_csrf/ {print $7}' "$jar")"
    curl -sf -b "$jar" -H "X-Real-IP: 10.9.$((n / 250)).$((n % 250))" \
        -d "csrf=$token&login=$login&password=bench&repeat=bench" "$a/ru/reg" >/dev/null
    local reply
    reply="$(curl -sf -d "action=login&login=$login&pass=$digest&" "$a/engine/")"
    echo "$(echo "$reply" | field sid),$(echo "$reply" | field code)"
}
accounts=""
for i in $(seq "$pairs"); do
    accounts+="$(session "n$i" $((2 * i))),$(session "s$i" $((2 * i + 1)));"
done
pair_list() { echo "$accounts" | tr ';' '\n' | sed -n "$1,$2p" | tr '\n' ';'; }

# A table with a few moves, for the polls.
first="$(echo "$accounts" | cut -d';' -f1)"
IFS=, read -r s1 c1 s2 c2 <<<"$first"
table="$(curl -sf -d "action=newtable&gameid=1&sid=$s1&code=$c1&timelimit=7200&bonus=0&" "$a/engine/" | field ind)"
curl -sf -d "action=regtable&tableid=$table&sid=$s2&code=$c2&" "$a/engine/" >/dev/null
curl -sf -d "action=ready&sid=$s1&code=$c1&tableid=$table&" "$a/engine/" >/dev/null
curl -sf -d "action=ready&sid=$s2&code=$c2&tableid=$table&" "$a/engine/" >/dev/null
curl -sf -d "action=move&sid=$s1&code=$c1&tableid=$table&move=3&" "$a/engine/" >/dev/null
gettable="action=gettable&appid=pimra&tableid=$table&"
nextrecord="action=nextrecord&appid=pimra&ind=1&side=0&tableid=$table&"
reply="$(curl -sf -d "$gettable" "$a/engine/")"

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
    server { listen 127.0.0.1:$nginx_port; root $work/nginx/html; }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
pids+=($!)
for _ in $(seq 50); do curl -sf "http://127.0.0.1:$nginx_port/state.json" >/dev/null && break; sleep 0.1; done

moves() {  # URL ACCOUNTS THREADS
    ACCOUNTS="$2" wrk -t"$3" -c"$3" -d"${duration}s" -s "$here/moves.lua" "$1/engine/" |
        awk '/^moves/ {print $6}'
}
polls() {  # URL: p99 in ms
    GETTABLE="$gettable" NEXTRECORD="$nextrecord" \
        wrk -t2 -c"$1" -d"${duration}s" --timeout 10s --latency -s "$root/bench/server-load/poll.lua" "$2/engine/" |
        awk '$1 == "99%" {v=$2; if (v ~ /us$/) {sub(/us/,"",v); v/=1000} else if (v ~ /ms$/) {sub(/ms/,"",v)} else {sub(/s/,"",v); v*=1000}; print v}'
}

static="$(wrk -t2 -c64 -d"${duration}s" -s "$root/bench/server-load/static.lua" \
    "http://127.0.0.1:$nginx_port/state.json" | awk '/Requests\/sec/ {print $2}')"
one_moves="$(moves "$a" "$accounts" "$pairs")"
poll_alone="$(polls "$pollers" "$a")"
moves "$a" "$accounts" "$pairs" >/dev/null &
mover=$!
poll_busy_one="$(polls "$pollers" "$a")"
wait "$mover"
half=$((pairs / 2))
moves "$a" "$(pair_list 1 "$half")" "$half" > "$work/ma" &
m1=$!
moves "$b" "$(pair_list $((half + 1)) "$pairs")" "$half" > "$work/mb" &
m2=$!
wait "$m1" "$m2"
two_moves="$(awk '{s += $1} END {print s}' "$work/ma" "$work/mb")"
moves "$a" "$(pair_list 1 "$half")" "$half" >/dev/null &
m1=$!
moves "$b" "$(pair_list $((half + 1)) "$pairs")" "$half" >/dev/null &
m2=$!
polls $((pollers / 2)) "$a" > "$work/pa" &
p1=$!
poll_busy_two="$(polls $((pollers / 2)) "$b")"
wait "$p1" "$m1" "$m2"
poll_busy_two="$(printf '%s\n%s\n' "$poll_busy_two" "$(cat "$work/pa")" | sort -g | tail -1)"

echo "nginx static file:                 $static req/s"
awk -v s="$static" -v m1="$one_moves" -v m2="$two_moves" -v pa="$poll_alone" \
    -v p1="$poll_busy_one" -v p2="$poll_busy_two" -v n="$pairs" -v c="$pollers" 'BEGIN {
    printf "durable moves, 1 instance:          %.0f /s  (%.3f of nginx)\n", m1, m1 / s
    printf "durable moves, 2 instances:         %.0f /s  (%.3f of nginx)\n", m2, m2 / s
    printf "poll p99, %d clients, no moves:    %.2f ms\n", c, pa
    printf "poll p99 with %d pairs moving, 1 instance:  %.2f ms  (%.1f times)\n", n, p1, p1 / pa
    printf "poll p99 with %d pairs moving, 2 instances: %.2f ms  (%.1f times)\n", n, p2, p2 / pa
}'
