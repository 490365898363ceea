#!/usr/bin/env bash
# Load benchmark of pimra-server on loopback (not a test; prints a table of figures per setup).
# Each setup is measured beside nginx serving a static file of a "gettable" reply's size on the
# same machine, the anchor, measured afresh right before it:
#   - nginx static requests/s (wrk, a fresh connection per request as the client makes them)
#   - "gettable" and "nextrecord" requests/s (wrk, the same way)
#   - durable moves/s: players at many tables moving as fast as the server answers
#   - poll p99 with 16 players moving against the same polls alone
#   - on the game socket (pimra-socket-load): push latency from a move's acknowledgement to the
#     opponent's event with --watchers connected; durable moves/s over sockets against the same
#     over fresh HTTP connections; the server's CPU and RSS holding --idle idle sockets against
#     as many clients polling every 2 s. A server without /engine/ws gives the polls alone.
# Ratios are to the anchor, so that runs on a busy machine stay comparable; compare setups by
# their ratios, and rerun a reference server (--baseline) in the same run when comparing builds.
#
# Usage: bench/server-load/run.sh [OPTION]...
#   --server PATH      pimra-server to run (default build/server/src/server/pimra-server)
#   --load PATH        the load program (default beside the server: bench/pimra-server-load)
#   --setups LIST      comma-separated, measured in this order (default sqlite):
#                        sqlite        a new SQLite file on disk, one instance
#                        sqlite-1cpu   the same with the server on CPU 0 only
#                        postgres-1    a throw-away PostgreSQL 15 cluster, one instance
#                        postgres-2    the same with two instances, each table's two
#                                      players on different ones
#                        db            --db as given, --instances of them
#                      "all" stands for sqlite,sqlite-1cpu,postgres-1,postgres-2.
#   --baseline PATH    also measure this pimra-server on SQLite before the setups (2 cores, and
#                      on 1 CPU when sqlite-1cpu is among them), beside anchors of their own
#   --db DB            the server's --db for the setup "db"
#   --instances N      servers on --db for the setup "db" (default 1)
#   --seconds S        length of each phase (default 10)
#   --tables N         tables moving at once in the moves phase (default 64)
#   --pollers N        polling clients, each every --poll-ms (default 64 every 20 ms)
#   --many-pollers N   also N clients polling every 2 s with wrk, p99 (default 0: skipped)
#   --watchers LIST    connected watchers of the push phases (default 1000,10000)
#   --idle N           idle sockets, then polling clients, for CPU and RSS (default 10000;
#                      0 skips)
#   --socket-load PATH the socket load program (default beside --load: pimra-socket-load)
#   --label TEXT       heading of the setup "db"
#
# The PostgreSQL cluster runs with fsync and synchronous_commit on, as in production, in a
# temporary folder, on a free port; as root its server runs as `nobody`. On two cores the
# database, every server, nginx and the load clients share the same CPUs: a second instance
# adds processes, not cores, so it shows that moves from two processes on one database stay
# correct and fast, not what a second machine would add.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/../.."
server="$root/build/server/src/server/pimra-server"
load=""
setups="sqlite"
baseline=""
db=""
instances=1
seconds=10
tables=64
pollers=64
poll_ms=20
many_pollers=0
watchers="1000,10000"
idle=10000
socket_load=""
label=""
pg_bin="${PIMRA_PG_BIN:-/usr/lib/postgresql/15/bin}"
while [ $# -gt 0 ]; do
    case "$1" in
        --server) server="$2" ;;
        --load) load="$2" ;;
        --setups) setups="$2" ;;
        --baseline) baseline="$2" ;;
        --db) db="$2"; [ "$setups" = sqlite ] && setups=db ;;
        --instances) instances="$2" ;;
        --seconds) seconds="$2" ;;
        --tables) tables="$2" ;;
        --pollers) pollers="$2" ;;
        --poll-ms) poll_ms="$2" ;;
        --many-pollers) many_pollers="$2" ;;
        --watchers) watchers="$2" ;;
        --idle) idle="$2" ;;
        --socket-load) socket_load="$2" ;;
        --label) label="$2" ;;
        *) echo "unknown option $1 (see the head of $0)"; exit 2 ;;
    esac
    shift 2
done
[ "$setups" = all ] && setups="sqlite,sqlite-1cpu,postgres-1,postgres-2"
[ -n "$load" ] || load="$(dirname "$server")/../../bench/pimra-server-load"
[ -n "$socket_load" ] || socket_load="$(dirname "$load")/pimra-socket-load"
export PATH="$PATH:/usr/sbin:/sbin"
for tool in wrk nginx curl python3 md5sum; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-test-deps.sh)"; exit 1; }
done
[ -x "$server" ] || { echo "no server at $server; build it first"; exit 1; }
[ -z "$baseline" ] || [ -x "$baseline" ] || { echo "no server at $baseline"; exit 1; }
[ -x "$load" ] || { echo "no load program at $load; build the target pimra-server-load"; exit 1; }
[ -x "$socket_load" ] ||
    { echo "no load program at $socket_load; build the target pimra-socket-load"; exit 1; }
