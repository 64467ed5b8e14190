#!/usr/bin/env bash
# What a command-line run says became of its job, against the private CUPS scheduler: printed,
# waiting in the queue (with its cause, remedy and way out), or failed.
#
#   outcome_test.sh PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE
#
# Each case makes its own queue, which it removes with its jobs at the end.
set -uo pipefail

(($# == 4)) || { echo "usage: $0 PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE" >&2; exit 2; }
readonly PROGRAM=$1 SPOOLER=$2 SPOOLER_DIR=$3 CASE=$4

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ks-outcome.XXXXXX")
readonly QUEUE=ks-outcome-${CASE//_/-}
cleanup() {
    lpadmin -x "$QUEUE" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL [$CASE]: $*" >&2
    [[ -f $WORK/stderr ]] && { echo "--- stderr:" >&2; head -c 4000 "$WORK/stderr" >&2; }
    exit 1
}

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM LPDEST PRINTER
export PATH=$PATH:/usr/sbin
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Kestrelspooler"
chmod 755 "$WORK"  # the scheduler's backends run as lp
while IFS= read -r line; do export "${line?}"; done < <("$SPOOLER" env "$SPOOLER_DIR") ||
    fail "no private spooler in $SPOOLER_DIR"
FAKE_PRINTER_URI=$(lpstat -v Kestrel-Raw | sed 's/^[^:]*: //')
[[ $FAKE_PRINTER_URI == socket://* ]] || fail "no fake printer behind Kestrel-Raw"

# case | device | lpadmin options | after creating | file bytes | exit status | line on standard error
#   (a line starting with ~ is a pattern; $Q stands for the queue, $J for the job's number)
CASES=(
    "healthy|$FAKE_PRINTER_URI|||data|0|Message: Executed!"
    "paused|$FAKE_PRINTER_URI||cupsdisable|data|3|the queue \"\$Q\" is paused; it prints when resumed: cupsenable \$Q"
    "silent_printer|socket://127.0.0.1:9|||data|3|the printer at socket://127.0.0.1:9 does not answer"
    "holding|$FAKE_PRINTER_URI|-o job-hold-until-default=indefinite||data|3|job \$J is held until it is released: lp -i \$J -H resume"
    "aborting|socket://127.0.0.1:9/?contimeout=1|-o printer-error-policy=abort-job||data|1|Kestrelspooler: The print job failed and was cancelled."
    "empty_file|$FAKE_PRINTER_URI||||1|the scheduler accepts no empty document; nothing was printed"
)

row=""
for candidate in "${CASES[@]}"; do
    [[ ${candidate%%|*} == "$CASE" ]] && row=$candidate
done
[[ -n $row ]] || fail "no such case"
IFS='|' read -r _ device options after bytes status line <<<"$row"

# shellcheck disable=SC2086 # the options are words
lpadmin -p "$QUEUE" -E -v "$device" -o job-sheets-default=none,none $options ||
    fail "could not make the queue"
[[ -n $after ]] && { "$after" "$QUEUE" || fail "$after failed"; }
printf '[STARTUP]\nDrucker=%s\n' "$QUEUE" >"$XDG_CONFIG_HOME/Kestrelspooler/Kestrelspooler.conf"
printf '%s' "$bytes" >"$WORK/file.prn"

# A bound on the run, not a measure of it: the watch lasts 10 s at the most.
timeout 30 "$PROGRAM" "$WORK/file.prn" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
STATUS=$?
((STATUS != 124)) || fail "the program did not end within 30 s"
((STATUS == status)) || fail "exit status $STATUS, expected $status"

job=$(lpstat -W all -o "$QUEUE" | sed -n "s/^$QUEUE-\([0-9]*\) .*/\1/p" | sort -n | tail -n 1)
expected=${line//\$Q/$QUEUE}
expected=${expected//\$J/$job}
grep -qxF -- "$expected" "$WORK/stderr" || fail "standard error lacks the line: $expected"
! grep -qxF "Message: Executed!" "$WORK/stderr" || ((status == 0)) || fail "it said Executed!"

# A waiting job is left in the queue and says how to remove it; nothing else is left.
left=$(lpstat -W not-completed -o "$QUEUE" | grep -c "^$QUEUE-")
if ((status == 3)); then
    ((left == 1)) || fail "$left jobs in the queue, expected the waiting one"
    grep -qxF "to remove it instead: cancel $job" "$WORK/stderr" || fail "no way out is named"
else
    ((left == 0)) || fail "a job is left in the queue"
fi
echo "PASS [$CASE]"
