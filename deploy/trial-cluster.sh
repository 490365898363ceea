#!/usr/bin/env bash
# A local trial of the game server as several instances on one PostgreSQL database: starts a
# throw-away PostgreSQL cluster, N pimra-server processes on it and the nginx front of
# deploy/nginx/pimra-cluster.conf over them (plain http on loopback), prints the addresses,
# and takes everything down again on Ctrl-C. Nothing is kept.
# Usage: deploy/trial-cluster.sh [-n N] [-p FRONT_PORT] [PATH_TO_PIMRA_SERVER]
#   defaults: 2 instances, front on 127.0.0.1:8080, the server of build/server or build/test
# Needs Debian's postgresql-15 and nginx (scripts/install-test-deps.sh).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
instances=2
front_port=8080
while getopts "n:p:" option; do
    case "$option" in
        n) instances="$OPTARG" ;;
        p) front_port="$OPTARG" ;;
        *) sed -n '6,8p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
server="${1:-}"
if [ -z "$server" ]; then
    for candidate in "$root/build/server/src/server/pimra-server" \
                     "$root/build/test/src/server/pimra-server"; do
        [ -x "$candidate" ] && server="$candidate" && break
    done
fi
[ -x "$server" ] || { echo "no pimra-server found; build it or name it" >&2; exit 1; }
server="$(realpath "$server")"
pg_bin="${PIMRA_PG_BIN:-/usr/lib/postgresql/15/bin}"
[ -x "$pg_bin/initdb" ] || { echo "needs PostgreSQL 15 in $pg_bin" >&2; exit 1; }
export PATH="$PATH:/usr/sbin:/sbin"
command -v nginx >/dev/null || { echo "needs nginx" >&2; exit 1; }

work="$(mktemp -d /tmp/pimra-trial-XXXXXX)"
chmod 755 "$work"
pids=()
cleanup() {
    trap - EXIT INT TERM
    [ -f "$work/nginx/nginx.pid" ] && kill "$(cat "$work/nginx/nginx.pid")" 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    [ -f "$work/pg/data/postmaster.pid" ] &&
        as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -m fast -w stop >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# initdb refuses root: as root the cluster belongs to nobody.
as_db_user() {
    if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"
    else "$@"; fi
}
free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

mkdir -p "$work/pg"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$work/pg"
as_db_user "$pg_bin/initdb" -D "$work/pg/data" -U pimra --auth=trust -E UTF8 --no-locale \
    >"$work/initdb.log" 2>&1 || { cat "$work/initdb.log"; exit 1; }
pg_port="$(free_port)"
as_db_user "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/server.log" -w \
    -o "-k $work/pg -p $pg_port -c listen_addresses=127.0.0.1 -c max_connections=200" \
    start >/dev/null || { cat "$work/pg/server.log"; exit 1; }
"$pg_bin/createdb" -h "$work/pg" -p "$pg_port" -U pimra pimra
db="postgresql://pimra@127.0.0.1:$pg_port/pimra"

upstreams=()
for i in $(seq "$instances"); do
    port="$(free_port)"
    "$server" --port "$port" --db "$db" --trust-proxy 2>"$work/server-$i.log" &
    pids+=($!)
    upstreams+=("127.0.0.1:$port")
done
for i in $(seq "$instances"); do
    for _ in $(seq 100); do
        grep -q "listening on" "$work/server-$i.log" && break
        sleep 0.1
    done
    grep -q "listening on" "$work/server-$i.log" || { cat "$work/server-$i.log"; exit 1; }
done
bash "$here/nginx/start-cluster.sh" "127.0.0.1:$front_port" "$work/nginx" "${upstreams[@]}"

echo "PostgreSQL:  $db (logs in $work)"
for i in $(seq "$instances"); do echo "instance $i: http://${upstreams[$((i - 1))]}/"; done
echo "front:       http://127.0.0.1:$front_port/  (point the client there)"
echo "Ctrl-C stops everything."
wait "${pids[@]}"
