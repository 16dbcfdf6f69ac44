#!/usr/bin/env bash
# Installs what is missing, builds and starts Velmira 2.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
ensure_packages
build_project
exec ./build/velmira "$@"
