#!/usr/bin/env bash
# Installs what is missing, builds, and starts Velmira 2 against the local demo service.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/common.sh
ensure_packages
build_project

start_demo_service
port=$VELMIRA_DEMO_PORT

cat <<TXT
Demo service on http://127.0.0.1:$port (stopped when Velmira 2 ends).
Demo accounts (設定 → ユーザー設定), every course:
  BIGLOBE bg_demo / velmira     @nifty nf_demo / velmira     So-net sn_demo / velmira
  OCN ocn_demo / velmira        WebMoney prepaid number 1111222233334444
  BitCash あいうえ かきくけ さしすせ たちつて    クレジット課金 demo / velmira
  Yahoo!ウォレット y_demo / velmira
TXT

./build/velmira "$@"
