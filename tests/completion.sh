#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tavro-prog's bash completion, asked as bash asks it, and offering every option its --help names.
#   completion.sh <tavro-prog.bash-completion> <tavro-prog>
set -u
compopt() { :; } # bash allows it only while it completes
source "$1"
failed=0

# expect LINE WORDS: what completing the end of LINE offers
expect() {
    local line=$1
    # Words as bash splits them: "=" stands alone (COMP_WORDBREAKS).
    read -ra COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _tavro_prog
    if [[ "${COMPREPLY[*]}" != "$2" ]]; then
        echo "'$line' offers '${COMPREPLY[*]}', not '$2'"
        failed=1
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/blink.hex" "$work/backup.hex"
expect 'tavro-prog ' 'write verify read probe list'
expect 'tavro-prog --port Com3 --data r' 'read'
expect 'tavro-prog --port=Com3 -q p' 'probe'
expect 'tavro-prog --backend ' 'auto lines ftdi'
expect 'tavro-prog --backend=l' 'lines'
expect 'tavro-prog --port Com1' 'Com1 Com10 Com11 Com12 Com13 Com14 Com15 Com16'
expect 'tavro-prog -p s' 'simulated-board'
expect "tavro-prog --port $work/bl" "$work/blink.hex"
expect "tavro-prog verify $work/bl" "$work/blink.hex"
expect "tavro-prog read -o $work/ba" "$work/backup.hex"
expect 'tavro-prog --settle-us ' ''
expect 'tavro-prog list ' ''

COMP_WORDS=(tavro-prog --) COMP_CWORD=1
_tavro_prog
offered=" ${COMPREPLY[*]} "
for option in $("$2" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    [[ $offered == *" $option "* ]] || { echo "$option is not offered"; failed=1; }
done
exit $failed
