#!/usr/bin/env bash
# The built program printing to a printer by its address, in command-line mode without a
# display: to fake AppSocket printers on 127.0.0.1, and to a queue of the private scheduler
# through its IPP address.
#
#   address_test.sh PROGRAM FAKE_PRINTER SPOOLER_SCRIPT SPOOLER_DIR CASE
#
# CASE: socket (the bytes, then the same port closed), socket_broken (closed in the middle,
# then stalled), ipp_queue.
(($# == 5)) || { echo "usage: $0 PROGRAM FAKE_PRINTER SPOOLER_SCRIPT SPOOLER_DIR CASE" >&2; exit 2; }
readonly PROGRAM=$1 FAKE_PRINTER=$2 SPOOLER=$3 SPOOLER_DIR=$4 CASE=$5
# shellcheck source=../e2e/lib.sh
source "$(dirname "$0")/../e2e/lib.sh"
PRINTER_PID=""
stop_printer() {
    [[ -n $PRINTER_PID ]] && kill "$PRINTER_PID" 2>/dev/null && wait "$PRINTER_PID" 2>/dev/null
    PRINTER_PID=""
}
on_exit() { stop_printer; }

# A fake printer on a free port of 127.0.0.1, behaving as its options say; its port in PORT,
# its jobs in KS_SPOOLER_JOBS.
start_printer() {  # options...
    export KS_SPOOLER_JOBS=$WORK/jobs
    mkdir -p "$KS_SPOOLER_JOBS"
    rm -f "$WORK/port"
    "$FAKE_PRINTER" --port 0 --jobs "$KS_SPOOLER_JOBS" --port-file "$WORK/port" "$@" 2>"$WORK/printer.log" &
    PRINTER_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        [[ -s $WORK/port ]] && break
        sleep 0.1
    done
    [[ -s $WORK/port ]] || fail "the fake printer did not start"
    PORT=$(<"$WORK/port")
    remember_printer "socket://127.0.0.1:$PORT"
}

case $CASE in
    socket)
        start_printer
        write_printer_data "$WORK/label.prn" 3000000
        before=$(job_files)
        run_program "$WORK/label.prn"
        expect_status 0
        expect_line "$EXECUTED"
        expect_job_bytes "$before" "$WORK/label.prn"
        # A port where a printer listened a moment ago: nothing listens there now.
        stop_printer
        run_program "$WORK/label.prn"
        expect_status 1
        expect_line "$NOT_RECOGNIZED"
        expect_line "could not connect to socket://127.0.0.1:$PORT: the connection was refused (nothing listens on that port)"
        ;;
    socket_broken)
        # A printer that closes the connection in the middle: the failure with how far it got.
        start_printer --close-after 100000
        head -c 16000000 /dev/urandom >"$WORK/big.prn"
        run_program "$WORK/big.prn"
        expect_status 1
        expect_line "$JOB_FAILED"
        expect_line_matching "the printer at socket://127\.0\.0\.1:$PORT closed the connection after [0-9,]+ of 16,000,000 bytes"
        # One that never reads, with more than the socket buffers hold: its silence stops the send.
        stop_printer
        start_printer --never-read
        head -c 64000000 /dev/zero >"$WORK/big.prn"
        KESTRELSPOOLER_DEADLINES=stall=2 run_program "$WORK/big.prn"
        expect_status 1
        expect_line "$JOB_FAILED"
        expect_line_matching "the printer at socket://127\.0\.0\.1:$PORT took no byte for 2 s after [0-9,]+ of 64,000,000 bytes"
        expect_line_matching "the connection to socket://127\.0\.0\.1:$PORT was closed; the printer had already taken [0-9,]+ bytes, which a raw socket cannot take back"
        ;;
    ipp_queue)
        use_spooler "$SPOOLER_DIR"
        # The scheduler is reached by its address alone, as a network printer would be; lpstat
        # below asks it by its address too.
        unset CUPS_SERVER
        write_printer_data "$WORK/fw.bin" 500000
        before=$(job_files)
        remember_printer "ipp://$KS_SPOOLER_ADDRESS/printers/Kestrel-Dymo"
        run_program "$WORK/fw.bin"
        expect_status 0
        expect_line "$EXECUTED"
        # The driver queue passes the bytes on unchanged only as a raw job.
        expect_job_bytes "$before" "$WORK/fw.bin"
        title=$(CUPS_SERVER=$KS_SPOOLER_ADDRESS newest_job_title Kestrel-Dymo)
        [[ $title == "Command Print" ]] || fail "the job is named [$title]"
        ;;
    *) fail "unknown case" ;;
esac
echo "ok [$CASE]"
