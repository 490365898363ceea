#!/usr/bin/env bash
# Builds Pimra and starts it with a local game server, so online play works out of the box.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/release
mkdir -p build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release > "$build.configure.log" 2>&1 \
    || { cat "$build.configure.log"; exit 1; }
ninja -C "$build" -j"$(nproc)" pimra pimra-server pimra-engine

client="$build/src/app/pimra"
server="$build/src/server/pimra-server"
port="${PIMRA_PORT:-8455}"
data="${XDG_DATA_HOME:-$HOME/.local/share}/pimra"
mkdir -p "$data"

server_pid=""
stop_server() { if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi; }
trap stop_server EXIT

if [ -x "$server" ]; then
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
        echo "A game server already answers on port $port; using it."
    else
        "$server" --bind 127.0.0.1 --port "$port" --db "$data/server.db" >> "$data/server.log" 2>&1 &
        server_pid=$!
        echo "Game server started on http://127.0.0.1:$port (log: $data/server.log)"
    fi
fi

if [ -x "$client" ]; then
    "$client" --server "http://127.0.0.1:$port" "$@"
else
    echo "The window is not built on this checkout; here is the command-line engine instead."
    "$build/tools/engine/pimra-engine" --help
fi
