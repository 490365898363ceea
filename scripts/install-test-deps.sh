#!/usr/bin/env bash
# Installs the tools that only the tests and benchmarks use: a browser for the web-page tests,
# nginx and wrk for the load and front-end tests, the node packages of the browser tests, an
# audio server for the sound test and the package validators.
# Safe to run again.
set -euo pipefail

packages=(
  wrk nginx-light chromium openssl
  # throw-away PostgreSQL clusters for the tests of the shared store and the local trial
  postgresql-15
  # a PulseAudio server with a null sink and its recorder, for the move-sound recording test
  pulseaudio pulseaudio-utils
  # validators of the installed files and of the .deb packages
  lintian appstream desktop-file-utils dpkg-dev fakeroot man-db
)

. "$(dirname "$0")/apt-install.sh"
apt_install "${packages[@]}"

# Browser tests of the server's web pages drive Debian's chromium through playwright-core.
browser_tests="$(dirname "$0")/../tests/browser"
if command -v npm >/dev/null 2>&1 && [ ! -d "$browser_tests/node_modules/playwright-core" ]; then
  npm ci --prefix "$browser_tests" --no-audit --no-fund --loglevel=error \
    || echo "npm ci failed: the browser tests will be skipped"
fi
