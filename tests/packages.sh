#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the two programs as the packages are built (hardened, not sanitized), packs the Debian
# packages twice and checks what a user would install: identical files from both runs, every time
# stamp the changelog's, each package's files and nothing else, the project's version, section,
# maintainer and home page, dependencies (tavro-prog's free of the desktop stack), lintian clean,
# stripped binaries with their symbols in the -dbgsym packages, a udev rule for exactly the chips
# the bit-bang back end takes, a desktop entry and metainfo the validators accept, dated man pages
# that render without warnings, and a window binary that answers --help and --version without a
# display. The man pages' content is checked against --help by the manpages test.
#   packages.sh <source-dir> <hardened-build-dir> <version>
set -uo pipefail
source=$1 build=$2 version=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in cpack:cmake dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev dpkg-parsechangelog:dpkg-dev \
            dpkg-buildflags:dpkg-dev file:file ar:binutils readelf:binutils nm:binutils \
            objcopy:binutils desktop-file-validate:desktop-file-utils appstreamcli:appstream \
            man:man-db lintian:lintian; do
    command -v "${tool%%:*}" >/dev/null || { echo "missing ${tool%%:*}: apt install ${tool#*:}"; exit 1; }
done

work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
# The hardened build stays between runs, so that a second run only builds what changed. cpack
# builds everything first (tests and benches too) unless installing is set apart from "all".
{ cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_HARDEN=ON -DTAVRO_WERROR=ON \
        -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON &&
  cmake --build "$build" -j"$(nproc)" --target tavro-terminal tavro-prog; } >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; exit 1; }
# Packed as shipped, twice: the second run must give the same bytes. A SOURCE_DATE_EPOCH of the
# caller's would override the changelog's.
for run in first second; do
    env -u SOURCE_DATE_EPOCH cpack --config "$build/CPackConfig.cmake" -B "$work/$run" >"$work/cpack.log" 2>&1 \
        || { cat "$work/cpack.log"; exit 1; }
done
debs=$(cd "$work/first" && ls -- *.deb)
for deb in $debs; do
    cmp -s "$work/first/$deb" "$work/second/$deb" || fail "$deb differs between two cpack runs of one build"
done
[ "$debs" = "$(cd "$work/second" && ls -- *.deb)" ] || fail "two cpack runs made different packages"
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }

