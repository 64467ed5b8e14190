#!/usr/bin/env bash
# The built program printing to a printer by its address, in command-line mode without a
# display: to fake AppSocket printers on 127.0.0.1, and to a queue of the private scheduler
# through its IPP address.
#
#   address_test.sh PROGRAM FAKE_PRINTER SPOOLER_SCRIPT SPOOLER_DIR CASE
#
# CASE: socket_bytes, socket_refused, socket_stalled, socket_closed_mid_job, ipp_queue.
set -uo pipefail

(($# == 5)) || { echo "usage: $0 PROGRAM FAKE_PRINTER SPOOLER_SCRIPT SPOOLER_DIR CASE" >&2; exit 2; }
readonly PROGRAM=$1 FAKE_PRINTER=$2 SPOOLER=$3 SPOOLER_DIR=$4 CASE=$5

readonly EXECUTED="Message: Executed!"
readonly NOT_RECOGNIZED="Kestrelspooler: The Printer Name you typed wasn't recognized."
readonly JOB_FAILED="Kestrelspooler: The print job failed and was cancelled."

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ks-address.XXXXXX")
PRINTER_PID=""
cleanup() {
    [[ -n $PRINTER_PID ]] && kill "$PRINTER_PID" 2>/dev/null && wait "$PRINTER_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL [$CASE]: $*" >&2
    for f in "$WORK/stdout" "$WORK/stderr"; do
        [[ -f $f ]] && { echo "--- ${f##*/}:" >&2; head -c 4000 "$f" >&2; }
    done
    exit 1
}

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM LPDEST PRINTER KESTRELSPOOLER_DEADLINES
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Kestrelspooler" "$WORK/jobs"

remember_printer() { printf '[STARTUP]\nDrucker=%s\n' "$1" >"$XDG_CONFIG_HOME/Kestrelspooler/Kestrelspooler.conf"; }

# A fake printer on a free port of 127.0.0.1, behaving as its options say; its port in PORT.
start_printer() {  # options...
    rm -f "$WORK/port"
    "$FAKE_PRINTER" --port 0 --jobs "$WORK/jobs" --port-file "$WORK/port" "$@" 2>"$WORK/printer.log" &
    PRINTER_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do
        [[ -s $WORK/port ]] && break
        sleep 0.1
    done
    [[ -s $WORK/port ]] || fail "the fake printer did not start"
    PORT=$(<"$WORK/port")
}

stop_printer() {
    kill "$PRINTER_PID" && wait "$PRINTER_PID"
    PRINTER_PID=""
}

run_program() {
    timeout 120 "$PROGRAM" "$@" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
    STATUS=$?
    ((STATUS != 124)) || fail "the program did not end within 120 s"
}
expect_status() { ((STATUS == $1)) || fail "exit status $STATUS, expected $1"; }
expect_line() { grep -qxF -- "$1" "$WORK/stderr" || fail "standard error lacks the line: $1"; }
expect_line_matching() { grep -qxE -- "$1" "$WORK/stderr" || fail "standard error has no line like: $1"; }

# Every byte value, line ends of both kinds, a Ctrl-Z and a NUL, then SIZE random bytes.
write_printer_data() {  # file size
    local i
    {
        for ((i = 0; i < 256; i++)); do printf "\\x$(printf %02x "$i")"; done
        printf '\x1b%%-12345X@PJL\r\nfirmware\n\x1a\x00end'
        head -c "$2" /dev/urandom
    } >"$1"
}

case $CASE in
    socket_bytes)
        start_printer
        write_printer_data "$WORK/label.prn" 3000000
        remember_printer "socket://127.0.0.1:$PORT"
        run_program "$WORK/label.prn"
        expect_status 0
        expect_line "$EXECUTED"
        # The printer stores a job once the connection has ended.
        for ((i = 0; i < 100; i++)); do [[ -e $WORK/jobs/job-0001.bin ]] && break; sleep 0.1; done
        [[ -e $WORK/jobs/job-0001.bin ]] || fail "the printer stored no complete job: $(ls "$WORK/jobs")"
        cmp -s "$WORK/jobs/job-0001.bin" "$WORK/label.prn" || fail "the printer received other bytes"
        ;;
    socket_refused)
        # A port where a printer listened a moment ago: nothing listens there now.
        start_printer
        stop_printer
        printf 'data' >"$WORK/x.prn"
        remember_printer "socket://127.0.0.1:$PORT"
        run_program "$WORK/x.prn"
        expect_status 1
        expect_line "$NOT_RECOGNIZED"
        expect_line "could not connect to socket://127.0.0.1:$PORT: the connection was refused (nothing listens on that port)"
        ;;
    socket_stalled)
        # More than the socket buffers hold, so that the printer's silence stops the send.
        start_printer --never-read
        head -c 64000000 /dev/zero >"$WORK/big.prn"
        remember_printer "socket://127.0.0.1:$PORT"
        KESTRELSPOOLER_DEADLINES=stall=2 run_program "$WORK/big.prn"
        expect_status 1
        expect_line "$JOB_FAILED"
        expect_line_matching "the printer at socket://127\.0\.0\.1:$PORT took no byte for 2 s after [0-9,]+ of 64,000,000 bytes"
        expect_line_matching "the connection to socket://127\.0\.0\.1:$PORT was closed; the printer had already taken [0-9,]+ bytes, which a raw socket cannot take back"
        ;;
    socket_closed_mid_job)
        start_printer --close-after 100000
        head -c 16000000 /dev/urandom >"$WORK/big.prn"
        remember_printer "socket://127.0.0.1:$PORT"
        run_program "$WORK/big.prn"
        expect_status 1
        expect_line "$JOB_FAILED"
        expect_line_matching "the printer at socket://127\.0\.0\.1:$PORT closed the connection after [0-9,]+ of 16,000,000 bytes"
        ;;
    ipp_queue)
        while IFS= read -r line; do export "${line?}"; done < <("$SPOOLER" env "$SPOOLER_DIR")
        [[ -n ${KS_SPOOLER_ADDRESS:-} && -d ${KS_SPOOLER_JOBS:-} ]] || fail "no private spooler in $SPOOLER_DIR"
        # The scheduler is reached by its address alone, as a network printer would be.
        unset CUPS_SERVER
        write_printer_data "$WORK/fw.bin" 500000
        before=$(ls -1 "$KS_SPOOLER_JOBS" | grep '^job-' | sort)
        uri="ipp://$KS_SPOOLER_ADDRESS/printers/Kestrel-Dymo"
        remember_printer "$uri"
        run_program "$WORK/fw.bin"
        expect_status 0
        expect_line "$EXECUTED"
        for ((i = 0; i < 300; i++)); do
            new=$(comm -13 <(echo "$before") <(ls -1 "$KS_SPOOLER_JOBS" | grep '^job-' | sort) | head -n 1)
            [[ -n $new ]] && break
            sleep 0.1
        done
        [[ $new == *.bin ]] || fail "the queue's printer received no complete job: [$new]"
        # The driver queue passes the bytes on unchanged only as a raw job.
        cmp -s "$KS_SPOOLER_JOBS/$new" "$WORK/fw.bin" || fail "the printer received other bytes"
        rm -f "$KS_SPOOLER_JOBS/$new"
        id=$(CUPS_SERVER=$KS_SPOOLER_ADDRESS lpstat -W all -o Kestrel-Dymo | sed -n 's/^Kestrel-Dymo-\([0-9]*\) .*/\1/p' | sort -n | tail -n 1)
        title=$(ipptool -tv "ipp://$KS_SPOOLER_ADDRESS/jobs/$id" get-job-attributes.test 2>/dev/null |
            sed -n 's/^ *job-name (nameWithoutLanguage) = //p')
        [[ $title == "Command Print" ]] || fail "the job is named [$title]"
        ;;
    *) fail "unknown case" ;;
esac
echo "ok [$CASE]"
