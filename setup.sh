#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs from Debian's packages what the command needs and is missing, builds, then runs the
# program or the tests.
#   ./setup.sh run      build and start Tavro Terminal
#   ./setup.sh test     build and pass every test, the package test included
#   ./setup.sh package  build hardened and make the Debian packages in build-deb/
set -euo pipefail
cd "$(dirname "$0")"
command=${1:-run}
build=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libftdi1-dev libgl-dev libqcustomplot-dev)
# cpack packs with dpkg's tools (dpkg-shlibdeps, dpkg-buildflags), finds the binaries with file
# and strips them and splits off their symbols with binutils.
packaging=(dpkg-dev file binutils)
# The tests' peers: pseudo-terminal pairs, a second Intel-HEX writer, a serial server on the
# network, the man pages rendered, and the package test's validators.
testing=(socat srecord ser2net man-db desktop-file-utils appstream lintian)
case $command in
    run) needed=("${build[@]}") ;;
    test) needed=("${build[@]}" "${packaging[@]}" "${testing[@]}") ;;
    package) needed=("${build[@]}" "${packaging[@]}") ;;
    *) echo "usage: $0 [run|test|package]" >&2; exit 2 ;;
esac
missing=()
for p in "${needed[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q ' installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        as_root=()
    elif command -v sudo >/dev/null; then
        as_root=(sudo)
    else
        echo "$0 $command needs: ${missing[*]}" >&2
        echo "Install them as root (su -), then run $0 $command again:" >&2
        echo "    apt-get update && apt-get install ${missing[*]}" >&2
        exit 1
    fi
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi
case $command in
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
esac
