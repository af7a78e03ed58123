#!/usr/bin/env bash
# start-kannel.sh <workdir>
#
# Starts Kannel bearerbox, the fakesmsc test SMSC and smsbox in the background,
# all bound to 127.0.0.1, using the configuration KANNEL_CONF (kannel-test.sh
# writes it with free ports). Logs and pid files go to <workdir>:
#   bearerbox.pid fakesmsc.pid smsbox.pid
#   bearerbox.log bearerbox-access.log smsbox.log smsbox-access.log
#   fakesmsc.log (every MT message as "Got message N: <from to type data>")
#   startup-times.txt
# Waits until the sendsms port answers HTTP and the fake SMSC and smsbox are
# on-line in bearerbox's status page (limit STARTUP_TIMEOUT seconds, default 30).
# Exit status 0 on success; on failure it stops whatever it started.
set -u

if [ $# -lt 1 ]; then
    echo "usage: $0 <workdir>" >&2
    exit 2
fi
mkdir -p "$1" || exit 1
work=$(cd "$1" && pwd)
conf=${KANNEL_CONF:?KANNEL_CONF must name the configuration}
case $conf in /*) ;; *) conf=$(pwd)/$conf ;; esac
bearerbox=${BEARERBOX:-$(command -v bearerbox || echo /usr/sbin/bearerbox)}
smsbox=${SMSBOX:-$(command -v smsbox || echo /usr/sbin/smsbox)}
# FAKESMSC empty: the SMSC of the configuration is started by the caller.
fakesmsc=${FAKESMSC-/usr/lib/kannel/test/fakesmsc}
smsc_online=${SMSC_ONLINE:-FAKE:.*online}
timeout=${STARTUP_TIMEOUT:-30}

for b in "$bearerbox" "$smsbox" ${fakesmsc:+"$fakesmsc"}; do
    [ -x "$b" ] || { echo "missing executable: $b (install kannel kannel-extras)" >&2; exit 1; }
done
[ -r "$conf" ] || { echo "missing configuration: $conf" >&2; exit 1; }

# conf_get KEY [GROUP]: first value of KEY (inside "group = GROUP" if given)
conf_get() {
    awk -v key="$1" -v grp="${2:-}" '
        /^[ \t]*#/ { next }
        /^[ \t]*group[ \t]*=/ { g = $0; sub(/^[^=]*=[ \t]*/, "", g); gsub(/[ \t"]/, "", g); next }
        {
            k = $0; sub(/[ \t]*=.*/, "", k); gsub(/[ \t]/, "", k)
            if (k == key && (grp == "" || g == grp)) {
                v = $0; sub(/^[^=]*=[ \t]*/, "", v); gsub(/[ \t"]/, "", v); print v; exit
            }
        }' "$conf"
}
admin_port=$(conf_get admin-port core)
fake_port=$(conf_get port smsc)
sendsms_port=$(conf_get sendsms-port smsbox)
status_pw=$(conf_get status-password core)
[ -n "$status_pw" ] || status_pw=$(conf_get admin-password core)
for v in admin_port fake_port sendsms_port; do
    [ -n "${!v}" ] || { echo "cannot read $v from $conf" >&2; exit 1; }
done

# listening PORT: true if something listens on TCP PORT (reads /proc, no connect)
listening() {
    local hex
    hex=$(printf ':%04X' "$1")
    awk -v p="$hex" '$4 == "0A" && substr($2, length($2) - 4) == p { f = 1 } END { exit !f }' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null
}
# alive PID: process exists and is not a zombie (kill -0 alone succeeds on zombies)
alive() {
    local st
    [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null || return 1
    st=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -n "$st" ] && [ "$st" != Z ] && [ "$st" != X ]
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
http_get() {  # http_get URL -> prints body, fails if no HTTP answer
    if command -v curl >/dev/null 2>&1; then
        curl -s -m 2 "$1"
    else
        local hp=${1#http://}; hp=${hp%%/*}; local path=/${1#http://*/}
        exec 9<>"/dev/tcp/${hp%:*}/${hp#*:}" || return 1
        printf 'GET %s HTTP/1.0\r\nHost: %s\r\n\r\n' "$path" "$hp" >&9
        timeout 2 cat <&9; local rc=$?; exec 9<&-; return $rc
    fi
}

for name in bearerbox fakesmsc smsbox; do
    pid=$(cat "$work/$name.pid" 2>/dev/null)
    if alive "$pid" && [ "$(basename "$(readlink "/proc/$pid/exe" 2>/dev/null)")" = "$name" ]; then
        echo "$name already running (pid $(cat "$work/$name.pid")); run stop-kannel.sh $work first" >&2
        exit 1
    fi
    rm -f "$work/$name.pid"
done
for p in "$admin_port" ${fakesmsc:+"$fake_port"} "$sendsms_port" "$(conf_get smsbox-port core)"; do
    if [ -n "$p" ] && listening "$p"; then
        echo "port $p on this host is already in use" >&2
        exit 1
    fi
done

cd "$work" || exit 1
pids=()
fail() {
    echo "start-kannel: $*" >&2
    for p in "${pids[@]}"; do alive "$p" && kill -TERM "$p" 2>/dev/null; done
    sleep 1
    for p in "${pids[@]}"; do alive "$p" && kill -KILL "$p" 2>/dev/null; done
    rm -f "$work"/bearerbox.pid "$work"/fakesmsc.pid "$work"/smsbox.pid
    echo "see logs in $work" >&2
    exit 1
}
# wait_for DESCRIPTION COMMAND...: poll every 50 ms until COMMAND succeeds
wait_for() {
    local what=$1; shift
    local deadline=$(( $(date +%s) + timeout ))
    until "$@" >/dev/null 2>&1; do
        for p in "${pids[@]}"; do alive "$p" || fail "process $p died while waiting for $what"; done
        [ "$(date +%s)" -lt "$deadline" ] || fail "timeout waiting for $what"
        sleep 0.05
    done
}

t0=$(now)
# -v 2: only warnings and errors on stderr; the log-file level is set in kannel.conf.
"$bearerbox" -v 2 "$conf" >bearerbox.stderr 2>&1 </dev/null &
pids+=($!); echo $! >bearerbox.pid
wait_for "fake SMSC port $fake_port" listening "$fake_port"
wait_for "box port" listening "$(conf_get smsbox-port core)"
t_bb=$(elapsed "$t0")

# -m 0: send no MO messages, only receive; -v 0 prints each received message.
if [ -n "$fakesmsc" ]; then
    "$fakesmsc" -v 0 -H 127.0.0.1 -r "$fake_port" -i 0 -m 0 "0 0 text unused" >fakesmsc.log 2>&1 </dev/null &
    pids+=($!); echo $! >fakesmsc.pid
fi

"$smsbox" -v 2 "$conf" >smsbox.stderr 2>&1 </dev/null &
pids+=($!); echo $! >smsbox.pid

wait_for "sendsms port $sendsms_port" http_get "http://127.0.0.1:$sendsms_port/"
t_http=$(elapsed "$t0")

status_ok() {
    local s
    s=$(http_get "http://127.0.0.1:$admin_port/status.txt?password=$status_pw") || return 1
    grep -q "$smsc_online" <<<"$s" && grep -q 'smsbox.*on-line' <<<"$s"
}
wait_for "fake SMSC and smsbox on-line in bearerbox status" status_ok
t_ready=$(elapsed "$t0")

{
    echo "bearerbox_listening_s=$t_bb"
    echo "sendsms_answers_s=$t_http"
    echo "all_online_s=$t_ready"
} >startup-times.txt
echo "kannel started in $work: bearerbox=$(cat bearerbox.pid) fakesmsc=$(cat fakesmsc.pid 2>/dev/null)" \
     "smsbox=$(cat smsbox.pid); sendsms http://127.0.0.1:$sendsms_port/cgi-bin/sendsms" \
     "(answers after ${t_http}s, all on-line after ${t_ready}s)"
