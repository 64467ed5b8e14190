#!/usr/bin/env bash
# Long jobs in the Windows program under Wine and Xvfb, against the private CUPS scheduler.
# In-process (TESTS.exe, the real main window with a spooler that waits before each write): the
# progress window, Cancel, Esc and its close box (the document aborted, never ended, as Wine's
# trace of winspool shows), and a short job (no window, byte for byte). Then Kestrelspooler.exe's
# command-line run with a 1 GiB file: its progress window, "Executed!", exit status 0 and the file
# at the printer. Keeps screenshots of the progress window.
# Usage: progress_test.sh Kestrelspooler.exe PROBE.exe ANSWER.exe TESTS.exe ARTEFACT_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
APP=$1 PROBE=$2 ANSWER=$3 TESTS=$4 ARTEFACTS=$5
mkdir -p "$ARTEFACTS"
rm -f "$ARTEFACTS"/*.png

new_prefix
start_spooler
start_xvfb
check_eq "remember Kestrel-Raw" 0 "$(run_wine save "$PROBE" settings-save "Kestrel-Raw")"

# 64 MiB, sixteen chunks that the in-process test slows down, and a short job of 1 KiB.
folder="$WINEPREFIX/drive_c/progress"
mkdir -p "$folder"
header=$(write_printer_data /dev/stdout 0 | wc -c)
write_printer_data "$folder/firmware.bin" $((64 * 1024 * 1024 - header))
write_printer_data "$folder/label.prn" $((1024 - header))

# The program's own documents in a Wine trace of winspool (WINEDEBUG=+winspool): those it started
# ("Command Print", no output file, no data type), how many it aborted, how many it ended.
# Wine's own calls on the port it prints through come on other handles.
spooler_calls() {  # trace-file
    perl -ne '
        if (/:StartDocPrinterW \((\w+), .*\{L"Command Print", \(null\), \(null\)\}/) { $open{$1} = 1; $jobs++ }
        if (/:AbortPrinter \((\w+)\)/ && delete $open{$1}) { $aborted++ }
        if (/:EndDocPrinter \((\w+)\)/ && delete $open{$1}) { $ended++ }
        END { printf "documents %d, aborted %d, ended %d\n", $jobs, $aborted, $ended }' "$1"
}

# What a cancelled job left at the printer: none where the spooler's AbortPrinter cancels; where
# it does not (Wine 8's is a stub, and its ClosePrinter then releases the document), only the part
# sent before the cancel: never the whole FILE, and what came unchanged. Prints one line per job
# that fails that.
cancelled_jobs_at_printer() {  # file
    local job size
    while read -r job; do
        size=$(stat -c %s "$job")
        if ((size >= $(stat -c %s "$1"))) || ! cmp -s -n "$size" "$job" "$1"; then
            echo "$(basename "$job"): $size bytes"
        fi
    done < <(jobs_now)
}

# 1. In-process: every way to cancel, the end of the session among them.
export KS_PROGRESS_FOLDER='C:\progress'
WINEDEBUG=+winspool in_process_tests cancel "$TESTS" --gtest_filter='*Cancel*'
[[ -s $ARTEFACTS/progress-window.png ]] && pass "screenshot progress-window" || fail "no screenshot progress-window"
check_eq "cancelled: the spooler was told" "documents 4, aborted 4, ended 0" "$(spooler_calls "$WORK/cancel.err")"
wait_for_jobs 0 60  # whatever the scheduler took has reached the printer
check_eq "cancelled: nothing complete reached the printer" "" "$(cancelled_jobs_at_printer "$folder/firmware.bin")"

# 2. In-process: a short job.
before=$(jobs_now | wc -l)
in_process_tests short "$TESTS" --gtest_filter='-*Cancel*'
expect_job "short job" $((before + 1)) "$folder/label.prn"

# 3. The command-line run with a display, a 1 GiB file: its progress window, then the job
# delivered.
head -c $((1024 * 1024 * 1024)) /dev/urandom >"$folder/big.bin"
readonly TITLE="Printing big.bin"
before=$(jobs_now | wc -l)
wine "$APP" 'C:\progress\big.bin' </dev/null >"$WORK/cli.out" 2>"$WORK/cli.err" &
APP_PID=$!
if wait_for_window "$TITLE" 60 && sleep 0.5 && screenshot "$TITLE" "$ARTEFACTS/command-line-progress.png"; then
    pass "command line: the progress window, screenshot command-line-progress"
else
    fail "command line: no progress window to take"
fi
run_wine box "$ANSWER" Message 120 >/dev/null
check_eq "command line: message" "text: Executed!" "$(grep '^text:' "$WORK/box.out" | tr -d '\r')"
app_status
check_eq "command line: exit status" 0 "$APP_STATUS"
expect_job "command line: 1 GiB" $((before + 1)) "$folder/big.bin" 120

finish
