#!/usr/bin/env bash
# dlr-test.sh start|stop <workdir>
#
# The chain of the delivery-report test, all on 127.0.0.1: a simulated
# operator SMSC (operator-smsc.js on node, with the npm package smpp installed
# into <workdir>/node), bearerbox and smsbox speaking SMPP to it. "start"
# writes <workdir>/ports (SENDSMS_PORT, RECEIVER_PORT: a free port for the
# program's receiver) and stops whatever it started when the start fails;
# "stop" stops exactly the processes it recorded.
# Without Kannel or node, "start" writes <workdir>/unavailable and succeeds,
# so that the test can skip, except under CI, where it fails.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# -eq 2 ] || { echo "usage: $0 start|stop <workdir>" >&2; exit 2; }
work=$2
smpp_version=0.5.1

ours_node() {
    local pid
    pid=$(tr -dc "0-9" 2>/dev/null <"$work/operator.pid")
    [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && [ "$(basename "$(readlink "/proc/$pid/exe" 2>/dev/null)")" = node ] \
        && echo "$pid"
}
stop_operator() {
    local pid
    pid=$(ours_node) || true
    if [ -n "$pid" ]; then
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        echo "operator (pid $pid) stopped"
    fi
    rm -f "$work/operator.pid"
}

case $1 in
stop)
    [ -d "$work" ] || exit 0
    rc=0
    "$here/stop-kannel.sh" "$work" || rc=1
    stop_operator
    exit $rc
    ;;
start) ;;
*) echo "usage: $0 start|stop <workdir>" >&2; exit 2 ;;
esac

mkdir -p "$work" || exit 1
work=$(cd "$work" && pwd)
rm -f "$work/unavailable" "$work/ports"
unavailable() {
    if [ "${CI:-}" = true ]; then
        echo "$1" >&2
        exit 1
    fi
    echo "$1: the delivery-report test is skipped" >&2
    touch "$work/unavailable"
    exit 0
}
{ command -v bearerbox >/dev/null || [ -x /usr/sbin/bearerbox ]; } || unavailable "Kannel is not installed"
command -v node >/dev/null && command -v npm >/dev/null || unavailable "node and npm are not installed"
if [ ! -f "$work/node/node_modules/smpp/package.json" ] \
    || ! grep -q "\"version\": \"$smpp_version\"" "$work/node/node_modules/smpp/package.json"; then
    npm install --prefix "$work/node" --no-audit --no-fund --no-save "smpp@$smpp_version" >"$work/npm.log" 2>&1 \
        || { cat "$work/npm.log" >&2; unavailable "npm could not install smpp@$smpp_version"; }
fi

listening() {
    local hex
    hex=$(printf ':%04X' "$1")
    awk -v p="$hex" '$4 == "0A" && substr($2, length($2) - 4) == p { f = 1 } END { exit !f }' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null
}

for attempt in 1 2 3 4 5; do
    base=$(( 20000 + (RANDOM % 2400) * 4 + 1 ))  # not the other fixture's ports
    busy=0
    for p in $base $((base + 1)) $((base + 2)) $((base + 3)) $((base + 4)); do
        listening "$p" && busy=1
    done
    [ $busy -eq 0 ] || continue
    smpp_port=$((base + 2))
    sed -e "s/@ADMIN_PORT@/$base/" -e "s/@BOX_PORT@/$((base + 1))/" \
        -e "s/@SMPP_PORT@/$smpp_port/" -e "s/@SENDSMS_PORT@/$((base + 3))/" \
        "$here/kannel-dlr.conf.in" >"$work/kannel.conf" || exit 1
    stop_operator
    node "$here/operator-smsc.js" "$work/node" "$smpp_port" 393470000009 >"$work/operator.log" 2>&1 </dev/null &
    echo $! >"$work/operator.pid"
    for _ in $(seq 100); do grep -q '^listening' "$work/operator.log" && break; sleep 0.1; done
    if ! grep -q '^listening' "$work/operator.log"; then
        echo "dlr-test: the operator did not start" >&2
        cat "$work/operator.log" >&2
        stop_operator
        continue
    fi
    # The fake SMSC of start-kannel.sh is not wanted here: its place is the operator.
    if KANNEL_CONF=$work/kannel.conf FAKESMSC= SMSC_ONLINE='SMPP:.*online' \
        "$here/start-kannel.sh" "$work"; then
        {
            echo "SENDSMS_PORT=$((base + 3))"
            echo "RECEIVER_PORT=$((base + 4))"
        } >"$work/ports"
        exit 0
    fi
    stop_operator
    echo "dlr-test: start attempt $attempt failed" >&2
done
exit 1
