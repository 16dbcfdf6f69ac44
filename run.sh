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
Demo accounts (設定 → ユーザー設定):
  クレジット課金: ユーザーID demo / パスワード velmira (A, B, C コース)
                  credit_a / pass_a (A), credit_b / pass_b (B), credit_c / pass_c (C)
TXT

./build/velmira "$@"
