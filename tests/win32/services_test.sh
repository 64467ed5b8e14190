#!/usr/bin/env bash
# Contract tests of the Win32 services under Wine that need more than one process or the spooler:
# printers and default as the private CUPS scheduler lists them, the remembered printer from one
# process to the next, files read byte for byte, the command line as Windows hands it over.
# Usage: services_test.sh PROBE.exe
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
PROBE=$1

new_prefix
start_spooler

# Printers: the same names as the scheduler's queues, and its default as the default.
status=$(run_wine printers "$PROBE" printers)
check_eq "probe printers exit status" 0 "$status"
expected=$(lpstat -e | sort)
actual=$(sed -n 's/^printer //p' "$WORK/printers.out" | sort)
check_eq "installed printers" "$expected" "$actual"
grep -qx 'printer Kestrel-Raw' "$WORK/printers.out" && pass "the raw queue is listed" || fail "the raw queue is not listed"
expected_default=$(lpstat -d | sed -n 's/^system default destination: //p')
check_eq "default printer" "$expected_default" "$(sed -n 's/^default //p' "$WORK/printers.out")"

# The remembered printer: written by one process, read by the next, and by the one after the
# server wrote its registry to disk, where it stands under the user's key as a string.
check_eq "nothing remembered at first" "" "$(run_wine get0 "$PROBE" settings-get >/dev/null; cat "$WORK/get0.out")"
for value in "Drucker B$(printf '\xc3\xbc')ro 2" "Kestrel-Raw"; do
    check_eq "save [$value]" 0 "$(run_wine save "$PROBE" settings-save "$value")"
    run_wine get "$PROBE" settings-get >/dev/null
    check_eq "next process reads [$value]" "$value" "$(cat "$WORK/get.out")"
done
"$KS_SOURCE_ROOT/scripts/wine" stop "$WINEPREFIX"
if grep -A3 -F '[Software\\Kestrelspooler\\STARTUP]' "$WINEPREFIX/user.reg" | grep -qx '"Drucker"="Kestrel-Raw"'; then
    pass "stored as HKCU\\Software\\Kestrelspooler\\STARTUP Drucker"
else
    fail "no Drucker string under HKCU\\Software\\Kestrelspooler\\STARTUP in user.reg"
fi
run_wine get2 "$PROBE" settings-get >/dev/null
check_eq "read after the server restarted" "Kestrel-Raw" "$(cat "$WORK/get2.out")"

# Files: byte for byte, through a path with spaces; a missing file is not created.
folder="$WINEPREFIX/drive_c/path with spaces"
mkdir -p "$folder"
for ((i = 0; i < 256; i++)); do printf "\\x$(printf %02x "$i")"; done >"$folder/every byte.bin"
head -c 1000000 /dev/urandom >>"$folder/every byte.bin"
: >"$folder/empty.bin"
for name in "every byte.bin" "empty.bin"; do
    rm -f "$WINEPREFIX/drive_c/copy.bin"
    status=$(run_wine read "$PROBE" read "C:\\path with spaces\\$name" 'C:\copy.bin')
    check_eq "read [$name] exit status" 0 "$status"
    if cmp -s "$folder/$name" "$WINEPREFIX/drive_c/copy.bin"; then pass "[$name] read byte for byte"
    else fail "[$name] read differs from the file"; fi
done
status=$(run_wine missing "$PROBE" read "C:\\path with spaces\\missing.bin" 'C:\copy.bin')
check_eq "a missing file reads as nothing" 3 "$status"
[[ -e $folder/missing.bin ]] && fail "reading a missing file created it" || pass "a missing file is not created"
status=$(run_wine folder "$PROBE" read "C:\\path with spaces" 'C:\copy.bin')
check_eq "a folder reads as nothing" 3 "$status"

# The command line as Windows hands it over: quotes kept, the program's name gone.
run_wine cmdline "$PROBE" command-line "C:\\path with spaces\\fw.bin" >/dev/null
check_eq "command line" "[command-line \"C:\\path with spaces\\fw.bin\"]" "$(tr -d '\r' <"$WORK/cmdline.out")"

# A job watched after its document ended: Wine hands it to the scheduler at once, so its spooler
# lists it no more, and the watch says so at its first look instead of looking for 10 s. (What
# Wine can and cannot report about a job there: docs/DEVELOPING.md.)
before=$(jobs_now | wc -l)
check_eq "watch exit status" 0 "$(run_wine watch "$PROBE" watch Kestrel-Raw 10000)"
check_eq "watched job: gone from Wine's queue" \
    "fate Printed|job 1 has left the queue of the printer \"Kestrel-Raw\": the spooler has passed it on" \
    "$(grep -v '^status' "$WORK/watch.out" | tr -d '\r' | paste -sd'|')"
printf 'watch\n' >"$WORK/watch.bin"
expect_job "watched job" $((before + 1)) "$WORK/watch.bin"

finish
