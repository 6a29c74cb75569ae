#!/usr/bin/env bash
# Installs what is missing from Debian's packages, builds, then runs the program or the tests.
#   ./setup.sh run    build and start Tavro Terminal
#   ./setup.sh test   build and pass every test
set -euo pipefail
cd "$(dirname "$0")"
packages=(cmake g++ make qt6-base-dev qt6-serialport-dev libgl-dev socat srecord binutils xvfb xauth)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
case "${1:-run}" in
    run) exec build/tavro-terminal ;;
    test) cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure ;;
    *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
