#!/usr/bin/env bash
# check-units.sh <folder of the configured units> <built program>
# The user timer and service as systemd reads them, the service pointed at
# the built program (the installed one may not be there yet).
set -euo pipefail
units=$1
program=$2
command -v systemd-analyze >/dev/null || { echo "systemd-analyze is not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$units"/briosms-send-due.timer "$work/"
sed "s|^ExecStart=[^ ]*|ExecStart=$program|" "$units"/briosms-send-due.service >"$work/briosms-send-due.service"
grep -q "^ExecStart=$program send --due$" "$work/briosms-send-due.service" || { echo "the service does not run send --due"; exit 1; }
grep -q '^WantedBy=timers.target$' "$work/briosms-send-due.timer" || { echo "the timer cannot be enabled"; exit 1; }
sed "s|^ExecStart=[^ ]*|ExecStart=$program|" "$units"/briosms-reports.service >"$work/briosms-reports.service"
grep -q "^ExecStart=$program reports$" "$work/briosms-reports.service" || { echo "the service does not run reports"; exit 1; }
mkdir -p -m 700 "${XDG_RUNTIME_DIR:?}"
systemd-analyze verify --user --man=no "$work/briosms-send-due.timer" "$work/briosms-send-due.service" \
    "$work/briosms-reports.service"
echo "units ok"
