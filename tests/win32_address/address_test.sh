#!/usr/bin/env bash
# Kestrelspooler.exe under Wine printing to printer addresses in command-line mode: a fake
# AppSocket printer on 127.0.0.1 receives the file byte for byte; a closed port and an IPP
# address are refused, each with its detail line; a printer that closes in the middle fails the job.
# Usage: address_test.sh Kestrelspooler.exe PROBE.exe ANSWER.exe ARTEFACT_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
APP=$1 PROBE=$2 ANSWER=$3 ARTEFACTS=$4
mkdir -p "$ARTEFACTS" "$WORK/jobs"
PRINTER_PID=""
stop_printer() {
    [[ -n $PRINTER_PID ]] && kill "$PRINTER_PID" 2>/dev/null && wait "$PRINTER_PID" 2>/dev/null
    PRINTER_PID=""
}
trap 'stop_printer; cleanup' EXIT

# The fake printer is a Linux program: built here, as the private spooler builds it.
g++ -std=c++20 -O1 -pthread -I"$KS_SOURCE_ROOT" -o "$WORK/fake_printer" \
    "$KS_SOURCE_ROOT/tests/tools/fake_printer.cpp" || { echo "could not build the fake printer"; exit 1; }

start_printer() {  # options...
    rm -f "$WORK/port"
    "$WORK/fake_printer" --port 0 --jobs "$WORK/jobs" --port-file "$WORK/port" "$@" 2>>"$WORK/printer.log" &
    PRINTER_PID=$!
    local i
    for ((i = 0; i < 100; i++)); do [[ -s $WORK/port ]] && break; sleep 0.1; done
    [[ -s $WORK/port ]] || { echo "the fake printer did not start"; exit 1; }
    PORT=$(<"$WORK/port")
}

new_prefix
start_xvfb
write_printer_data "$WORK/fw.bin" 2000000
file=$(windows_path "$WORK/fw.bin")

# Runs the program on the file with the remembered printer NAME and answers its box captioned
# CAPTION; the box in WORK/CASE-box.out, the exit status in APP_STATUS.
print_to() {  # case printer caption
    local case=$1 printer=$2 caption=$3
    check_eq "$case: remember [$printer]" 0 "$(run_wine "$case-save" "$PROBE" settings-save "$printer")"
    wine "$APP" "$file" </dev/null >"$WORK/$case.out" 2>"$WORK/$case.err" &
    APP_PID=$!
    wait_for_window "$caption"
    sleep 0.5
    import -window root "$ARTEFACTS/$case.png" 2>/dev/null || true
    run_wine "$case-box" "$ANSWER" "$caption" 30 >/dev/null
    app_status
}

# A box's caption, its text and the detail lines below it, as the answering tool reads them.
box() {
    local caption=$1 text=$2
    shift 2
    printf 'caption: %s\ntext: %s\n' "$caption" "$text"
    (($# == 0)) || printf '\n%s\n' "$@"
    printf 'buttons: OK\nicon: no'
}
detail() { tr -d '\r' <"$WORK/$1.err" | grep -xF -- "$2" || true; }

# 1. A fake AppSocket printer: the bytes unchanged, "Executed!", exit status 0.
start_printer
print_to socket "socket://127.0.0.1:$PORT" "Message"
check_eq "socket: message box" "$(box Message 'Executed!')" "$(cat "$WORK/socket-box.out")"
check_eq "socket: exit status" 0 "$APP_STATUS"
for ((i = 0; i < 100; i++)); do [[ -e $WORK/jobs/job-0001.bin ]] && break; sleep 0.1; done
if cmp -s "$WORK/fw.bin" "$WORK/jobs/job-0001.bin"; then pass "socket: bytes arrived unchanged"
else fail "socket: the printer received $(ls "$WORK/jobs")"; fi

# A refusal: the box's headline and the detail as a sentence, exit status 1, and the detail
# line on standard error.
expect_refused() {  # case printer detail
    local case=$1 detail=$3
    print_to "$case" "$2" "Kestrelspooler"
    check_eq "$case: message box" "$(box Kestrelspooler "The Printer Name you typed wasn't recognized." "${detail^}.")" \
        "$(cat "$WORK/$case-box.out")"
    check_eq "$case: exit status" 1 "$APP_STATUS"
    check_eq "$case: detail" "$detail" "$(detail "$case" "$detail")"
}

# 2. The same port once the printer is gone: refused, with the address and the cause.
stop_printer
expect_refused refused "socket://127.0.0.1:$PORT" \
    "could not connect to socket://127.0.0.1:$PORT: the connection was refused (nothing listens on that port)"

# 3. An IPP address: Windows has no client for it.
expect_refused ipp "ipp://127.0.0.1:$PORT/printers/Kestrel-Raw" \
    "cannot print to ipp://127.0.0.1:$PORT/printers/Kestrel-Raw: only socket:// addresses work on Windows (ipp:// and ipps:// need an installed printer)"

# 4. A printer that closes the connection in the middle of a job: the failure, with how far it got.
start_printer --close-after 100000
head -c 12000000 /dev/urandom >"$WORK/fw.bin"
print_to closed "socket://127.0.0.1:$PORT" "Kestrelspooler"
# The box's detail line holds the byte count, which varies: its caption and text are checked.
check_eq "closed: message box" "caption: Kestrelspooler
text: The print job failed and was cancelled." "$(head -n 2 "$WORK/closed-box.out")"
check_eq "closed: exit status" 1 "$APP_STATUS"
if tr -d '\r' <"$WORK/closed.err" |
    grep -qxE "the printer at socket://127\.0\.0\.1:$PORT closed the connection after [0-9,]+ of 12,000,000 bytes"; then
    pass "closed: detail with the byte count"
else
    fail "closed: detail: $(tr -d '\r' <"$WORK/closed.err")"
fi
stop_printer

finish
