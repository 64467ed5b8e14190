# The end-to-end scripts' shared harness, sourced after they set CASE: a fresh folder and home
# for each run, the private scheduler's environment, the program run with a bound, and checks on
# its answer and on what the printer received. A script that defines on_exit has it run first
# at exit.
# shellcheck shell=bash
set -uo pipefail
# script(1) hands its command to $SHELL; the commands here are quoted for bash (printf %q).
export SHELL=/bin/bash

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ks-e2e.XXXXXX")
cleanup() {
    declare -F on_exit >/dev/null && on_exit
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL [$CASE]: $*" >&2
    local f
    for f in "$WORK/stdout" "$WORK/stderr" "$WORK/windows"; do
        [[ -f $f ]] && { echo "--- ${f##*/}:" >&2; head -c 4000 "$f" | cat -v >&2; }
    done
    exit 1
}

# No display of any kind (a script that needs one sets it again): messages come as lines on
# standard error. The user's settings and printers stay out of reach.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM LPDEST PRINTER KESTRELSPOOLER_DEADLINES
export PATH=$PATH:/usr/sbin  # lpadmin
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

use_spooler() {  # dir
    local line
    while IFS= read -r line; do
        export "${line?}"
    done < <("$SPOOLER" env "$1") || fail "no private spooler in $1"
    [[ -n ${CUPS_SERVER:-} && -d ${KS_SPOOLER_JOBS:-} ]] || fail "bad spooler env from $1"
}

SETTINGS=$XDG_CONFIG_HOME/Kestrelspooler/Kestrelspooler.conf
remember_printer() {  # name
    mkdir -p "${SETTINGS%/*}"
    printf '[STARTUP]\nDrucker=%s\n' "$1" >"$SETTINGS"
    cp "$SETTINGS" "$WORK/settings.before"
}

# Runs the program with the given arguments; the status lands in STATUS. Bounded (RUN_BOUND
# seconds): a run that hangs is a failure of its own.
run_program() {
    timeout "${RUN_BOUND:-120}" "$PROGRAM" "$@" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
    STATUS=$?
    ((STATUS != 124)) || fail "the program did not end within ${RUN_BOUND:-120} s"
}

expect_status() { ((STATUS == $1)) || fail "exit status $STATUS, expected $1"; }

expect_line() {  # the whole line, on standard error (or in WORK/which)
    grep -aqxF -- "$1" "$WORK/${2:-stderr}" || fail "${2:-stderr} lacks the line: $1"
}

expect_line_matching() { grep -aqxE -- "$1" "$WORK/stderr" || fail "standard error has no line like: $1"; }

expect_no_line() {
    ! grep -qxF -- "$1" "$WORK/stderr" || fail "standard error has the line: $1"
}

# Command-line runs never write the remembered printer back.
expect_settings_kept() {
    cmp -s "$SETTINGS" "$WORK/settings.before" || fail "the settings file was changed"
}

# The printer's finished jobs (KS_SPOOLER_JOBS: the scheduler's fake printer, or one of a test's own).
job_files() { ls -1 "$KS_SPOOLER_JOBS" 2>/dev/null | grep '^job-' | sort; }

# Waits (bounded) for the next job the fake printer stores and checks its bytes.
expect_job_bytes() {  # before-list expected-file
    local before=$1 expected=$2 new i
    for ((i = 0; i < 1200; i++)); do
        new=$(comm -13 <(echo "$before") <(job_files) | head -n 1)
        [[ -n $new ]] && break
        sleep 0.1
    done
    [[ -n $new ]] || fail "the printer received no job"
    [[ $new == *.bin ]] || fail "the printer's connection broke: $new"
    cmp -s "$KS_SPOOLER_JOBS/$new" "$expected" ||
        fail "the printer received other bytes ($(stat -c %s "$KS_SPOOLER_JOBS/$new") of $(stat -c %s "$expected"))"
    rm -f "$KS_SPOOLER_JOBS/$new"
}

expect_no_new_job() {  # before-list
    sleep 1
    [[ $(job_files) == "$1" ]] || fail "the printer received a job"
}

newest_job() {  # queue: the number of its newest job
    lpstat -W all -o "$1" | sed -n "s/^$1-\([0-9]*\) .*/\1/p" | sort -n | tail -n 1
}

newest_job_title() {  # queue: the job-name of its newest job, through IPP
    local id
    id=$(newest_job "$1")
    [[ -n $id ]] || return 1
    # ipptool goes by the address, not CUPS_SERVER.
    ipptool -tv "ipp://$KS_SPOOLER_ADDRESS/jobs/$id" get-job-attributes.test 2>/dev/null |
        sed -n 's/^ *job-name (nameWithoutLanguage) = //p'
}

# Every byte value, line ends of both kinds, a Ctrl-Z and a NUL, then SIZE random bytes:
# nothing on the way to the printer may convert any of them.
write_printer_data() {  # file size
    local i
    {
        for ((i = 0; i < 256; i++)); do printf "\\x$(printf %02x "$i")"; done
        printf '\x1b%%-12345X@PJL\r\nfirmware\n\x1a\x00end'
        head -c "$2" /dev/urandom
    } >"$1"
}

readonly EXECUTED="Message: Executed!"
readonly NOT_RECOGNIZED="Kestrelspooler: The Printer Name you typed wasn't recognized."
readonly NOT_READ="Kestrelspooler: The file could not be read."
readonly JOB_FAILED="Kestrelspooler: The print job failed and was cancelled."
readonly CANCELLED="Kestrelspooler: The print job was cancelled."
