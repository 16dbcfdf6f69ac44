#!/usr/bin/env bash
# Builds and runs the benchmarks against the local demo service (under a virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
ensure_packages
build_project
start_demo_service
QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu xvfb-run -a ./build/velmira-bench 2>/dev/null
