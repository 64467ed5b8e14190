#!/usr/bin/env bash
# Kestrelspooler.exe under Wine and Xvfb in command-line mode against the private CUPS scheduler:
# a quoted path with spaces printed to the queue without a driver arrives unchanged as the job
# "Command Print" and says "Executed!"; an unknown printer name says so and sends nothing.
# Usage: end_to_end_test.sh Kestrelspooler.exe PROBE.exe ANSWER.exe ARTEFACT_DIR
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
APP=$1 PROBE=$2 ANSWER=$3 ARTEFACTS=$4
mkdir -p "$ARTEFACTS"

new_prefix
start_spooler
start_xvfb

folder="$WINEPREFIX/drive_c/path with spaces"
mkdir -p "$folder"
write_printer_data "$folder/fw.bin" 200000

# Runs the program on the file with the remembered printer NAME; answers its message box
# captioned CAPTION; leaves the box's lines in $WORK/NAME.box and prints the exit status.
print_with() {  # case printer caption
    local case=$1 printer=$2 caption=$3 pid status=0
    check_eq "$case: remember [$printer]" 0 "$(run_wine "$case-save" "$PROBE" settings-save "$printer")"
    wine "$APP" 'C:\path with spaces\fw.bin' </dev/null >"$WORK/$case.out" 2>"$WORK/$case.err" &
    pid=$!
    # A look at the box as it stands, before it is answered.
    local i
    for ((i = 0; i < 300; i++)); do
        xwininfo -root -tree >"$WORK/$case.windows" 2>&1
        grep -qF "\"$caption\"" "$WORK/$case.windows" && break
        sleep 0.1
    done
    sleep 0.5  # mapped is not yet painted
    import -window root "$ARTEFACTS/$case.png" 2>/dev/null || true
    run_wine "$case-box" "$ANSWER" "$caption" 30 >/dev/null
    # The program ends by itself once answered; give up on it after a bounded wait.
    for ((i = 0; i < 300; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && { fail "$case: the program did not end"; kill "$pid"; }
    wait "$pid" || status=$?
    echo "$status" >"$WORK/$case.status"
}

# 1. The raw queue: bytes unchanged, the job's name, "Executed!", exit status 0.
print_with printed "Kestrel-Raw" "Message"
check_eq "printed: message box" "caption: Message
text: Executed!
buttons: OK
icon: no" "$(cat "$WORK/printed-box.out")"
check_eq "printed: exit status" 0 "$(cat "$WORK/printed.status")"
if wait_for_jobs 1; then
    job=$(find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | sort | head -n 1)
    if cmp -s "$folder/fw.bin" "$job"; then pass "printed: bytes arrived unchanged"
    else fail "printed: the printer received $(stat -c %s "$job") bytes that differ from the file's $(stat -c %s "$folder/fw.bin")"; fi
else
    fail "printed: no job reached the printer"
fi
check_eq "printed: one job named Command Print" "Command Print" "$(spooler_job_names)"

# 2. A printer name that is not installed: the message, exit status 1, no job anywhere.
jobs_before=$(find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | wc -l)
print_with unknown "Kestrel-Nowhere" "Kestrelspooler"
check_eq "unknown: message box" "caption: Kestrelspooler
text: The Printer Name you typed wasn't recognized.
buttons: OK
icon: no" "$(cat "$WORK/unknown-box.out")"
check_eq "unknown: exit status" 1 "$(cat "$WORK/unknown.status")"
sleep 1
check_eq "unknown: no job reached the printer" "$jobs_before" "$(find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | wc -l)"
check_eq "unknown: the scheduler has no new job" "Command Print" "$(spooler_job_names)"
check_eq "unknown: no job on any queue" "" "$(lpstat -W all -o | grep -v '^Kestrel-Raw-1 ' || true)"

finish
