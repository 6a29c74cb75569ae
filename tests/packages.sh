#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the two programs as the packages are built (hardened, not sanitized), packs the Debian
# packages and checks what a user would install: each package's files and nothing else, the
# project's version, tavro-prog's dependencies free of the desktop stack, lintian clean, a desktop
# entry and metainfo the validators accept, dated man pages that render without warnings, explain
# serial-port access and carry every long option, exit status and example of tavro-prog --help,
# and a window binary that answers --help and --version without a display.
#   packages.sh <source-dir> <hardened-build-dir> <version>
set -uo pipefail
source=$1 build=$2 version=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in cpack:cmake dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev dpkg-buildflags:dpkg-dev file:file \
            objdump:binutils readelf:binutils nm:binutils desktop-file-validate:desktop-file-utils \
            appstreamcli:appstream man:man-db lintian:lintian; do
    command -v "${tool%%:*}" >/dev/null || { echo "missing ${tool%%:*}: apt install ${tool#*:}"; exit 1; }
done

work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
# The hardened build stays between runs, so that a second run only builds what changed. cpack
# builds everything first (tests and benches too) unless installing is set apart from "all".
{ cmake -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRO_HARDEN=ON -DTAVRO_WERROR=ON \
        -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON &&
  cmake --build "$build" -j"$(nproc)" --target tavro-terminal tavro-prog; } >"$work/build.log" 2>&1 \
    || { cat "$work/build.log"; exit 1; }
# gzip instead of xz: the same files, packed in half the time.
cpack --config "$build/CPackConfig.cmake" -B "$work" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }

