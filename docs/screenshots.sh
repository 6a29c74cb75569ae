#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes the README's screenshots on a virtual display: the main window talking to the
# simulated board, programming mode listing the chip's data memory, and the plot of a board that
# prints a sine and a square wave (a script behind a pseudo-terminal).
#   docs/screenshots.sh [TERMINAL-BINARY]      (needs: xvfb xauth xdotool imagemagick socat)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=${1:-$here/../build/tavro-terminal}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$binary"; fi

config=$(mktemp -d)
board=
trap 'kill $board 2>/dev/null || true; rm -rf "$config"' EXIT
mkdir -p "$config/Tavro Terminal/simulated-chip"
printf '[properties]\ncommport=16\nsettings="115200,n,8,1"\n' >"$config/Tavro Terminal.ini"
python3 - "$config/Tavro Terminal/simulated-chip/data.bin" <<'PY'
import sys
image = bytearray(b"\xff" * 2048)
text = b"Blink v1.2 (c) 2026\x00\x01\x02\x03 calibration: 0x5A\x00"
image[: len(text)] = text
open(sys.argv[1], "wb").write(image)
PY
XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config "$binary" 2>/dev/null &
terminal=$!
until window=$(xdotool search --onlyvisible --name '^Terminal$' 2>/dev/null); do sleep 0.05; done
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$here/$1"; }

xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+c; sleep 0.3; xdotool key o; sleep 0.5   # CommPort > Port Open
xdotool type --delay 30 " "; sleep 0.3
xdotool type --delay 30 "status"; xdotool key Return; sleep 0.5
shot main-window.png

xdotool mousemove $((X + 245)) $((Y + 37)) click 1; sleep 0.5                # the Prog button
xdotool type --delay 80 "?"; sleep 0.3
xdotool type --delay 80 "v0"; xdotool key Return; sleep 0.2
xdotool type --delay 80 "2f"; xdotool key Return; sleep 2
shot programming-mode.png
xdotool type --delay 80 "x"; sleep 0.3
kill $terminal
wait $terminal 2>/dev/null || true

# A board printing a sine and a square wave, 50 lines a second, the window started on its device.
printf '[properties]\ncommport=1\nsettings="115200,n,8,1"\n' >"$config/Tavro Terminal.ini"
cat >"$config/board.py" <<'PY'
import math, time
n = 0
while True:
    print("sine:%.3f square:%d" % (math.sin(n / 20), 1 if n // 60 % 2 else -1), end="\r\n")
    n += 1
    time.sleep(0.02)
PY
socat PTY,link="$config/board",rawer EXEC:"python3 -u $config/board.py" &
board=$!
until [ -e "$config/board" ]; do sleep 0.05; done
XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config "$binary" "$config/board" 2>/dev/null &
terminal=$!
until window=$(xdotool search --onlyvisible --name '^Terminal$' 2>/dev/null); do sleep 0.05; done
xdotool windowsize --sync "$window" 800 600
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+v; sleep 0.3; xdotool key p; sleep 6      # View > Plot
xdotool mousemove $((X + 500)) $((Y + 420)); sleep 0.5                       # the values under the pointer
shot plot.png
kill $terminal
wait $terminal 2>/dev/null || true
