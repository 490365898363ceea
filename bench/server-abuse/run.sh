#!/usr/bin/env bash
# Abuse benchmark of pimra-server on loopback (not a test; prints figures). Each figure is also
# taken from nginx serving a static file of the gettable reply's size, the anchor, where the
# same attack applies to it:
#  1. the slowest legitimate request while 200 connections trickle one header byte every 2 s
#     and 1,000 more sit idle (target under 1 s);
#  2. the server's memory growth during floods of 100 MB chunked bodies, 100 MB bodies without
#     a length, 100,000 header lines, and 5,000 connections held open (target under 64 MB);
#  3. gettable p99 while 50 login attempts per second are made (target under 50 ms);
#  4. reply time of a login of an unknown user over that of a wrong password (target 0.5-2);
#  5. gettable requests/s on fresh connections over nginx's static requests/s;
#  6. a list flood (500 tables, LISTERS=120 connections listing back to back, 50 to an address
#     and then each from an address of its own): the p99 of a
#     mover's moves and the clock charged per move, with and without it (target: the flood
#     slows moves by no more than 2x).
#  7. through the nginx front of deploy/nginx (plain http), the share of other clients'
#     requests served while one client holds 64 slow requests and floods on 16 connections:
#     the shipped limits with --trust-proxy, and as before (64 connections per client at the
#     front, the server counting the front's connections as one address).
# Attack connections come from many loopback addresses, as from many hosts.
# Usage: bench/server-abuse/run.sh [PATH_TO_RELEASE_PIMRA_SERVER]
#        (SECONDS_PER_RUN=15 per measurement, FLOOD_CONNECTIONS=64 parallel flooders,
#         ONLY=N to run measurement N alone)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
server="${1:-$root/build/release/src/server/pimra-server}"
seconds="${SECONDS_PER_RUN:-15}"
flooders="${FLOOD_CONNECTIONS:-64}"
listers="${LISTERS:-120}"
only="${ONLY:-}"
want() { [ -z "$only" ] || [ "$only" = "$1" ]; }
for tool in wrk nginx curl md5sum c++ sqlite3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-test-deps.sh)"; exit 1; }
done
[ -x "$server" ] || { echo "no server at $server; build it first (Release)"; exit 1; }

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
ulimit -n "$(ulimit -Hn)"

probe="$work/abuse_probe"
c++ -std=c++20 -O2 -pthread "$here/abuse_probe.cpp" -o "$probe"
front_probe="$work/front_probe"
c++ -std=c++20 -O2 -pthread "$here/front_probe.cpp" -o "$front_probe"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

port="$(free_port)"
"$server" --bind 127.0.0.1 --port "$port" --db "$work/server.db" 2>"$work/server.log" &
server_pid=$!
base="http://127.0.0.1:$port"
for _ in $(seq 100); do curl -sf "$base/info.html" >/dev/null && break; sleep 0.1; done

engine() { curl -sf -d "$1" "$base/engine/"; }
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p"; }

