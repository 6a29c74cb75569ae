#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing from Debian's packages, builds, then runs the program or the tests.
#   ./setup.sh run    build and start Tavro Terminal
#   ./setup.sh test   build and pass every test
#   ./setup.sh package  build hardened and make the Debian packages in build-deb/
set -euo pipefail
cd "$(dirname "$0")"
# The last six make and check the Debian packages.
packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libqcustomplot-dev libftdi1-dev libgl-dev socat srecord binutils xvfb xauth
          dpkg-dev file desktop-file-utils appstream man-db lintian)
missing=()
for p in "${packages[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
case "${1:-run}" in
    run)
        cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build build -j"$(nproc)"
        exec build/tavro-terminal ;;
    test)
        # The tests run under AddressSanitizer and UndefinedBehaviorSanitizer: any report fails them.
        cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_SANITIZE=ON -DTAVRO_WERROR=ON >/dev/null
        cmake --build build-test -j"$(nproc)"
        # LeakSanitizer cannot run where ptrace is forbidden (some containers): then leaks go unchecked.
        leaks=1
        ASAN_OPTIONS=detect_leaks=1 build-test/tests/fuzz/replay_hexhelpers tests/fuzz/corpus/hexhelpers 0 \
            >/dev/null 2>&1 || { leaks=0; echo "LeakSanitizer unavailable here: leak checks off" >&2; }
        export ASAN_OPTIONS=halt_on_error=1:detect_leaks=$leaks
        export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
        export LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0
        cd build-test && QT_QPA_PLATFORM=offscreen ctest --output-on-failure ;;
    package)
        # Hardened with Debian's flags and without sanitizers, as the package test builds them; cpack
        # then packs the two programs without building the tests.
        cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_HARDEN=ON \
            -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
        cmake --build build-deb -j"$(nproc)" --target tavro-terminal tavro-prog
        cd build-deb && exec cpack ;;
    *) echo "usage: $0 [run|test|package]" >&2; exit 2 ;;
esac
