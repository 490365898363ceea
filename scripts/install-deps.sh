#!/usr/bin/env bash
# Installs the Debian packages needed to build and run Pimra (the test tools come from
# scripts/install-test-deps.sh).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-dev clang-format
  # core and tests
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # client
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-websockets-dev libqt6svg6
  qt6-qpa-plugins libgl-dev
  # Linguist's tools for the English interface, and Qt's own Russian texts for its dialogs
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libcurl4-openssl-dev nlohmann-json3-dev libssl-dev
  # the remembered session in the desktop's secret store
  qtkeychain-qt6-dev
  # fonts with Cyrillic letters, and a display for screenshots
  fonts-dejavu-core fonts-liberation xvfb xauth
  # server
  libboost-dev libsqlite3-dev libsodium-dev
  # the shared PostgreSQL store (libpqxx brings libpq)
  libpqxx-dev
)

. "$(dirname "$0")/apt-install.sh"
apt_install "${packages[@]}"