arch=$(dpkg --print-architecture)
metainfo=io.github.tavro_terminal.tavro_terminal.metainfo.xml
doc=./usr/share/doc
declare -A expected=(
    [tavro-terminal]="./usr/bin/tavro-terminal
./usr/share/applications/tavro-terminal.desktop
$doc/tavro-terminal/README.md.gz
$doc/tavro-terminal/changelog.gz
$doc/tavro-terminal/copyright
$doc/tavro-terminal/examples/ports.ini
./usr/share/icons/hicolor/scalable/apps/tavro-terminal.svg
./usr/share/man/man1/tavro-terminal.1.gz
./usr/share/metainfo/$metainfo"
    [tavro-prog]="./usr/bin/tavro-prog
./usr/share/bash-completion/completions/tavro-prog
$doc/tavro-prog/README.md.gz
$doc/tavro-prog/changelog.gz
$doc/tavro-prog/copyright
$doc/tavro-prog/examples/ports.ini
./usr/share/man/man1/tavro-prog.1.gz"
    [tavro-common]="./usr/lib/udev/rules.d/60-tavro-ftdi.rules
$doc/tavro-common/changelog.gz
$doc/tavro-common/copyright")
declare -A section=([tavro-terminal]=comm [tavro-prog]=comm [tavro-common]=comm)
declare -A depends=([tavro-terminal]="tavro-common (= $version)" [tavro-prog]="tavro-common (= $version)")
for deb in $debs; do dpkg-deb -x "$work/first/$deb" "$work/root"; done
root="$work/root/usr"
# Each program's symbols, found by the build ID its stripped binary keeps.
for program in tavro-terminal tavro-prog; do
    id=$(readelf --notes "$root/bin/$program" 2>/dev/null | sed -n 's/.*Build ID: //p')
    [ -n "$id" ] || { fail "$program has no build ID"; continue; }
    expected[$program-dbgsym]="./usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug
$doc/$program-dbgsym/changelog.gz
$doc/$program-dbgsym/copyright"
    section[$program-dbgsym]=debug
    depends[$program-dbgsym]="$program (= $version)"
done

want_debs=$(for name in "${!expected[@]}"; do
                [ "$name" = tavro-common ] && echo "${name}_${version}_all.deb" || echo "${name}_${version}_${arch}.deb"
            done | sort)
[ "$debs" = "$want_debs" ] || fail "cpack made"$'\n'"$debs"$'\n'"instead of"$'\n'"$want_debs"
for name in "${!expected[@]}"; do
    deb=$(ls "$work/first/${name}_${version}_"*.deb 2>/dev/null) || continue
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    [ "$files" = "${expected[$name]}" ] || fail "$name holds"$'\n'"$files"$'\n'"instead of"$'\n'"${expected[$name]}"
    # Name, version, section, maintainer and home page: the last two as the build was told.
    for field in Package:"$name" Version:"$version" Section:"${section[$name]}" \
                 Maintainer:"$(cache TAVRO_MAINTAINER)" Homepage:"$(cache TAVRO_HOMEPAGE)"; do
        got=$(dpkg-deb -f "$deb" "${field%%:*}")
        [ "$got" = "${field#*:}" ] || fail "$name: ${field%%:*} is '$got', not '${field#*:}'"
    done
    if [ -n "${depends[$name]:-}" ]; then
        grep -qF "${depends[$name]}" <<<"$(dpkg-deb -f "$deb" Depends)" || fail "$name does not depend on ${depends[$name]}"
    fi
done
[ "$failures" -eq 0 ] || exit 1

# Every time stamp in every package is the newest changelog entry's, and its version follows the
# release rule: the revision counts the days from 2000-01-01 to the entry's date.
changelog=$source/packaging/changelog
stamp=$(dpkg-parsechangelog -l "$changelog" -STimestamp)
revision=$(dpkg-parsechangelog -l "$changelog" -SVersion | sed 's/.*\.//')
[ "$revision" -eq $(((stamp - 946684800) / 86400)) ] \
    || fail "the changelog's version ends in $revision, but its date is day $(((stamp - 946684800) / 86400)) since 2000-01-01"
in_tar=$(date -u -d "@$stamp" '+%F %T') in_ar=$(date -u -d "@$stamp" '+%b %e %H:%M %Y')
for deb in $debs; do
    others=$(TZ=UTC ar tv "$work/first/$deb" | grep -vF " $in_ar "
             for part in --ctrl-tarfile --fsys-tarfile; do
                 dpkg-deb "$part" "$work/first/$deb" | TZ=UTC tar -tv --full-time | grep -vF " $in_tar "
             done)
    [ -z "$others" ] || fail "$deb holds times other than the changelog's, $in_tar UTC:"$'\n'"$others"
done

prog_depends=$(dpkg-deb -f "$work/first/tavro-prog_${version}_${arch}.deb" Depends)
terminal_depends=$(dpkg-deb -f "$work/first/tavro-terminal_${version}_${arch}.deb" Depends)
for lib in libqt6core6 libqt6serialport6 libftdi1-2; do
    grep -q "$lib" <<<"$prog_depends" || fail "tavro-prog does not depend on $lib: $prog_depends"
done
if grep -Eiq 'widgets|gui|opengl|libgl|libegl|libx11|xcb' <<<"$prog_depends"; then
    fail "tavro-prog depends on the desktop stack: $prog_depends"
fi
grep -q libqt6widgets6 <<<"$terminal_depends" || fail "tavro-terminal does not depend on libqt6widgets6"
suggests=$(dpkg-deb -f "$work/first/tavro-terminal_${version}_${arch}.deb" Suggests)
[ "$suggests" = tavro-prog ] || fail "tavro-terminal suggests '$suggests', not tavro-prog"

# Any error or warning fails, hardening included, with no tag overridden: none is needed. (The two
# info tags left: .comment sections, which CPack's plain strip keeps, and no fortified call, as
# every call the fortify headers know is proven safe while compiling.)
lintian --fail-on error,warning "$work"/first/*.deb >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

# What lintian's hardening checks look for, read directly: full RELRO (BIND_NOW), the stack
# protector; the binaries shipped stripped, their symbols complete in the -dbgsym package.
for bin in tavro-terminal tavro-prog; do
    elf=$(readelf -dlW "$root/bin/$bin"; nm -D "$root/bin/$bin")
    for mark in BIND_NOW GNU_RELRO __stack_chk_fail; do
        grep -q "$mark" <<<"$elf" || fail "$bin is built without $mark"
    done
    grep -qE '\.(debug_info|symtab) ' <<<"$(readelf -SW "$root/bin/$bin")" && fail "$bin is shipped with its symbols"
    id=$(readelf --notes "$root/bin/$bin" | sed -n 's/.*Build ID: //p')
    symbols=$root/lib/debug/.build-id/${id:0:2}/${id:2}.debug
    { grep -q '\.debug_info ' <<<"$(readelf -SW "$symbols")" && grep -q ' main$' <<<"$(readelf -sW "$symbols")"; } 2>/dev/null \
        || fail "no debug symbols of $bin under its build ID $id"
done

# The udev rule: for the user at the seat and the group dialout, and for just the FTDI chips the
# bit-bang back end takes (as serial/UsbFacts.cpp knows them).
rule=$(grep -v '^#' "$root/lib/udev/rules.d/60-tavro-ftdi.rules")
chips=$(sed -n '/UsbFacts::hasSyncBitbang/,/^}/p' "$source/serial/UsbFacts.cpp" | grep -oE 'product == 0x[0-9a-fA-F]{4}' |
        sed 's/.*0x//' | tr 'A-F' 'a-f' | sort)
[ -n "$chips" ] || fail "found no chips in serial/UsbFacts.cpp's hasSyncBitbang"
ruled=$(grep -oE 'ATTR\{idProduct\}=="[^"]*"' <<<"$rule" | sed 's/.*=="//; s/"//' | tr '|' '\n' | sort)
[ "$chips" = "$ruled" ] || fail "the udev rule is for products $(echo $ruled), the back end takes $(echo $chips)"
for part in 'ATTR{idVendor}=="0403"' 'TAG+="uaccess"' 'GROUP="dialout"' 'MODE="0660"'; do
    grep -qF "$part" <<<"$rule" || fail "the udev rule lacks $part"
done

desktop-file-validate "$root/share/applications/tavro-terminal.desktop" || fail "desktop-file-validate"
# validate-tree also checks that the metainfo's launchable is the desktop entry shipped beside it.
appstreamcli validate-tree --no-net "$work/root" >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "appstreamcli validate-tree"; }
appstreamcli validate --no-net "$root/share/metainfo/$metainfo" >"$work/as.log" 2>&1 \
    || { cat "$work/as.log"; fail "appstreamcli validate"; }
screenshots=$(cache TAVRO_SCREENSHOTS)
grep -vqF "<image>${screenshots:-$(cache TAVRO_HOMEPAGE)/docs}/" <<<"$(grep -oE '<image>[^<]*' "$root/share/metainfo/$metainfo")" \
    && fail "the metainfo's screenshots are not where the build was told"

for page in tavro-terminal tavro-prog; do
    MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/share/man/man1/$page.1.gz" >"$work/$page.txt" 2>"$work/$page.err"
    [ -s "$work/$page.err" ] && fail "man $page.1 warns:"$'\n'"$(cat "$work/$page.err")"
    grep -q "^NAME" "$work/$page.txt" || fail "man $page.1 renders no NAME section"
    tail -n 1 "$work/$page.txt" | grep -qE "Tavro Terminal $version +[0-9]{4}-[0-9]{2}-[0-9]{2} " \
        || fail "man $page.1's footer lacks the version and date: $(tail -n 1 "$work/$page.txt")"
done

# The window's --help and --version answer on stdout and exit 0 with no display at all (a window
# would need the platform plugin "none", which does not exist).
window() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$root/bin/tavro-terminal" "$@" 2>"$work/err"; }
answer=$(window --version) && [ ! -s "$work/err" ] && [ "$answer" = "tavro-terminal $version" ] \
    || fail "tavro-terminal --version: '$answer' $(cat "$work/err")"
window --help >"$work/help" && [ ! -s "$work/err" ] || fail "tavro-terminal --help: $(cat "$work/err")"

# Every source file names its licence in its first lines.
src=$(cd "$(dirname "$0")/.." && pwd)
unlicensed=$(find "$src" \( -path "$src/build*" -o -path "$src/.git" \) -prune -o -type f \
                  \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.sh' \) -print |
             while read -r file; do head -3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$file"; done)
[ -z "$unlicensed" ] || fail "no SPDX licence line in:"$'\n'"$unlicensed"

[ "$failures" -eq 0 ] && echo "packages: $(echo "$debs" | sed 's/_.*//' | tr '\n' ' ')$version pass"
exit $((failures > 0))
