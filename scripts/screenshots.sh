#!/usr/bin/env bash
# Builds and writes pictures of the main window's pages, the options dialog and the about
# window into build/screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
ensure_packages
build_project
start_demo_service
mkdir -p build/screenshots
QT_QPA_PLATFORM=offscreen ./build/velmira-screenshots build/screenshots
ls build/screenshots
