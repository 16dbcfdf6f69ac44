#!/usr/bin/env bash
# Installs what is missing, builds, runs every test. Exit code 0 only when all tests pass.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
ensure_packages
build_project
cd build
ctest --output-on-failure --no-tests=error -j "$(nproc 2>/dev/null || echo 2)" "$@"
