#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time to the window shown: from launch until the main window is mapped on the X
# display, over ten starts with a fresh configuration each. Run under xvfb-run.
#   xvfb-run -a bench/startup-time.sh [TERMINAL-BINARY]
set -euo pipefail
binary=${1:-$(dirname "$0")/../build/tavro-terminal}
times=()
failed=0
while [ ${#times[@]} -lt 10 ]; do
    config=$(mktemp -d)
    start=$(date +%s%N)
    XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config "$binary" 2>/dev/null &
    terminal=$!
    # Polled every 10 ms: xdotool's own --sync waits in half seconds.
    shown=1
    until xdotool search --onlyvisible --name '^Terminal$' >/dev/null 2>&1; do
        kill -0 $terminal 2>/dev/null || { shown=0; break; }
        sleep 0.01
    done
    if [ $shown = 1 ]; then
        times+=($((($(date +%s%N) - start) / 1000000)))
        kill $terminal
    else
        failed=$((failed + 1)) # the display refused the connection; try again
        [ $failed -lt 5 ] || { echo "the terminal does not start on this display" >&2; exit 1; }
    fi
    wait $terminal 2>/dev/null || true
    rm -rf "$config"
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 }
    END { printf "start-up to window shown: median %d ms, best %d ms, worst %d ms over %d starts\n", t[int((NR + 1) / 2)], t[1], t[NR], NR }'
