#!/usr/bin/env bash
# Receive throughput, Tavro Terminal beside picocom, in one run through the same measuring
# tool: a pseudo-terminal stream written as fast as each terminal reads it. Prints bytes per
# second, CPU seconds and peak memory of each.
#   bench/rxbench-side-by-side.sh [MB]     (needs: xvfb xauth xdotool picocom tmux)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rxbench=${RXBENCH:-$here/../../shared/tools/rxbench.py}
mb=${1:-32}
terminal=${TAVRO_TERMINAL:-$here/../build/tavro-terminal}
[ -x "$terminal" ] || { echo "build first: ./setup.sh test (wanted $terminal)" >&2; exit 2; }
for run in 1 2; do
    xvfb-run -a python3 "$rxbench" --mb "$mb" --name "tavro-terminal (run $run)" -- "$here/tavro-on-device.sh" {dev} "$terminal"
    python3 "$rxbench" --mb "$mb" --name "picocom (run $run)" -- \
        tmux new-session -d -x 200 -y 50 "picocom -q -b 921600 {dev}"
    tmux kill-server 2>/dev/null || true
done
