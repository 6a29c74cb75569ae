#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The receive path, Tavro Terminal beside picocom, through the same measuring tool in one run:
# a board paced like a real 921600-baud line (78- and 20000-character lines), one that sends a
# byte every 10 ms, then a stream written as fast as each terminal reads it. Prints CPU share or rate, and peak memory.
#   bench/rxbench-side-by-side.sh [MB at full speed]   (needs: xvfb xauth xdotool picocom tmux)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rxbench=${RXBENCH:-$here/../../shared/tools/rxbench.py}
mb=${1:-32}
terminal=${TAVRO_TERMINAL:-$here/../build/tavro-terminal}
[ -x "$terminal" ] || { echo "build first: ./setup.sh run (wanted $terminal)" >&2; exit 2; }
# Each with the process that draws for it: Tavro Terminal's X server, picocom's tmux server.
picocom() { python3 "$rxbench" --display 'tmux: server' "$@" -- tmux new-session -d -x 200 -y 50 "picocom -q -b 921600 {dev}"; tmux kill-server 2>/dev/null || true; }
tavro() { xvfb-run -a python3 "$rxbench" --display Xvfb "$@" -- "$here/tavro-on-device.sh" {dev} "$terminal"; }
for line in 78 20000; do
    tavro --rate 92160 --mb 0.9 --line "$line" --name "tavro-terminal, 921600 baud, $line-character lines"
    picocom --rate 92160 --mb 0.9 --line "$line" --name "picocom,        921600 baud, $line-character lines"
done
tavro --rate 100 --mb 0.001 --line 78 --name "tavro-terminal, a byte every 10 ms"
picocom --rate 100 --mb 0.001 --line 78 --name "picocom,        a byte every 10 ms"
tavro --mb "$mb" --name "tavro-terminal, full speed"
picocom --mb "$mb" --name "picocom,        full speed"
