#!/usr/bin/env bash
# Builds the Debian packages from the build folder, has lintian check them, unpacks the game's
# package into an empty root and starts it from there.
#   deb-check.sh BUILD_DIR VERSION
set -euo pipefail
build="$(cd "$1" && pwd)"
version="$2"

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps lintian fakeroot; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: not installed: ${missing[*]} (scripts/install-test-deps.sh)"
    exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > cpack.log 2>&1) \
    || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }

failed=0
fail() { echo "FAIL: $*"; failed=1; }

arch="$(dpkg --print-architecture)"
client="$work/out/pimra_${version}_${arch}.deb"
server="$work/out/pimra-server_${version}_${arch}.deb"
for deb in "$client" "$server"; do
    [ -f "$deb" ] || { fail "no $(basename "$deb")"; ls "$work/out"; exit 1; }
done

# lintian: errors fail the test; warnings are printed for a person to read.
for deb in "$client" "$server"; do
    report="$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)"
    echo "lintian $(basename "$deb"): $(grep -c '^E:' <<<"$report" || true) errors, $(grep -c '^W:' <<<"$report" || true) warnings"
    [ -z "$report" ] || echo "$report"
    ! grep -q '^E:' <<<"$report" || fail "lintian errors in $(basename "$deb")"
done

# Dependencies are the Debian runtime libraries the programs link.
depends="$(dpkg-deb -f "$client" Depends)"
echo "pimra depends on: $depends"
for library in libqt6multimedia6 libqt6widgets6 libc6; do
    grep -q "$library" <<<"$depends" || fail "pimra does not depend on $library"
done

# The server runs as a service under a user of its own, with its data in /var/lib/pimra.
mkdir "$work/server-root"
dpkg-deb -x "$server" "$work/server-root"
unit="$(find "$work/server-root" -name pimra-server.service)"
[ -n "$unit" ] || fail "no systemd unit in pimra-server"
if [ -n "$unit" ]; then
    grep -q '^DynamicUser=yes' "$unit" || fail "the service does not run as its own user"
    grep -q '^StateDirectory=pimra' "$unit" || fail "the service has no state folder"
    grep -q -- '--db /var/lib/pimra/' "$unit" || fail "the database is not in /var/lib/pimra"
    if command -v systemd-analyze >/dev/null; then
        systemd-analyze verify --root="$work/server-root" "$unit" 2>&1 | grep -v "Cannot find\|not found\|Command 'man" || true
    fi
fi
"$work/server-root/usr/bin/pimra-server" --version | grep -qx "pimra-server $version" \
    || fail "pimra-server --version from the package"

# The game's package unpacked into an empty root starts from there.
mkdir "$work/root"
dpkg-deb -x "$client" "$work/root"
out="$(env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen HOME="$work" \
    "$work/root/usr/bin/pimra" --version 2>&1)" || fail "pimra --version from the package: $out"
[ "$out" = "pimra $version" ] || fail "pimra --version from the package says '$out'"
"$work/root/usr/bin/pimra-engine" 6 6 6 6 6 6 0 6 6 6 6 6 6 0 | grep -q '^hint ' \
    || fail "pimra-engine from the package"

[ "$failed" -eq 0 ] && echo "packages are fine"
exit "$failed"
