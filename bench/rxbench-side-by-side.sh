#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The receive path, Tavro Terminal beside picocom, through the same measuring tool (rxmeter) in one run:
# a board paced like a real 921600-baud line (78- and 20000-character lines), one that sends a
# byte every 10 ms, then a stream written as fast as each terminal reads it. Prints CPU share or rate, and peak memory.
# Then Tavro Terminal alone with lines of four numbers at 921600 baud, View > Plot off and on.
#   bench/rxbench-side-by-side.sh [MB at full speed]   (needs: xvfb xauth xdotool picocom tmux; the build in
#   build/, whose bench/rxmeter measures)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mb=${1:-32}
terminal=${TAVRO_TERMINAL:-$here/../build/tavro-terminal}
rxmeter=${RXMETER:-$here/../build/bench/rxmeter}
for binary in "$terminal" "$rxmeter"; do
    [ -x "$binary" ] || { echo "build first: ./setup.sh run (wanted $binary)" >&2; exit 2; }
done
# Each with the process that draws for it: Tavro Terminal's X server, picocom's tmux server.
# picocom's tmux server on a socket of its own, so that nobody else's session is touched.
socket=rxbench-$$
picocom() { "$rxmeter" --display 'tmux: server' "$@" -- tmux -L "$socket" new-session -d -x 200 -y 50 "picocom -q -b 921600 {dev}"; tmux -L "$socket" kill-server 2>/dev/null || true; }
tavro() { xvfb-run -a "$rxmeter" --display Xvfb "$@" -- "$here/tavro-on-device.sh" {dev} "$terminal"; }
for line in 78 20000; do
    tavro --rate 92160 --mb 0.9 --line "$line" --name "tavro-terminal, 921600 baud, $line-character lines"
    picocom --rate 92160 --mb 0.9 --line "$line" --name "picocom,        921600 baud, $line-character lines"
done
tavro --rate 100 --mb 0.001 --line 78 --name "tavro-terminal, a byte every 10 ms"
picocom --rate 100 --mb 0.001 --line 78 --name "picocom,        a byte every 10 ms"
tavro --mb "$mb" --name "tavro-terminal, full speed"
picocom --mb "$mb" --name "picocom,        full speed"
tavro --rate 92160 --mb 0.9 --numbers 4 --name "tavro-terminal, 921600 baud, four numbers a line, plot off"
TAVRO_PLOT=1 tavro --rate 92160 --mb 0.9 --numbers 4 --name "tavro-terminal, 921600 baud, four numbers a line, plot on"
