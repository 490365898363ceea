#!/usr/bin/env bash
# Starts nginx as the TLS front of a pimra-server that listens on loopback.
# Usage: deploy/nginx/start.sh CERT KEY [HTTPS_PORT [UPSTREAM [WORK_DIR]]]
#   defaults: port 443, upstream 127.0.0.1:8455, work dir /run/pimra-nginx
# Start the server itself with: pimra-server --trust-proxy (nginx reaches it from 127.0.0.1)
# Stop with: kill "$(cat WORK_DIR/nginx.pid)"
set -euo pipefail
cert="$(realpath "$1")"
key="$(realpath "$2")"
port="${3:-443}"
upstream="${4:-127.0.0.1:8455}"
work="${5:-/run/pimra-nginx}"
here="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$work"
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
    sed -e "s|@PORT@|$port|" -e "s|@CERT@|$cert|" -e "s|@KEY@|$key|" \
        -e "s|@UPSTREAM@|$upstream|" -e "s|@TLS@|$here/tls.conf|" "$here/pimra.conf" |
        sed 's/^/    /'
    echo "}"
} > "$work/nginx.conf"
exec nginx -c "$work/nginx.conf" -p "$work"
