#!/usr/bin/env bash
# Runs a command against a private Xvfb server on a free display number, and stops that
# server afterwards. The command is bounded in time (QUELLORN_XVFB_TIMEOUT seconds, 300
# by default) so a test that waits for an event that never comes cannot hang the suite.
set -euo pipefail

if [[ $# -eq 0 ]]; then
    echo "usage: with-xvfb.sh COMMAND [ARGS...]" >&2
    exit 2
fi

fifo_dir=$(mktemp -d)
trap 'rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"

# -displayfd: the server picks a free number itself and writes it once it accepts clients.
# -noreset: the tests connect and disconnect often; a server that resets whenever its last
# client leaves would refuse the next one meanwhile.
# Room for the editor at twice its size (1008 x 984) in a parent of the tests.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo_dir/display" 2>"$fifo_dir/log" &
xvfb_pid=$!
stop_server() {
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$fifo_dir"
}
trap stop_server EXIT

if ! read -r -t 30 number <"$fifo_dir/display"; then
    echo "with-xvfb.sh: Xvfb did not start:" >&2
    cat "$fifo_dir/log" >&2
    exit 1
fi

export DISPLAY=":$number"
timeout --kill-after=10 "${QUELLORN_XVFB_TIMEOUT:-300}" "$@"
