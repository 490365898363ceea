#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop expects of it: the
# desktop entry, the AppStream data, the manual pages, the icon set and the programs' versions.
#   install-check.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
version="$2"

missing=()
for tool in desktop-file-validate appstreamcli man; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: not installed: ${missing[*]} (scripts/install-test-deps.sh)"
    exit 77
fi

prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() { echo "FAIL: $*"; failed=1; }

for program in pimra pimra-engine pimra-server; do
    [ -x "$prefix/bin/$program" ] || { fail "$program is not installed"; continue; }
    out="$(QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --version)" || fail "$program --version failed"
    [ "$out" = "$program $version" ] || fail "$program --version says '$out'"
done

desktop="$prefix/share/applications/org.pimra.Pimra.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -q '^Exec=pimra$' "$desktop" || fail "the desktop entry does not start pimra"

# The installed engine reads the opening book installed beside it.
[ -f "$prefix/share/pimra/opening-book.txt" ] || fail "the opening book is not installed"
"$prefix/bin/pimra-engine" --book 6 6 6 6 6 6 0 6 6 6 6 6 6 0 | grep -q '^book [0-9]' ||
    fail "pimra-engine --book finds no move for the start"

metainfo="$prefix/share/metainfo/org.pimra.Pimra.metainfo.xml"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"

for page in man6/pimra.6.gz man6/pimra-engine.6.gz man8/pimra-server.8.gz; do
    file="$prefix/share/man/$page"
    [ -f "$file" ] || { fail "no manual page $page"; continue; }
    warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "man -l $page: $warnings"
    LC_ALL=C.UTF-8 man -l "$file" 2>/dev/null | grep -q -- '--version' || fail "$page does not describe --version"
done
# `man pimra` finds the page through the prefix's manual path.
MANPATH="$prefix/share/man" man -w pimra >/dev/null || fail "man pimra does not find the page"

icons="$prefix/share/icons/hicolor"
[ -f "$icons/scalable/apps/pimra.svg" ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/pimra.png"
    [ -f "$png" ] || { fail "no $size pixel icon"; continue; }
    # The PNG header's width and height, big-endian at bytes 16..23.
    dims="$(od -An -tu1 -j16 -N8 "$png" | tr -s ' ' | sed 's/^ //')"
    expected="0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))"
    [ "$dims" = "$expected" ] || fail "$png is not $size x $size ($dims)"
done

[ "$failed" -eq 0 ] && echo "installed files are valid"
exit "$failed"
