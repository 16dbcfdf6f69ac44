#!/usr/bin/env bash
# Installs what is missing, builds, runs every test. Exit code 0 only when all tests pass.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
ensure_packages
build_project
# Tests want a private runtime folder (sockets, locks) of their own.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -w "${XDG_RUNTIME_DIR}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
cd build
ctest --output-on-failure --no-tests=error -j "$(nproc 2>/dev/null || echo 2)" "$@"
