#!/usr/bin/env bash
# kannel-test.sh start|stop <workdir>
#
# Runs a real Kannel (bearerbox, smsbox, fake SMSC) for the end-to-end tests
# and benchmarks, on 127.0.0.1 and on four ports free at start. "start" writes
# <workdir>/kannel.conf and <workdir>/ports (SENDSMS_PORT=... lines) and stops
# whatever it started when the start fails; "stop" stops exactly the processes
# start-kannel.sh recorded in <workdir>.
# Without Kannel installed, "start" writes <workdir>/unavailable and succeeds,
# so that the tests can skip, except under CI, where it fails.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -eq 2 ] || { echo "usage: $0 start|stop <workdir>" >&2; exit 2; }
work=$2

case $1 in
stop)
    [ -d "$work" ] || exit 0
    exec "$here/stop-kannel.sh" "$work"
    ;;
start) ;;
*) echo "usage: $0 start|stop <workdir>" >&2; exit 2 ;;
esac

mkdir -p "$work" || exit 1
rm -f "$work/unavailable" "$work/ports" "$work/fakesmsc.log"
if ! command -v bearerbox >/dev/null && [ ! -x /usr/sbin/bearerbox ] || [ ! -x /usr/lib/kannel/test/fakesmsc ]; then
    if [ "${CI:-}" = true ]; then
        echo "Kannel is not installed (packages kannel, kannel-extras)" >&2
        exit 1
    fi
    echo "Kannel is not installed: the Kannel tests are skipped" >&2
    touch "$work/unavailable"
    exit 0
fi

listening() {
    local hex
    hex=$(printf ':%04X' "$1")
    awk -v p="$hex" '$4 == "0A" && substr($2, length($2) - 4) == p { f = 1 } END { exit !f }' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

for attempt in 1 2 3 4 5; do
    base=$(( 20000 + (RANDOM % 2400) * 4 ))  # below the ephemeral range
    busy=0
    for p in $base $((base + 1)) $((base + 2)) $((base + 3)); do
        listening "$p" && busy=1
    done
    [ $busy -eq 0 ] || continue
    sed -e "s/@ADMIN_PORT@/$base/" -e "s/@BOX_PORT@/$((base + 1))/" \
        -e "s/@FAKE_PORT@/$((base + 2))/" -e "s/@SENDSMS_PORT@/$((base + 3))/" \
        "$here/kannel.conf.in" >"$work/kannel.conf" || exit 1
    if KANNEL_CONF=$work/kannel.conf "$here/start-kannel.sh" "$work"; then
        {
            echo "ADMIN_PORT=$base"
            echo "SENDSMS_PORT=$((base + 3))"
        } >"$work/ports"
        exit 0
    fi
    echo "kannel-test: start attempt $attempt failed" >&2
done
exit 1
