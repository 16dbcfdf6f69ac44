# Shared by run.sh and test.sh: install what is missing, then build incrementally in build/.
# shellcheck shell=bash

VELMIRA_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev libgl-dev
  libssl-dev
  fonts-noto-cjk
  xvfb xauth
  python3
)

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "${VELMIRA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Need root to install: ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_project() {
  local jobs
  jobs=$(nproc 2>/dev/null || echo 2)
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build build -j "$jobs"
}

# Starts the local demo service on a free loopback port and points the program at it
# (VELMIRA_ENDPOINTS). The service stops when the calling script exits.
start_demo_service() {
  VELMIRA_DEMO_DIR=$(mktemp -d)
  python3 tools/servicesim/servicesim.py --port 0 --endpoints-file "$VELMIRA_DEMO_DIR/endpoints" \
    >"$VELMIRA_DEMO_DIR/ready" 2>"$VELMIRA_DEMO_DIR/service.log" &
  VELMIRA_DEMO_PID=$!
  trap 'kill "$VELMIRA_DEMO_PID" 2>/dev/null || true; wait "$VELMIRA_DEMO_PID" 2>/dev/null || true; rm -rf "$VELMIRA_DEMO_DIR"' EXIT
  local _
  for _ in $(seq 1 100); do
    grep -q '^READY' "$VELMIRA_DEMO_DIR/ready" 2>/dev/null && break
    sleep 0.1
  done
  if ! grep -q '^READY' "$VELMIRA_DEMO_DIR/ready"; then
    echo "The demo service did not start:" >&2
    cat "$VELMIRA_DEMO_DIR/service.log" >&2
    return 1
  fi
  VELMIRA_DEMO_PORT=$(awk '/^READY/ {print $2}' "$VELMIRA_DEMO_DIR/ready")
  export VELMIRA_ENDPOINTS="$VELMIRA_DEMO_DIR/endpoints"
}

# QtWebEngine will not start as root with its sandbox on.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
