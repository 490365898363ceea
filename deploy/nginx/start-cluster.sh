#!/usr/bin/env bash
# Starts nginx in front of several pimra-server processes that share one PostgreSQL database.
# Usage: deploy/nginx/start-cluster.sh [--cert CERT --key KEY] [--rate RATE] [--burst N]
#                                      [--conn N] [--sockets N] LISTEN WORK_DIR SERVER...
#   LISTEN    what nginx listens on: 443, or 127.0.0.1:8080 for a trial on this machine
#   WORK_DIR  where the written configuration, the pid file and the logs go
#   SERVER    host:port of each pimra-server (started with --db postgresql://... --trust-proxy)
# With --cert and --key the front speaks https, without it plain http (for a trial only).
# --rate, --burst: requests to /engine/ per client address (default 20r/s with bursts of 40).
# --conn: requests under way at once per client address (default 8).
# --sockets: open game sockets per client address (default 8).
# Stop with: kill "$(cat WORK_DIR/nginx.pid)"
set -euo pipefail
cert="" key="" rate="20r/s" burst=40 conn=8 sockets=8
while [[ "${1:-}" == --* ]]; do
    case "$1" in
        --cert) cert="$(realpath "$2")" ;;
        --key) key="$(realpath "$2")" ;;
        --rate) rate="$2" ;;
        --burst) burst="$2" ;;
        --conn) conn="$2" ;;
        --sockets) sockets="$2" ;;
        *) sed -n '3,13p' "$0" >&2; exit 2 ;;
    esac
    shift 2
done
if [ $# -lt 3 ] || { [ -z "$cert" ] && [ -n "$key" ]; } || { [ -n "$cert" ] && [ -z "$key" ]; }; then
    sed -n '3,13p' "$0" >&2
    exit 2
fi
listen="$1"
work="$2"
shift 2
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$work"
work="$(realpath "$work")"

servers=""
for server in "$@"; do
    servers+="    server $server max_fails=1 fail_timeout=5s;\n"
done
tls=""
if [ -n "$cert" ]; then
    listen="$listen ssl"
    tls="    ssl_certificate $cert;\n    ssl_certificate_key $key;\n    include $here/tls.conf;"
fi
{
    echo "pid $work/nginx.pid;"
    echo "error_log $work/error.log;"
    echo "worker_processes auto;"
    # Each game socket holds two connections (client and server) for as long as it is open.
    echo "worker_rlimit_nofile 65536;"
    echo "events { worker_connections 32768; }"
    echo "http {"
    echo "    access_log off;"
    echo "    client_body_temp_path $work/body;"
    echo "    proxy_temp_path $work/proxy;"
    sed -e "s|@LISTEN@|$listen|" -e "s|@SERVERS@|$servers|" -e "s|@TLS@|$tls|" \
        -e "s|@RATE@|$rate|" -e "s|@BURST@|$burst|" -e "s|@CONN@|$conn|" -e "s|@SOCKETS@|$sockets|" \
        "$here/pimra-cluster.conf" | sed 's/^/    /'
    echo "}"
} > "$work/nginx.conf"
PATH="$PATH:/usr/sbin:/sbin"
exec nginx -c "$work/nginx.conf" -p "$work"