# Two players and a running table with two moves, as in the load benchmark.
digest="$(printf 'bench' | md5sum | cut -c1-32)"
for who in north south; do
    form="$(curl -sf -c "$work/cookies" "$base/ru/reg")"
    token="$(echo "$form" | sed -n 's/.*name="csrf" value="\([^"]*\)".*/\1/p')"
    curl -sf -b "$work/cookies" --data-urlencode "csrf=$token" \
        -d "login=$who&password=bench&repeat=bench" "$base/ru/reg" >/dev/null
done
login() { engine "action=login&login=$1&pass=$digest&"; }
north="$(login north)"; south="$(login south)"
auth() { echo "sid=$(echo "$1" | field sid)&code=$(echo "$1" | field code)&"; }
table="$(engine "action=newtable&gameid=1&$(auth "$north")timelimit=7200&bonus=0&" | field ind)"
[ -n "$table" ] || { echo "setting up the table failed: $north"; exit 1; }
engine "action=regtable&tableid=$table&$(auth "$south")" >/dev/null
engine "action=ready&$(auth "$north")tableid=$table&" >/dev/null
engine "action=ready&$(auth "$south")tableid=$table&" >/dev/null
engine "action=move&$(auth "$north")tableid=$table&move=3&" >/dev/null
engine "action=move&$(auth "$south")tableid=$table&move=9&" >/dev/null
gettable="action=gettable&appid=pimra&tableid=$table&"
reply="$(engine "$gettable")"

# Requests as the desktop client sends them, and the anchor's static GET.
client_post() {
    printf 'POST /engine/ HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n'
    printf 'Connection: keep-alive\r\nHost: 127.0.0.1\r\nContent-Length: %d\r\n\r\n%s' "${#1}" "$1"
}
client_post "$gettable" > "$work/gettable.http"
client_post "action=login&login=north&pass=$(printf 'wrong' | md5sum | cut -c1-32)&" \
    > "$work/wrong.http"
client_post "action=login&login=nobody&pass=$(printf 'wrong' | md5sum | cut -c1-32)&" \
    > "$work/unknown.http"

nginx_port="$(free_port)"
mkdir -p "$work/nginx/html" "$work/nginx/logs"
head -c "${#reply}" /dev/zero | tr '\0' 'x' > "$work/nginx/html/state.json"
printf 'GET /state.json HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' > "$work/static.http"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes auto;
worker_rlimit_nofile 65536;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 16384; }
http {
    access_log off;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    server {
        listen 127.0.0.1:$nginx_port backlog=16384;
        root $work/nginx/html;
        # POST to a static file is refused (405) after the body is read; the floods are about
        # what that reading costs.
    }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
for _ in $(seq 100); do
    curl -sf "http://127.0.0.1:$nginx_port/state.json" >/dev/null && break
    sleep 0.1
done
nginx_pids="$(echo $nginx_pid $(pgrep -P "$nginx_pid") | tr ' ' ',')"

value() { awk -v k="$1" '$1 == k {print $2}'; }
rows=()
row() { rows+=("$(printf '%-44s %12s %12s %8s   %s' "$1" "$2" "$3" "$4" "$5")"); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "gettable reply: ${#reply} bytes; nginx serves a file of that size; ${seconds}s per run"
echo "(a shared machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg))"

if want 1; then
echo "== 1. slow loris: 200 trickling, 1,000 idle"
pimra="$("$probe" slowloris "$port" "$work/gettable.http" "$seconds" 200 1000)"
anchor="$("$probe" slowloris "$nginx_port" "$work/static.http" "$seconds" 200 1000)"
echo "$pimra" | sed 's/^/  pimra /'; echo "$anchor" | sed 's/^/  nginx /'
p="$(echo "$pimra" | value legit_max_ms)"; a="$(echo "$anchor" | value legit_max_ms)"
row "slowest legitimate request (ms)" "$p" "$a" "$(ratio "$p" "$a")" "target < 1000, $(echo "$pimra" | value legit_failures) failed"

fi

if want 2; then
echo "== 2. memory during floods"
for kind in chunked nolength headers connections; do
    count="$flooders"; [ "$kind" = connections ] && count=5000
    pimra="$("$probe" flood "$port" "$kind" "$seconds" "$count" "$server_pid")"
    anchor="$("$probe" flood "$nginx_port" "$kind" "$seconds" "$count" "$nginx_pids")"
    echo "$pimra" | sed "s/^/  pimra $kind /"; echo "$anchor" | sed "s/^/  nginx $kind /"
    p="$(echo "$pimra" | value rss_growth_kib)"; a="$(echo "$anchor" | value rss_growth_kib)"
    row "RSS growth, $kind flood (KiB)" "$p" "$a" "$(ratio "$p" "$a")" "target < 65536"
    # Let the closed connections go before the next flood.
    sleep 2
done
echo "  server RSS after the floods: $(awk '/VmRSS/ {print $2, $3}' "/proc/$server_pid/status")"

fi

if want 3; then
echo "== 3. polls while 50 logins/s are attempted"
quiet="$("$probe" logins "$port" "$work/gettable.http" "$seconds" 0 "$work/wrong.http")"
busy="$("$probe" logins "$port" "$work/gettable.http" "$seconds" 50 "$work/wrong.http" \
        "$work/unknown.http")"
anchor="$("$probe" logins "$nginx_port" "$work/static.http" "$seconds" 0 "$work/static.http")"
echo "$quiet" | sed 's/^/  pimra quiet /'; echo "$busy" | sed 's/^/  pimra logins /'
echo "$anchor" | sed 's/^/  nginx /'
p="$(echo "$busy" | value poll_p99_ms)"; a="$(echo "$anchor" | value poll_p99_ms)"
row "gettable p99 under 50 logins/s (ms)" "$p" "$a" "$(ratio "$p" "$a")" \
    "target < 50; without logins $(echo "$quiet" | value poll_p99_ms) ms"

fi

if want 4; then
echo "== 4. unknown login against wrong password"
timed="$("$probe" timing "$port" 40 "$work/unknown.http" "$work/wrong.http")"
echo "$timed" | sed 's/^/  /'
u="$(echo "$timed" | value unknown_p50_ms)"; w="$(echo "$timed" | value wrong_p50_ms)"
row "unknown / wrong password, median time" "$(ratio "$u" "$w")" "-" "-" \
    "target 0.5-2 ($u ms / $w ms)"

fi

if want 5; then
echo "== 5. gettable requests/s against nginx static"
rate() { awk '/Requests\/sec/ {print $2}'; }
g="$(BODY="$gettable" wrk -t2 -c64 -d"${seconds}s" -s "$root/bench/server-load/post.lua" \
     "$base/engine/" | rate)"
s="$(wrk -t2 -c64 -d"${seconds}s" -s "$root/bench/server-load/static.lua" \
     "http://127.0.0.1:$nginx_port/state.json" | rate)"
row "requests/s, gettable vs static" "$g" "$s" "$(ratio "$g" "$s")" "no worse than the load bench's ratio"
fi

if want 6; then
echo "== 6. a mover's moves during a list flood of 500 tables, $listers connections"
# Fifty accounts with ten waiting tables each, registered ten to an address.
for i in $(seq 0 49); do
    source="127.0.2.$((i / 10 + 1))"
    form="$(curl -sf --interface "$source" -c "$work/cookies" "$base/ru/reg")"
    token="$(echo "$form" | sed -n 's/.*name="csrf" value="\([^"]*\)".*/\1/p')"
    curl -sf --interface "$source" -b "$work/cookies" --data-urlencode "csrf=$token" \
        -d "login=lister$i&password=bench&repeat=bench" "$base/ru/reg" >/dev/null
    who="$(auth "$(login "lister$i")")"
    for _ in $(seq 10); do
        engine "action=newtable&gameid=1&${who}timelimit=600&bonus=0&" >/dev/null
    done
done
client_post "action=tablelist&gameid=1&" > "$work/list.http"
echo "  tables listed: $(engine "action=tablelist&gameid=1&" | grep -o '"ind"' | wc -l)"
# The clock charged per move: the time between a game's consecutive records.
charge() {
    sqlite3 "$work/server.db" "SELECT printf('%.1f', avg(b.played_ms - a.played_ms)) FROM records a
        JOIN records b ON b.table_id = a.table_id AND b.ind = a.ind + 1
        WHERE a.table_id BETWEEN $1 AND $2"
}
flood_run() {
    local out
    out="$("$probe" listflood "$port" "$seconds" "$1" "$work/list.http" "$(auth "$north")" \
           "$(auth "$south")" "${2:-50}")"
    echo "$out" | sed "s/^/  $1 listers /" >&2
    echo "charge_ms $(charge "$(echo "$out" | value first_table)" \
                            "$(echo "$out" | value last_table)")"
    echo "$out"
}
quiet="$(flood_run 0)"
busy="$(flood_run "$listers")"
spread="$(flood_run "$listers" 1)"
echo "  without the flood: charge $(echo "$quiet" | value charge_ms) ms per move"
echo "  with the flood:    charge $(echo "$busy" | value charge_ms) ms per move," \
     "$(echo "$busy" | value lists_answered) lists answered"
q="$(echo "$quiet" | value move_p99_ms)"; b="$(echo "$busy" | value move_p99_ms)"
row "move p99, list flood vs none (ms)" "$b" "$q" "$(ratio "$b" "$q")" "target ratio <= 2"
s="$(echo "$spread" | value move_p99_ms)"
row "  the flood from $listers addresses (ms)" "$s" "$q" "$(ratio "$s" "$q")" \
    "$(echo "$spread" | value lists_answered) lists answered"
q="$(echo "$quiet" | value charge_ms)"; b="$(echo "$busy" | value charge_ms)"
row "clock charged per move, flood vs none (ms)" "$b" "$q" "$(ratio "$b" "$q")" \
    "moves $(echo "$busy" | value move_count) vs $(echo "$quiet" | value move_count)"
# What the clock charged beyond the time between the mover's own sends: the server's delays.
excess() {
    awk -v c="$(echo "$1" | value charge_ms)" -v s="$(echo "$1" | value send_interval_ms)" \
        'BEGIN { printf "%.1f", c - s }'
}
row "charge beyond the mover's own time (ms)" "$(excess "$busy")" "$(excess "$quiet")" "-" \
    "sends $(echo "$busy" | value send_interval_ms) vs $(echo "$quiet" | value send_interval_ms) ms apart"
fi

if want 7; then
echo "== 7. one greedy client through the front"
# One setup: a server of its own and nginx from deploy/nginx in front of it.
front_run() {  # NAME SERVER_OPTION... -- FRONT_OPTION...
    local name="$1" server_args=() front_args=()
    shift
    while [ "$1" != -- ]; do server_args+=("$1"); shift; done
    shift
    front_args=("$@")
    local backend front
    backend="$(free_port)"; front="$(free_port)"
    "$server" --port "$backend" --db "$work/front-$name.db" "${server_args[@]}" \
        2>"$work/front-$name.log" &
    local backend_pid=$!
    for _ in $(seq 100); do grep -q "listening on" "$work/front-$name.log" && break; sleep 0.1; done
    bash "$root/deploy/nginx/start-cluster.sh" "${front_args[@]}" "127.0.0.1:$front" \
        "$work/front-$name" "127.0.0.1:$backend" >/dev/null
    for _ in $(seq 100); do curl -sf "http://127.0.0.1:$front/info.html" >/dev/null && break; sleep 0.1; done
    # The table is read from the setup's own server: a list stands in for it.
    client_post "action=tablelist&gameid=1&" > "$work/front-list.http"
    local figures
    figures="$("$front_probe" "$front" "$work/front-list.http" "$seconds" 64 16 20)"
    kill "$(cat "$work/front-$name/nginx.pid")"; kill "$backend_pid"; wait "$backend_pid" 2>/dev/null || true
    echo "$figures" | sed "s/^/  $name /"
    row "others served, greedy client ($name) (%)" "$(echo "$figures" | value others_success_pct)" \
        "-" "-" "p99 $(echo "$figures" | value others_p99_ms) ms; greedy flood $(echo "$figures" | value greedy_flood_success_pct)% served"
}
front_run shipped --trust-proxy -- 
front_run before -- --conn 64
fi

echo
printf '%-44s %12s %12s %8s   %s\n' "figure" "pimra" "nginx" "ratio" "note"
printf '%s\n' "${rows[@]}"