case ",$setups," in *,postgres-*)
    [ -x "$pg_bin/initdb" ] || { echo "needs PostgreSQL 15 in $pg_bin (scripts/install-test-deps.sh)"; exit 1; } ;;
esac
ulimit -n "$(ulimit -Hn)"

work="$(mktemp -d "${TMPDIR:-/var/tmp}/pimra-load.XXXXXX")"
chmod 755 "$work"  # nginx workers and the database read here as other users
server_pids=()
nginx_pid=""
as_db_user() {
    if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else "$@"; fi
}
stop_servers() {
    for pid in "${server_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    server_pids=()
}
cleanup() {
    stop_servers
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    [ -f "$work/pg/data/postmaster.pid" ] &&
        as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
wait_for() { for _ in $(seq 100); do curl -sf "$1" >/dev/null && return 0; sleep 0.1; done; return 1; }

# nginx with the static file; its size is set per setup to that setup's gettable reply.
nginx_port="$(free_port)"
mkdir -p "$work/nginx/html" "$work/nginx/logs"
echo x > "$work/nginx/html/state.json"
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

pg_port=""
databases=0
# A new database on the throw-away cluster, started on first use, in made_db.
new_postgres_db() {
    if [ -z "$pg_port" ]; then
        mkdir -p "$work/pg"
        [ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$work/pg"
        as_db_user "$pg_bin/initdb" -D "$work/pg/data" -U pimra --auth=trust -E UTF8 --no-locale \
            >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log" >&2; exit 1; }
        pg_port="$(free_port)"
        as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -w \
            -o "-k $work/pg -p $pg_port -c listen_addresses=127.0.0.1 -c max_connections=200" \
            start >/dev/null
    fi
    databases=$((databases + 1))
    "$pg_bin/createdb" -h "$work/pg" -p "$pg_port" -U pimra "pimra$databases"
    made_db="postgresql://pimra@127.0.0.1:$pg_port/pimra$databases"
}

start_servers() {  # BINARY DB COUNT CPUS
    ports=()
    for i in $(seq "$3"); do
        local port
        port="$(free_port)"
        # Every client comes from loopback: the limit per address would refuse them.
        # Ten thousand sockets and their clients' polls, all from loopback; the load's players
        # ask as fast as they are answered, past a person's pace.
        local socket_limits=()
        if "$1" --help 2>&1 | grep -q -- --max-sockets-per-address; then
            socket_limits=(--max-sockets-per-address 100000
                           --socket-requests-per-second 1000000)
        fi
        ${4:+taskset -c "$4"} "$1" --bind 127.0.0.1 --port "$port" --db "$2" --trust-proxy \
            --max-connections-per-address 100000 --max-connections 30000 \
            "${socket_limits[@]}" 2>>"$work/server$i.log" &
        server_pids+=($!)
        ports+=("$port")
        wait_for "http://127.0.0.1:$port/info.html" || { cat "$work/server$i.log"; exit 1; }
    done
}

engine() { curl -sf -d "$1" "$base/engine/"; }
field() { sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p"; }
register() {
    local cookie
    cookie="$(curl -sf -D - -o /dev/null "$base/ru/reg" | tr -d '\r' | sed -n 's/^[Ss]et-[Cc]ookie: pimra_csrf=\([^;]*\).*/\1/p')"
    curl -sf -H "Cookie: pimra_csrf=$cookie" -H "X-Real-IP: 10.66.0.$2" \
        --data-urlencode "csrf=$cookie" -d "login=$1&password=bench&repeat=bench" \
        "$base/ru/reg" >/dev/null
}
digest="$(printf 'bench' | md5sum | cut -c1-32)"
auth() { echo "sid=$(echo "$1" | field sid)&code=$(echo "$1" | field code)&"; }
# A game with two moves, so that both reads return real data; sets gettable and nextrecord.
prepare_game() {
    local tag="$RANDOM" north south table
    register "north$tag" 1
    register "south$tag" 2
    north="$(engine "action=login&login=north$tag&pass=$digest&")"
    south="$(engine "action=login&login=south$tag&pass=$digest&")"
    table="$(engine "action=newtable&gameid=1&$(auth "$north")timelimit=7200&bonus=0&" | field ind)"
    engine "action=regtable&tableid=$table&$(auth "$south")" >/dev/null
    engine "action=ready&$(auth "$north")tableid=$table&" >/dev/null
    engine "action=ready&$(auth "$south")tableid=$table&" >/dev/null
    engine "action=move&$(auth "$north")tableid=$table&move=3&" >/dev/null
    engine "action=move&$(auth "$south")tableid=$table&move=9&" >/dev/null
    gettable="action=gettable&appid=pimra&tableid=$table&"
    nextrecord="action=nextrecord&appid=pimra&ind=1&side=0&tableid=$table&"
}

rate() { awk '/Requests\/sec/ {print $2}'; }
wrk_rate() { wrk -t2 -c64 -d"${seconds}s" "$@" | tee -a "$work/wrk.txt" | rate; }

measure() {  # LABEL BINARY DB INSTANCES CPUS
    local label="$1" static get_rate next_rate reply
    start_servers "$2" "$3" "$4" "$5"
    base="http://127.0.0.1:${ports[0]}"
    prepare_game
    reply="$(engine "$gettable")"
    head -c "${#reply}" /dev/zero | tr '\0' 'x' > "$work/nginx/html/state.json"
    static="$(wrk_rate -s "$here/static.lua" "http://127.0.0.1:$nginx_port/state.json")"
    get_rate="$(BODY="$gettable" wrk_rate -s "$here/post.lua" "$base/engine/")"
    next_rate="$(BODY="$nextrecord" wrk_rate -s "$here/post.lua" "$base/engine/")"
    local servers=()
    for port in "${ports[@]}"; do servers+=(--server "127.0.0.1:$port"); done
    "$load" "${servers[@]}" --tables "$tables" --pollers "$pollers" --poll-ms "$poll_ms" \
        --seconds "$seconds" --anchor-rps "$static" --static "127.0.0.1:$nginx_port" \
        --label "$label" > "$work/load.txt"
    echo
    head -n 3 "$work/load.txt" | tail -n 2
    awk -v s="$static" -v g="$get_rate" -v n="$next_rate" 'BEGIN {
        printf "%-44s %12.0f %10.2f\n", "gettable req/s (wrk)", g, g / s
        printf "%-44s %12.0f %10.2f\n", "nextrecord req/s (wrk)", n, n / s }'
    tail -n +4 "$work/load.txt"
    [ "$many_pollers" -gt 0 ] && many_polls
    socket_figures "$label" "$static"
    stop_servers
}

# Whether the server upgrades /engine/ws: older builds (a --baseline) have no socket.
has_socket() {
    local code
    code="$(curl -s -o /dev/null -w '%{http_code}' --max-time 2 -H 'Connection: Upgrade' \
        -H 'Upgrade: websocket' -H 'Sec-WebSocket-Version: 13' \
        -H 'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==' "$base/engine/ws" || true)"
    [ "$code" = 101 ]
}

socket_figures() {  # LABEL STATIC_RPS
    local args=() http_moves
    http_moves="$(awk '/^durable moves\/s/ {print $(NF-1)}' "$work/load.txt")"
    for port in "${ports[@]}"; do args+=(--server "127.0.0.1:$port"); done
    for pid in "${server_pids[@]}"; do args+=(--server-pid "$pid"); done
    has_socket || { echo "(no game socket on this server: the polls alone)"; args+=(--no-socket 1); }
    "$socket_load" "${args[@]}" --watchers "$watchers" --idle "$idle" --tables "$tables" \
        --seconds "$seconds" --anchor-rps "$2" --http-moves-rps "${http_moves:-0}" --label "$1" ||
        echo "(the socket load failed; see above)"
}

many_polls() {
    echo "== $many_pollers clients polling every 2 s (gettable / nextrecord), $((seconds * 2))s"
    local queue out
    queue="$(sysctl -n net.core.somaxconn)"
    if [ "$queue" -lt "$many_pollers" ]; then
        echo "(net.core.somaxconn is $queue, below $many_pollers: waiting wrk connections may" \
             "overflow; raise it and restart for a clean figure)"
    fi
    out="$(GETTABLE="$gettable" NEXTRECORD="$nextrecord" \
           wrk -t2 -c"$many_pollers" -d"$((seconds * 2))s" --timeout 10s --latency \
           -s "$here/poll.lua" "$base/engine/")"
    echo "$out" | grep -E 'Latency|50%|90%|99%|Requests/sec|Socket errors|Non-2xx|requests in'
    return 0
}

# A new SQLite file in made_db.
new_sqlite_db() { databases=$((databases + 1)); made_db="$work/sqlite$databases.db"; }
if [ -n "$baseline" ]; then
    new_sqlite_db
    measure "baseline $(basename "$baseline"), SQLite, 2 cores" "$baseline" "$made_db" 1 ""
    case ",$setups," in *,sqlite-1cpu,*)
        new_sqlite_db
        measure "baseline $(basename "$baseline"), SQLite, 1 core" "$baseline" "$made_db" 1 0 ;;
    esac
fi
IFS=, read -ra chosen <<<"$setups"
for setup in "${chosen[@]}"; do
    case "$setup" in
        sqlite) new_sqlite_db; measure "SQLite, 2 cores" "$server" "$made_db" 1 "" ;;
        sqlite-1cpu) new_sqlite_db; measure "SQLite, server on 1 core" "$server" "$made_db" 1 0 ;;
        postgres-1) new_postgres_db; measure "PostgreSQL 15, 1 instance" "$server" "$made_db" 1 "" ;;
        postgres-2) new_postgres_db; measure "PostgreSQL 15, 2 instances" "$server" "$made_db" 2 "" ;;
        db)
            [ -n "$db" ] || { echo "the setup db needs --db"; exit 2; }
            measure "${label:-pimra-server --db ${db%%\?*}, $instances instance(s)}" \
                "$server" "$db" "$instances" "" ;;
        *) echo "unknown setup $setup (see the head of $0)"; exit 2 ;;
    esac
done
