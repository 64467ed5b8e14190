#!/usr/bin/env bash
# What a command-line run says became of its job, against the private CUPS scheduler: printed,
# waiting in the queue (with its cause, remedy and way out), or failed.
#
#   outcome_test.sh PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE
#
# Each case makes its own queue, which it removes with its jobs at the end.
(($# == 4)) || { echo "usage: $0 PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE" >&2; exit 2; }
readonly PROGRAM=$1 SPOOLER=$2 SPOOLER_DIR=$3 CASE=$4
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
readonly QUEUE=ks-outcome-${CASE//_/-}
on_exit() { lpadmin -x "$QUEUE" 2>/dev/null; }

chmod 755 "$WORK"  # the scheduler's backends run as lp
use_spooler "$SPOOLER_DIR"
FAKE_PRINTER_URI=$(lpstat -v Kestrel-Raw | sed 's/^[^:]*: //')
[[ $FAKE_PRINTER_URI == socket://* ]] || fail "no fake printer behind Kestrel-Raw"

# case | device | lpadmin options | after creating | exit status | line on standard error
#   ($Q stands for the queue, $J for the job's number)
CASES=(
    "healthy|$FAKE_PRINTER_URI|||0|$EXECUTED"
    "paused|$FAKE_PRINTER_URI||cupsdisable|3|the queue \"\$Q\" is paused; it prints when resumed: cupsenable \$Q"
    "silent_printer|socket://127.0.0.1:9|||3|the printer at socket://127.0.0.1:9 does not answer"
    "holding|$FAKE_PRINTER_URI|-o job-hold-until-default=indefinite||3|job \$J is held until it is released: lp -i \$J -H resume"
    "aborting|socket://127.0.0.1:9/?contimeout=1|-o printer-error-policy=abort-job||1|$JOB_FAILED"
)

row=""
for candidate in "${CASES[@]}"; do
    [[ ${candidate%%|*} == "$CASE" ]] && row=$candidate
done
[[ -n $row ]] || fail "no such case"
IFS='|' read -r _ device options after status line <<<"$row"

# shellcheck disable=SC2086 # the options are words
lpadmin -p "$QUEUE" -E -v "$device" -o job-sheets-default=none,none $options ||
    fail "could not make the queue"
[[ -n $after ]] && { "$after" "$QUEUE" || fail "$after failed"; }
remember_printer "$QUEUE"
printf 'data' >"$WORK/file.prn"

# A bound on the run, not a measure of it: the watch lasts 10 s at the most.
RUN_BOUND=30 run_program "$WORK/file.prn"
expect_status "$status"

job=$(newest_job "$QUEUE")
expected=${line//\$Q/$QUEUE}
expect_line "${expected//\$J/$job}"
((status == 0)) || expect_no_line "$EXECUTED"

# A waiting job is left in the queue and says how to remove it; nothing else is left.
left=$(lpstat -W not-completed -o "$QUEUE" | grep -c "^$QUEUE-")
if ((status == 3)); then
    ((left == 1)) || fail "$left jobs in the queue, expected the waiting one"
    expect_line "to remove it instead: cancel $job"
else
    ((left == 0)) || fail "a job is left in the queue"
fi
# Told to wait for the printer, a run gives up on a paused queue at its timeout.
if [[ $CASE == paused ]]; then
    run_program --wait --timeout 3 "$WORK/file.prn"
    expect_status 3
fi
echo "PASS [$CASE]"
