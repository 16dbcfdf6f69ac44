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
QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu xvfb-run -a -s "-screen 0 1280x1024x24" \
  ./build/velmira-screenshots build/screenshots 2>/dev/null
ls build/screenshots