arch=$(dpkg --print-architecture)
metainfo=io.github.tavro_terminal.tavro_terminal.metainfo.xml
declare -A expected=(
    [tavro-terminal]="./usr/bin/tavro-terminal
./usr/share/applications/tavro-terminal.desktop
./usr/share/doc/tavro-terminal/changelog.gz
./usr/share/doc/tavro-terminal/copyright
./usr/share/icons/hicolor/scalable/apps/tavro-terminal.svg
./usr/share/man/man1/tavro-terminal.1.gz
./usr/share/metainfo/$metainfo"
    [tavro-prog]="./usr/bin/tavro-prog
./usr/lib/udev/rules.d/60-tavro-ftdi.rules
./usr/share/bash-completion/completions/tavro-prog
./usr/share/doc/tavro-prog/changelog.gz
./usr/share/doc/tavro-prog/copyright
./usr/share/man/man1/tavro-prog.1.gz")

for name in tavro-terminal tavro-prog; do
    deb="$work/${name}_${version}_${arch}.deb"
    [ -f "$deb" ] || { fail "no $(basename "$deb") among: $(cd "$work" && echo *.deb)"; continue; }
    files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    [ "$files" = "${expected[$name]}" ] || fail "$name holds"$'\n'"$files"$'\n'"instead of"$'\n'"${expected[$name]}"
    for field in Package Version; do
        want=$([ $field = Package ] && echo "$name" || echo "$version")
        got=$(dpkg-deb -f "$deb" $field)
        [ "$got" = "$want" ] || fail "$name: $field is '$got', not '$want'"
    done
    dpkg-deb -x "$deb" "$work/root"
done
[ "$failures" -eq 0 ] || exit 1

prog_depends=$(dpkg-deb -f "$work/tavro-prog_${version}_${arch}.deb" Depends)
terminal_depends=$(dpkg-deb -f "$work/tavro-terminal_${version}_${arch}.deb" Depends)
for lib in libqt6core6 libqt6serialport6 libftdi1-2; do
    grep -q "$lib" <<<"$prog_depends" || fail "tavro-prog does not depend on $lib: $prog_depends"
done
if grep -Eiq 'widgets|gui|opengl|libgl|libegl|libx11|xcb' <<<"$prog_depends"; then
    fail "tavro-prog depends on the desktop stack: $prog_depends"
fi
grep -q libqt6widgets6 <<<"$terminal_depends" || fail "tavro-terminal does not depend on libqt6widgets6"
suggests=$(dpkg-deb -f "$work/tavro-terminal_${version}_${arch}.deb" Suggests)
[ "$suggests" = tavro-prog ] || fail "tavro-terminal suggests '$suggests', not tavro-prog"

# Any error or warning fails, hardening included, with no tag overridden: none is needed. (The two
# info tags left: .comment sections, which CPack's plain strip keeps, and no fortified call, as
# every call the fortify headers know is proven safe while compiling.)
lintian --fail-on error,warning "$work"/*.deb >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }

root="$work/root/usr"
# What lintian's hardening checks look for, read directly: full RELRO (BIND_NOW), the stack protector.
for bin in tavro-terminal tavro-prog; do
    elf=$(readelf -dlW "$root/bin/$bin"; nm -D "$root/bin/$bin")
    for mark in BIND_NOW GNU_RELRO __stack_chk_fail; do
        grep -q "$mark" <<<"$elf" || fail "$bin is built without $mark"
    done
done
desktop-file-validate "$root/share/applications/tavro-terminal.desktop" || fail "desktop-file-validate"
# validate-tree also checks that the metainfo's launchable is the desktop entry shipped beside it.
appstreamcli validate-tree --no-net "$work/root" >"$work/as.log" 2>&1 || { cat "$work/as.log"; fail "appstreamcli validate-tree"; }
appstreamcli validate --no-net "$root/share/metainfo/$metainfo" >"$work/as.log" 2>&1 \
    || { cat "$work/as.log"; fail "appstreamcli validate"; }

for page in tavro-terminal tavro-prog; do
    MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$root/share/man/man1/$page.1.gz" >"$work/$page.txt" 2>"$work/$page.err"
    [ -s "$work/$page.err" ] && fail "man $page.1 warns:"$'\n'"$(cat "$work/$page.err")"
    for section in NAME "SERIAL-PORT ACCESS"; do
        grep -q "^$section" "$work/$page.txt" || fail "man $page.1 renders no $section section"
    done
    tail -n 1 "$work/$page.txt" | grep -qE "Tavro Terminal $version +[0-9]{4}-[0-9]{2}-[0-9]{2} " \
        || fail "man $page.1's footer lacks the version and date: $(tail -n 1 "$work/$page.txt")"
done

# Every long option the shipped tavro-prog --help lists is in the man page; the page may know more.
help=$("$root/bin/tavro-prog" --help) || fail "tavro-prog --help failed"
options=$(grep -oE '^ +(-[a-zA-Z], )?--[a-z][a-z-]*' <<<"$help" | grep -oE -- '--[a-z-]+')
[ "$(wc -l <<<"$options")" -ge 6 ] || fail "found too few options in tavro-prog --help: $options"
described=$(sed -n '/^OPTIONS/,/^[A-Z]/p' "$work/tavro-prog.txt" | grep -oE '^ +(-[a-zA-Z], )?--[a-z][a-z-]*')
for option in $options; do
    grep -qE -- " $option\$" <<<"$described" || fail "tavro-prog.1's OPTIONS do not describe $option"
done
# So is every exit status and every example.
statuses=$(sed -n '/^Exit status:/,/^$/p' <<<"$help" | grep -oE '^ +[0-9]+' | tr -d ' ')
[ -n "$statuses" ] || fail "found no exit statuses in tavro-prog --help"
for status in $statuses; do
    grep -qE "^ +$status +[A-Z]" "$work/tavro-prog.txt" || fail "tavro-prog.1 lacks exit status $status"
done
while read -r example; do
    grep -qF -- "$example" "$work/tavro-prog.txt" || fail "tavro-prog.1 lacks the example: $example"
done < <(grep -E '^ +tavro-prog ' <<<"$help")

# The window's --help and --version answer on stdout and exit 0 with no display at all (a window
# would need the platform plugin "none", which does not exist); the page describes both.
window() { env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$root/bin/tavro-terminal" "$@" 2>"$work/err"; }
answer=$(window --version) && [ ! -s "$work/err" ] && [ "$answer" = "tavro-terminal $version" ] \
    || fail "tavro-terminal --version: '$answer' $(cat "$work/err")"
window --help >"$work/help" && [ ! -s "$work/err" ] || fail "tavro-terminal --help: $(cat "$work/err")"
for option in --help --version; do
    grep -qF -- "$option" "$work/help" || fail "tavro-terminal --help lacks $option"
    grep -qE -- " $option\$" "$work/tavro-terminal.txt" || fail "tavro-terminal.1 lacks $option"
done

# Every source file names its licence in its first lines.
src=$(cd "$(dirname "$0")/.." && pwd)
unlicensed=$(find "$src" \( -path "$src/build*" -o -path "$src/.git" \) -prune -o -type f \
                  \( -name '*.cpp' -o -name '*.h' -o -name CMakeLists.txt -o -name '*.sh' \) -print |
             while read -r file; do head -3 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$file"; done)
[ -z "$unlicensed" ] || fail "no SPDX licence line in:"$'\n'"$unlicensed"

[ "$failures" -eq 0 ] && echo "packages: tavro-terminal and tavro-prog $version pass"
exit $((failures > 0))
