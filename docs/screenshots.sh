#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Retakes the README's two screenshots on a virtual display: the main window talking to the
# simulated board, and programming mode listing the chip's data memory.
#   docs/screenshots.sh [TERMINAL-BINARY]      (needs: xvfb xauth xdotool imagemagick)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=${1:-$here/../build/tavro-terminal}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$binary"; fi

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
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
