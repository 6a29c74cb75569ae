#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The man pages keep up with the programs: every option of each program's --help in its page's
# OPTIONS, every command, exit status and example of tavro-prog --help in its page, and every key
# the port map reads (from serial/PortMap.cpp's key pattern) in both pages and the example ports.ini.
#   manpages.sh <source-dir> <folder of the configured pages> <tavro-prog> <tavro-terminal>
set -uo pipefail
source=$1 pages=$2 prog=$3 terminal=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
command -v man >/dev/null || { echo "missing man: apt install man-db"; exit 1; }

work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
for page in tavro-terminal tavro-prog; do
    MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$pages/$page.1" >"$work/$page.txt" 2>/dev/null || fail "man $page.1 does not render"
done
section() { sed -n "/^$2\$/,/^[A-Z]/p" "$work/$1.txt"; }
"$prog" --help >"$work/tavro-prog.help" || fail "tavro-prog --help failed"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none "$terminal" --help >"$work/tavro-terminal.help" \
    || fail "tavro-terminal --help failed"

option='^ +(-[a-zA-Z], )?--[a-z][a-z-]*'
for program in tavro-terminal tavro-prog; do
    options=$(grep -oE -- "$option" "$work/$program.help" | grep -oE -- '--[a-z-]+')
    [ "$(wc -l <<<"$options")" -ge 2 ] || fail "found too few options in $program --help: $options"
    described=$(section "$program" OPTIONS | grep -oE -- "$option")
    for name in $options; do
        grep -qE -- " $name\$" <<<"$described" || fail "$program.1's OPTIONS do not describe $name"
    done
done

help=$(cat "$work/tavro-prog.help")
commands=$(sed -n '/^Commands:/,/^$/p' <<<"$help" | grep -oE '^  [a-z]+' | tr -d ' ')
[ -n "$commands" ] || fail "found no commands in tavro-prog --help"
for command in $commands; do
    grep -qE "^ +$command( |\$)" <<<"$(section tavro-prog COMMANDS)" || fail "tavro-prog.1 lacks the command $command"
done
statuses=$(sed -n '/^Exit status:/,/^$/p' <<<"$help" | grep -oE '^ +[0-9]+' | tr -d ' ')
[ -n "$statuses" ] || fail "found no exit statuses in tavro-prog --help"
for status in $statuses; do
    grep -qE "^ +$status +[A-Z]" "$work/tavro-prog.txt" || fail "tavro-prog.1 lacks exit status $status"
done
while read -r example; do
    grep -qF -- "$example" "$work/tavro-prog.txt" || fail "tavro-prog.1 lacks the example: $example"
done < <(grep -E '^ +tavro-prog ' <<<"$help")

# The port map's keys as PortMap reads them: Com<N> and Com<N> followed by each suffix it knows.
suffixes=$(grep -oiE 'com\(\\\\d\+\)\([a-z|]+\)' "$source/serial/PortMap.cpp" | sed 's/.*(//; s/)//' | tr '|' ' ')
[ -n "$suffixes" ] || fail "found no key pattern com(\\d+)(...) in serial/PortMap.cpp: this check must learn its new form"
for suffix in "" $suffixes; do
    for page in tavro-terminal tavro-prog; do
        grep -qiE "ComN$suffix\\b" "$work/$page.txt" || fail "$page.1 does not name the port map's key ComN$suffix"
    done
    grep -qiE "^Com[0-9]+$suffix=" "$source/packaging/ports.ini" || fail "the example ports.ini has no Com<N>$suffix"
done

[ "$failures" -eq 0 ] && echo "manpages: every option, command and port-map key described"
exit $((failures > 0))
