#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Network ports through Debian's ser2net on loopback, started here with a configuration of its own
# (never the system's service): Tavro Terminal receiving over rfc2217:// paced like a 921600-baud
# line (its CPU share), at full speed beside a raw socat client reading through the same server,
# and a key's echo round trip through it. Prints CPU share or rate, peak memory, and round trips.
#   bench/network-side-by-side.sh [MB at full speed]   (needs: ser2net socat xvfb xauth xdotool;
#   the build in build/, whose bench/rxmeter measures)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
# The server's ports, the same in the runs of this script that serve.
export NETBENCH_PORT=${NETBENCH_PORT:-$((20000 + $$ % 20000))}
telnetPort=$NETBENCH_PORT
rawPort=$((telnetPort + 1))

# ser2net serving DEVICE over both kinds of port, until the client command ends or is told to end.
if [ "${1:-}" = --serve ]; then
    device=$2
    shift 2
    config=$(mktemp --suffix=.yaml) # ser2net reads YAML only from a name ending so
    for accepter in "telnet(rfc2217),tcp,127.0.0.1,$telnetPort" "tcp,127.0.0.1,$rawPort"; do
        printf 'connection: &c%s\n  accepter: %s\n  connector: serialdev,%s,921600n81,local\n' \
            "${accepter##*,}" "$accepter" "$device" >>"$config"
    done
    "$ser2net" -n -u -c "$config" -P "$config.pid" >/dev/null 2>&1 &
    server=$!
    client=
    trap 'kill $client $server 2>/dev/null || true; wait $client $server 2>/dev/null || true; rm -f "$config" "$config.pid"' EXIT
    for _ in $(seq 100); do
        [ "$(ss -ltnH "( sport = :$telnetPort or sport = :$rawPort )" | wc -l)" = 2 ] && break
        sleep 0.05
    done
    "$@" &
    client=$!
    wait $client
    exit
fi

mb=${1:-32}
terminal=${TAVRO_TERMINAL:-$here/../build/tavro-terminal}
rxmeter=${RXMETER:-$here/../build/bench/rxmeter}
echo=${ECHO_BENCH:-$here/../build/bench/bench_network_echo}
for binary in "$terminal" "$rxmeter" "$echo" "$ser2net"; do
    [ -x "$binary" ] || { echo "build first, and install ser2net (wanted $binary)" >&2; exit 2; }
done
url=rfc2217://127.0.0.1:$telnetPort
tavro() { xvfb-run -a "$rxmeter" --display Xvfb --measure tavro-terminal "$@" -- "$0" --serve {dev} "$here/tavro-on-device.sh" "$url" "$terminal"; }
socat_client() { "$rxmeter" --measure socat "$@" -- "$0" --serve {dev} socat -u "tcp:127.0.0.1:$rawPort" /dev/null; }
tavro --rate 92160 --mb 0.9 --line 78 --name "tavro-terminal over $url, 921600 baud, 78-character lines"
tavro --mb "$mb" --name "tavro-terminal over $url, full speed"
socat_client --mb "$mb" --name "socat, raw TCP through the same server, full speed"

# The echo: a board that sends back what it gets, behind the same kind of server.
board=$(mktemp -u)
socat "pty,raw,echo=0,link=$board" exec:cat &
echoer=$!
trap 'kill $echoer 2>/dev/null' EXIT
for _ in $(seq 100); do [ -e "$board" ] && break; sleep 0.05; done
for kind in rfc2217 socket; do
    port=$([ $kind = rfc2217 ] && echo "$telnetPort" || echo "$rawPort")
    "$0" --serve "$board" "$echo" "$kind://127.0.0.1:$port" 200
done
