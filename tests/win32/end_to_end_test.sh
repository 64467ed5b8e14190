#!/usr/bin/env bash
# Kestrelspooler.exe under Wine and Xvfb in command-line mode against the private CUPS scheduler:
# a quoted path with spaces printed to the queue without a driver arrives unchanged as the job
# "Command Print" and says "Executed!"; an unknown printer name says so and sends nothing; three
# quoted paths on one command line, as Explorer's Send To passes them, print three jobs in that
# order and one "Executed!". Each box is read whole: its text, a blank line, then its detail lines.
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

# Runs the program on the FILES (fw.bin unless told) with the remembered printer NAME; answers its
# message box captioned CAPTION; leaves the box's lines in $WORK/NAME-box.out and the exit status in
# APP_STATUS. Wine quotes each path on the program's one command line, as Explorer does.
print_with() {  # case printer caption [files...]
    local case=$1 printer=$2 caption=$3
    shift 3
    (($#)) || set -- 'C:\path with spaces\fw.bin'
    check_eq "$case: remember [$printer]" 0 "$(run_wine "$case-save" "$PROBE" settings-save "$printer")"
    wine "$APP" "$@" </dev/null >"$WORK/$case.out" 2>"$WORK/$case.err" &
    APP_PID=$!
    # A look at the box as it stands, before it is answered.
    wait_for_window "$caption"
    sleep 0.5  # mapped is not yet painted
    import -window root "$ARTEFACTS/$case.png" 2>/dev/null || true
    run_wine "$case-box" "$ANSWER" "$caption" 30 >/dev/null
    app_status
}

# 1. The raw queue: bytes unchanged, the job's name, "Executed!", exit status 0.
print_with printed "Kestrel-Raw" "Message"
check_eq "printed: message box" "caption: Message
text: Executed!

Job 1 has left the queue of the printer \"Kestrel-Raw\": the spooler has passed it on.
buttons: OK
icon: no" "$(cat "$WORK/printed-box.out")"
check_eq "printed: exit status" 0 "$APP_STATUS"
expect_job printed 1 "$folder/fw.bin"
check_eq "printed: one job named Command Print" "Command Print" "$(spooler_job_names)"

# 2. A printer name that is not installed: the message, exit status 1, no job anywhere.
jobs_before=$(jobs_now | wc -l)
print_with unknown "Kestrel-Nowhere" "Kestrelspooler"
check_eq "unknown: message box" "caption: Kestrelspooler
text: The Printer Name you typed wasn't recognized.

No installed printer is named \"Kestrel-Nowhere\".
buttons: OK
icon: no" "$(cat "$WORK/unknown-box.out")"
check_eq "unknown: exit status" 1 "$APP_STATUS"
sleep 1
check_eq "unknown: no job reached the printer" "$jobs_before" "$(jobs_now | wc -l)"
check_eq "unknown: the scheduler has no new job" "Command Print" "$(spooler_job_names)"
check_eq "unknown: no job on any queue" "" "$(lpstat -W all -o | grep -v '^Kestrel-Raw-1 ' || true)"

# 3. Send To with three files: three jobs in the order given, each unchanged, and one box. A
# second box would keep the program running past the first answer.
sent=()
for name in "third one" "first one" "second one"; do
    write_printer_data "$folder/$name.bin" 30000
    sent+=("C:\\path with spaces\\$name.bin")
done
print_with send-to "Kestrel-Raw" "Message" "${sent[@]}"
check_eq "send-to: one box" "caption: Message
text: Executed!

Job 1 has left the queue of the printer \"Kestrel-Raw\": the spooler has passed it on.
Job 2 has left the queue of the printer \"Kestrel-Raw\": the spooler has passed it on.
Job 3 has left the queue of the printer \"Kestrel-Raw\": the spooler has passed it on.
buttons: OK
icon: no" "$(cat "$WORK/send-to-box.out")"
check_eq "send-to: exit status after one box" 0 "$APP_STATUS"
for i in 0 1 2; do
    expect_job "send-to: file $((i + 1))" $((i + 2)) "$folder/${sent[$i]##*\\}"
done

finish
