#!/usr/bin/env bash
# Sets up a Debian 12 machine for the KDX tool chain, builds it, and then
#   ./build.sh run    opens the example project in the editor
#   ./build.sh test   runs every test through CTest
#   ./build.sh asan   runs the editor's tests under the address and
#                     undefined-behaviour sanitizers (build-asan/)
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
  cmake make g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev qt6-image-formats-plugins
  qt6-qpa-plugins qt6-translations-l10n libgl-dev zlib1g-dev libssl-dev libgtest-dev libgmock-dev
  fonts-wqy-zenhei fontconfig xvfb xauth lintian
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j2
}

case "${1:-}" in
  run)
    install_missing
    build
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
      exec build/bin/KDX_TE examples/demo/demo.kdp
    fi
    # Without a desktop there is no editor to show: compile the example instead.
    echo "No display found; compiling the example project with kdx instead of opening the editor."
    mkdir -p build/out
    exec build/bin/kdx compile examples/demo/demo.kdp build/out/demo.kdpbin
    ;;
  test)
    install_missing
    build
    cd build
    exec ctest --output-on-failure -j2 --timeout 600
    ;;
  asan)
    # The editor's tests under AddressSanitizer and UndefinedBehaviorSanitizer,
    # in a build of their own (build-asan/).
    install_missing
    cmake --preset asan
    cmake --build --preset asan
    exec ctest --preset asan
    ;;
  *)
    echo "usage: $0 run|test|asan" >&2
    exit 2
    ;;
esac
