#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Tavro Terminal on one device at 921600 baud with a throw-away configuration and opens
# the port through its menu, as a user would (CommPort > Port Open). Needs an X display
# (xvfb-run; no window manager needed) and xdotool. Ends the terminal when it is itself told to end.
# TAVRO_PLOT=1 starts it with View > Plot on.
#   tavro-on-device.sh DEVICE [TERMINAL-BINARY]
set -euo pipefail
device=$1
binary=${2:-$(dirname "$0")/../build/tavro-terminal}
config=$(mktemp -d)
mkdir -p "$config/Tavro Terminal"
printf '[Ports]\nCom1=%s\n' "$device" >"$config/Tavro Terminal/ports.ini"
printf '[properties]\ncommport=1\nsettings="921600,n,8,1"\n%s' "${TAVRO_PLOT:+plot=True$'\n'}" >"$config/Tavro Terminal.ini"
XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config "$binary" &
terminal=$!
trap 'kill $terminal 2>/dev/null; wait $terminal 2>/dev/null; rm -rf "$config"' EXIT
window=$(xdotool search --sync --onlyvisible --name '^Terminal$' | head -1)
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers alt+c
sleep 0.3
xdotool key o
wait $terminal
