#!/usr/bin/env bash
# End-to-end runs of the built program in command-line mode, with no display, against the
# private CUPS scheduler and its fake printer.
#
#   e2e_test.sh PROGRAM SPOOLER_SCRIPT SPOOLER_DIR FAKE_PRINTER CASE [SLOW_PROXY]
#
# SPOOLER_DIR is the scheduler the test fixture started; the case that stops a scheduler
# starts one of its own beside it. The cases of long jobs reach it through SLOW_PROXY. Each case runs in a fresh folder with its own
# XDG_CONFIG_HOME, where the remembered printer is written beforehand.
(($# == 5 || $# == 6)) || { echo "usage: $0 PROGRAM SPOOLER_SCRIPT SPOOLER_DIR FAKE_PRINTER CASE [SLOW_PROXY]" >&2; exit 2; }
readonly PROGRAM=$1 SPOOLER=$2 SPOOLER_DIR=$3 FAKE_PRINTER=$4 CASE=$5 SLOW_PROXY=${6:-}
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"

OWN_SPOOLER=""
OWN_QUEUES=()
PROXY_PID=""
XVFB_PID=""
on_exit() {
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null
    [[ -n $OWN_SPOOLER ]] && "$SPOOLER" stop "$OWN_SPOOLER"
    [[ -n $PROXY_PID ]] && kill "$PROXY_PID" && wait "$PROXY_PID"
    local queue
    for queue in "${OWN_QUEUES[@]}"; do lpadmin -x "$queue" 2>/dev/null; done
}

jobs_in_queue() {  # queue [which]
    lpstat -W "${2:-all}" -o "$1" 2>/dev/null | grep -c "^$1-" || true
}

# From here on the program reaches the scheduler through the slow proxy, at `rate` bytes
# a second, so that a job of a few MiB takes seconds.
use_slow_road() {  # rate
    [[ -x $SLOW_PROXY ]] || fail "no slow proxy given"
    "$SLOW_PROXY" --listen "$WORK/slow.sock" --to "$CUPS_SERVER" --rate "$1" 2>"$WORK/proxy.log" &
    PROXY_PID=$!
    for _ in $(seq 50); do [[ -S $WORK/slow.sock ]] && break; sleep 0.1; done
    [[ -S $WORK/slow.sock ]] || fail "the slow proxy did not start"
    export CUPS_SERVER=$WORK/slow.sock
}

readonly NOTHING_REMEMBERED="no printer is remembered yet: start the program without a file, pick a printer in the printer box and close the window with its close box"

print_ok() {  # queue file [argument as passed]
    local queue=$1 file=$2 arg=${3:-$2} before
    remember_printer "$queue"
    before=$(job_files)
    run_program "$arg"
    expect_line "$EXECUTED"
    expect_status 0
    expect_job_bytes "$before" "$file"
    expect_settings_kept
}

# Runs the program under a pseudo-terminal (script), standard error a terminal; what it
# wrote lands in WORK/typescript, its status in STATUS.
run_on_terminal() {
    timeout 120 script -qec "$(printf '%q ' "$PROGRAM" "$@")" "$WORK/typescript" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
    STATUS=$?
    ((STATUS != 124)) || fail "the program did not end within 120 s"
}

case $CASE in
    quoted_path_with_spaces)
        use_spooler "$SPOOLER_DIR"
        mkdir -p "$WORK/a folder"
        file="$WORK/a folder/all bytes.prn"
        for ((i = 0; i < 256; i++)); do printf "\\$(printf %03o $i)"; done >"$file"
        [[ $(stat -c %s "$file") == 256 ]] || fail "could not make the test file"
        # One argument with the quotes in it, as a shell-less launcher passes it.
        print_ok Kestrel-Raw "$file" "\"$file\""
        title=$(newest_job_title Kestrel-Raw) || fail "no job in the queue's list"
        [[ $title == "Command Print" ]] || fail "job title '$title'"
        ;;
    large_file_driver_queue)
        use_spooler "$SPOOLER_DIR"
        head -c $((50 * 1024 * 1024 + 17)) /dev/urandom >"$WORK/firmware.bin"
        print_ok Kestrel-Dymo "$WORK/firmware.bin"
        ;;
    empty_file)
        use_spooler "$SPOOLER_DIR"
        : >"$WORK/empty.prn"
        remember_printer Kestrel-Raw
        run_program "$WORK/empty.prn"
        expect_line "$JOB_FAILED"
        expect_line "the scheduler accepts no empty document; nothing was printed"
        expect_no_line "$EXECUTED"
        expect_status 1
        [[ $(jobs_in_queue Kestrel-Raw not-completed) == 0 ]] || fail "a job is left waiting"
        ;;
    unknown_printer | rejecting_queue | no_remembered_printer)
        use_spooler "$SPOOLER_DIR"
        printf 'data' >"$WORK/x.prn"
        case $CASE in
            unknown_printer) remember_printer Kestrel-Nowhere ;;
            rejecting_queue) remember_printer Kestrel-Reject ;;
            no_remembered_printer) ;;
        esac
        before=$(job_files)
        queued=$(jobs_in_queue Kestrel-Reject)
        run_program "$WORK/x.prn"
        expect_line "$NOT_RECOGNIZED"
        expect_no_line "$EXECUTED"
        expect_status 1
        [[ $(jobs_in_queue Kestrel-Reject) == "$queued" ]] || fail "a job was created"
        expect_no_new_job "$before"
        case $CASE in
            no_remembered_printer) expect_line "$NOTHING_REMEMBERED" ;;
            unknown_printer) expect_line 'no installed printer is named "Kestrel-Nowhere"' ;;
            rejecting_queue) expect_line 'the printer "Kestrel-Reject" is not accepting jobs' ;;
        esac
        [[ $CASE == no_remembered_printer ]] || expect_settings_kept
        ;;
    frozen_scheduler)
        # A scheduler that does not answer: the run used to wait five minutes and then
        # blame the printer name. Each lookup gives up at its deadline (4 s here, 30 s in
        # use) and once the scheduler has been silent, nothing waits for it again.
        OWN_SPOOLER=${SPOOLER_DIR%/}-e2e-frozen
        "$SPOOLER" start "$OWN_SPOOLER" --fake-printer "$FAKE_PRINTER" >/dev/null || fail "cannot start a spooler"
        use_spooler "$OWN_SPOOLER"
        read -r cupsd_pid _ <"$OWN_SPOOLER/cupsd.pid"
        printf 'data' >"$WORK/x.prn"
        remember_printer Kestrel-Raw
        kill -STOP "$cupsd_pid"
        SECONDS=0
        KESTRELSPOOLER_DEADLINES=lookup=4 timeout 60 "$PROGRAM" "$WORK/x.prn" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        waited=$SECONDS
        kill -CONT "$cupsd_pid"
        ((STATUS != 124)) || fail "the program waited on the frozen scheduler"
        ((waited < 8)) || fail "the run took $waited s: it waited on the scheduler more than once"
        expect_line "could not reach the scheduler at $CUPS_SERVER: timed out after 4 s"
        expect_line "$NOT_RECOGNIZED"
        expect_status 1
        ;;
    unicode_names)
        # Queue and file names in UTF-8, the remembered one read back from the settings file
        # as QSettings writes it; the queues live as long as this case.
        use_spooler "$SPOOLER_DIR"
        uri="socket://127.0.0.1:$(<"$SPOOLER_DIR/printer.port")"
        queues=("Étiquettes-Büro" "ラベル")
        for queue in "${queues[@]}"; do
            OWN_QUEUES+=("$queue")
            lpadmin -p "$queue" -E -v "$uri" -o job-sheets-default=none,none ||
                fail "lpadmin could not create $queue"
        done
        for name in "日本 ラベル.prn" "🖨 label.prn"; do
            { printf '%s\n' "$name"; head -c 10000 /dev/urandom; } >"$WORK/$name"
            for queue in "${queues[@]}"; do
                print_ok "$queue" "$WORK/$name"
            done
        done
        # lpstat names a queue's jobs by the queue's name as its URI spells it.
        for queue in "${queues[@]}"; do
            encoded=$(printf %s "$queue" | perl -pe 's/([^A-Za-z0-9._~-])/sprintf("%%%02X", ord($1))/ge')
            jobs=$(lpstat -W all -o | grep -c "^$encoded-")
            ((jobs == 2)) || fail "$queue took $jobs jobs, not 2"
        done
        ;;
    missing_path)
        use_spooler "$SPOOLER_DIR"
        remember_printer Kestrel-Raw
        before=$(job_files)
        run_program "$WORK/not there.prn"
        expect_line "$NOT_READ"
        expect_no_line "$EXECUTED"
        expect_status 1
        [[ ! -e "$WORK/not there.prn" ]] || fail "the missing file was created"
        expect_no_new_job "$before"
        ;;
    fifo)
        use_spooler "$SPOOLER_DIR"
        remember_printer Kestrel-Raw
        mkfifo "$WORK/pipe"
        # Nobody writes to the FIFO: a program that opened it for reading would wait.
        SECONDS=0
        timeout 10 "$PROGRAM" "$WORK/pipe" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        ((STATUS != 124)) || fail "the program waited on the FIFO"
        ((SECONDS <= 5)) || fail "the program took $SECONDS s"
        expect_line "$NOT_READ"
        expect_status 1
        ;;
    no_file_no_display)
        use_spooler "$SPOOLER_DIR"
        run_program
        expect_status 1
        [[ -s $WORK/stderr ]] || fail "nothing on standard error"
        ;;
    scheduler_stopped_during_hand_over)
        # A scheduler of its own: stopping it must not disturb the other tests.
        OWN_SPOOLER=${SPOOLER_DIR%/}-e2e-stopped
        "$SPOOLER" start "$OWN_SPOOLER" --fake-printer "$FAKE_PRINTER" >/dev/null || fail "cannot start a spooler"
        use_spooler "$OWN_SPOOLER"
        read -r cupsd_pid _ <"$OWN_SPOOLER/cupsd.pid"
        head -c $((200 * 1024 * 1024)) /dev/urandom >"$WORK/big.bin"
        remember_printer Kestrel-Raw
        # The cancel is tried again for 2 s (30 s in use) while the scheduler is away.
        KESTRELSPOOLER_DEADLINES=cancel=2 timeout 120 "$PROGRAM" "$WORK/big.bin" </dev/null >"$WORK/stdout" 2>"$WORK/stderr" &
        program=$!
        # The scheduler receives a document into an 8-digit hex file in its spool folder.
        # Once that file has grown, the scheduler is frozen (the hand-over with it) and
        # then stopped, so it goes away in the middle of the document.
        hex8=$(printf "[0-9a-f]%.0s" {1..8})
        caught=0
        for ((i = 0; i < 1000; i++)); do
            incoming=$(find "$OWN_SPOOLER/spool" -maxdepth 1 -name "$hex8" -size +1M | head -n 1)
            if [[ -n $incoming ]]; then
                kill -STOP "$cupsd_pid"
                [[ -e $incoming ]] && caught=1
                kill -TERM "$cupsd_pid"
                kill -CONT "$cupsd_pid"
                break
            fi
            kill -0 "$program" 2>/dev/null || break
            sleep 0.01
        done
        ((caught)) || { wait "$program"; fail "could not catch the hand-over in the middle"; }
        "$SPOOLER" stop "$OWN_SPOOLER"
        wait "$program"
        STATUS=$?
        ((STATUS != 124)) || fail "the program did not end after the scheduler stopped"
        expect_no_line "$EXECUTED"
        # The job could not be cancelled: the headline does not say it was.
        expect_line "Kestrelspooler: The print job failed."
        expect_status 1
        grep -qE '^the scheduler closed the connection after [0-9,]+ of 209,715,200 bytes$' "$WORK/stderr" ||
            fail "standard error does not say how far the job got"
        # The cancel could not reach the scheduler: the job it left used to sit in the
        # queue without a word. The line names it, and its advice removes it.
        left=$(sed -n 's/^job \([0-9]*\) is left in the queue of Kestrel-Raw; remove it with: cancel \1$/\1/p' "$WORK/stderr")
        [[ -n $left ]] || fail "standard error does not name the job that was left"
        "$SPOOLER" restart "$OWN_SPOOLER" || fail "cannot restart the scheduler"
        lpstat -W not-completed -o Kestrel-Raw | grep -q "^Kestrel-Raw-$left " || fail "job $left is not in the queue"
        cancel "$left" || fail "cancel $left failed"
        [[ $(jobs_in_queue Kestrel-Raw not-completed) == 0 ]] || fail "job $left is still in the queue"
        ;;
    terminal_meter)
        # Standard error is a terminal: the meter, redrawn in place, wiped before the message;
        # redirected, no meter.
        use_spooler "$SPOOLER_DIR"
        use_slow_road 8000000
        head -c $((16 * 1024 * 1024)) /dev/urandom >"$WORK/meter.bin"
        remember_printer Kestrel-Raw
        before=$(job_files)
        timeout 120 script -qec "$(printf '%q ' "$PROGRAM" "$WORK/meter.bin")" "$WORK/typescript" \
            </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        expect_status 0
        # One redraw a line, without the spaces that wipe what a longer line left.
        tr '\r' '\n' <"$WORK/typescript" | sed 's/ *$//' >"$WORK/stderr"
        expect_line "Printing meter.bin: 4.0 MiB of 16 MiB"
        expect_line "Printing meter.bin: 12 MiB of 16 MiB"
        expect_line "$EXECUTED"
        # The wipe, an empty line here, comes right before where the job stands, then the message.
        stands='^(the printer of Kestrel-Raw has received all|the spooler is still sending) '
        grep -a -A2 -E "$stands" "$WORK/stderr" | tail -n 1 | grep -qxF "$EXECUTED" || fail "no line says where the job stands"
        grep -a -B1 -E "$stands" "$WORK/stderr" | head -n 1 | grep -qx '' || fail "the meter's line is not wiped"
        grep -a -B2 -E "$stands" "$WORK/stderr" | head -n 1 | grep -q '^Printing meter.bin: ' ||
            fail "the message does not follow the meter"
        expect_job_bytes "$before" "$WORK/meter.bin"
        # The same job with standard error in a file: no meter, only where the job stands and the message.
        print_ok Kestrel-Raw "$WORK/meter.bin"
        [[ $(grep -cvE "$stands" "$WORK/stderr") == 1 && $(tail -n 1 "$WORK/stderr") == "$EXECUTED" ]] ||
            fail "standard error holds more than the message"
        ;;
    command_line_options)
        # The remembered queue rejects jobs: --printer wins over it and leaves it as it was.
        # Each file is a job of its own, in order, with one answer at the end; the sparse
        # 512 MiB one is read while it is sent (a loaded buffer would be 512 MiB more), and
        # without a display the run loads Qt Core for its settings, and no GUI library.
        use_spooler "$SPOOLER_DIR"
        for name in c a; do head -c $((100000 + RANDOM)) /dev/urandom >"$WORK/$name.prn"; done
        head -c 65536 /dev/urandom >"$WORK/b.prn"
        truncate -s 512M "$WORK/b.prn"
        remember_printer Kestrel-Reject
        before=$(job_files)
        LD_DEBUG=files LD_DEBUG_OUTPUT=$WORK/loaded timeout 120 /usr/bin/time -f %M -o "$WORK/peak_kib" \
            "$PROGRAM" --printer Kestrel-Raw "$WORK/c.prn" "$WORK/a.prn" "$WORK/b.prn" </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        expect_status 0
        [[ $(grep -c ': ' "$WORK/stderr") == 1 && $(tail -n 1 "$WORK/stderr") == "$EXECUTED" ]] ||
            fail "not one answer at the end"
        for name in c a b; do expect_job_bytes "$before" "$WORK/$name.prn"; done
        expect_settings_kept
        peak=$(tail -n 1 "$WORK/peak_kib")
        ((peak < 32 * 1024)) || fail "peak memory $peak KiB for a 512 MiB file"
        grep -qh 'file=libQt6Core' "$WORK"/loaded.* || fail "the loader's list shows no Qt Core"
        ! grep -hE 'file=[^ ]*(Qt6Gui|Qt6Widgets|kestrelspooler-gui)' "$WORK"/loaded.* ||
            fail "a GUI library was loaded"
        # Standard input, quietly: the bytes arrive and nothing is written.
        { printf '^XA^FO50,50^FDlabel^FS^XZ'; head -c 300000 /dev/urandom; } >"$WORK/label.zpl"
        before=$(job_files)
        timeout 120 "$PROGRAM" -q -p Kestrel-Raw - <"$WORK/label.zpl" >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        expect_status 0
        [[ ! -s $WORK/stderr && ! -s $WORK/stdout ]] || fail "a quiet success wrote something"
        expect_job_bytes "$before" "$WORK/label.zpl"
        run_program -q "$WORK/gone.prn"
        expect_status 1
        expect_line "$NOT_READ"
        run_program --list-printers
        expect_status 0
        [[ ! -s $WORK/stderr ]] || fail "standard error is not empty"
        diff <(sort "$WORK/stdout") <(lpstat -e | sort) >&2 || fail "the list is not the scheduler's queues"
        ;;
    interrupted)
        # SIGINT in the middle of a 1 GiB job under a terminal: the job is cancelled, nothing
        # reaches the printer, nothing stays in the queue.
        use_spooler "$SPOOLER_DIR"
        use_slow_road 40000000
        truncate -s 1G "$WORK/big.bin"
        remember_printer Kestrel-Raw
        before=$(job_files)
        # A background job starts with SIGINT ignored; env gives the program its default back.
        timeout 120 script -qec "echo \$\$ >'$WORK/pid'; exec env --default-signal=INT $(printf '%q ' "$PROGRAM" "$WORK/big.bin")" \
            "$WORK/typescript" </dev/null >"$WORK/stdout" 2>"$WORK/stderr" &
        runner=$!
        for _ in $(seq 600); do grep -aq 'Printing big.bin: [1-9]' "$WORK/typescript" 2>/dev/null && break; sleep 0.1; done
        grep -aq 'Printing big.bin: [1-9]' "$WORK/typescript" || { wait "$runner"; fail "the job never got under way"; }
        kill -INT "$(<"$WORK/pid")"
        wait "$runner"
        STATUS=$?
        tr '\r' '\n' <"$WORK/typescript" >"$WORK/stderr"
        expect_status 130
        expect_line "$CANCELLED"
        [[ -z $(lpstat -o Kestrel-Raw) ]] || fail "a job is left in the queue: $(lpstat -o Kestrel-Raw)"
        expect_no_new_job "$before"
        ;;
    control_characters)
        # Names from outside reach a terminal escaped: no escape sequence, no line split. The
        # terminal answers even with a display set: a box would wait for a click.
        use_spooler "$SPOOLER_DIR"
        use_slow_road 4000000
        Xvfb -displayfd 3 -nolisten tcp -screen 0 800x600x24 3>"$WORK/display" 2>/dev/null &
        XVFB_PID=$!
        for _ in $(seq 100); do [[ -s $WORK/display ]] && break; sleep 0.1; done
        [[ -s $WORK/display ]] || fail "Xvfb did not start"
        name=$'t\e]0;x\a\nl.prn'
        head -c $((8 * 1024 * 1024)) /dev/urandom >"$WORK/$name"
        remember_printer Kestrel-Raw
        before=$(job_files)
        DISPLAY=:$(<"$WORK/display") run_on_terminal "$WORK/$name" "$WORK/gone"$'\e[2J'".prn"
        expect_status 1
        ! grep -aq $'\e' "$WORK/typescript" || fail "an escape character reached the terminal"
        grep -aqF 'Printing t\x1b]0;x\x07\x0al.prn (file 1 of 2): ' "$WORK/typescript" ||
            fail "the meter does not show the name escaped"
        tr '\r' '\n' <"$WORK/typescript" | sed 's/ *$//' >"$WORK/stderr"
        expect_line "\"$WORK/gone\x1b[2J.prn\": there is no such file"
        expect_line "\"$WORK/t\x1b]0;x\x07\x0al.prn\": printed"
        expect_line "$NOT_READ"
        expect_line "1 of 2 files printed"
        expect_job_bytes "$before" "$WORK/$name"
        ;;
    outcome_*)
        # What a run says became of its job: printed, waiting in the queue (with its cause,
        # remedy and way out), or failed. Each case makes a queue of its own.
        use_spooler "$SPOOLER_DIR"
        chmod 755 "$WORK"  # the scheduler's backends run as lp
        queue=ks-${CASE//_/-}
        OWN_QUEUES+=("$queue")
        printer_uri=$(lpstat -v Kestrel-Raw | sed 's/^[^:]*: //')
        # case | device | lpadmin options | after creating | exit status | line on standard error
        #   ($Q stands for the queue, $J for the job's number)
        rows=(
            "healthy|$printer_uri|||0|$EXECUTED"
            "paused|$printer_uri||cupsdisable|3|the queue \"\$Q\" is paused; it prints when resumed: cupsenable \$Q"
            "silent_printer|socket://127.0.0.1:9|||3|the printer at socket://127.0.0.1:9 does not answer"
            "holding|$printer_uri|-o job-hold-until-default=indefinite||3|job \$J is held until it is released: lp -i \$J -H resume"
            "aborting|socket://127.0.0.1:9/?contimeout=1|-o printer-error-policy=abort-job||1|$JOB_FAILED"
        )
        row=$(printf '%s\n' "${rows[@]}" | grep "^${CASE#outcome_}|") || fail "no such case"
        IFS='|' read -r _ device options after status line <<<"$row"
        # shellcheck disable=SC2086 # the options are words
        lpadmin -p "$queue" -E -v "$device" -o job-sheets-default=none,none $options || fail "could not make the queue"
        [[ -n $after ]] && { "$after" "$queue" || fail "$after failed"; }
        remember_printer "$queue"
        printf 'data' >"$WORK/file.prn"
        # A bound on the run, not a measure of it: the watch lasts 10 s at the most.
        RUN_BOUND=30 run_program "$WORK/file.prn"
        expect_status "$status"
        job=$(newest_job "$queue")
        expected=${line//\$Q/$queue}
        expect_line "${expected//\$J/$job}"
        ((status == 0)) || expect_no_line "$EXECUTED"
        # A waiting job is left in the queue and says how to remove it; nothing else is left.
        left=$(jobs_in_queue "$queue" not-completed)
        if ((status == 3)); then
            ((left == 1)) || fail "$left jobs in the queue, expected the waiting one"
            expect_line "to remove it instead: cancel $job"
        else
            ((left == 0)) || fail "a job is left in the queue"
        fi
        # Told to wait for the printer, a run gives up on a paused queue at its timeout.
        if [[ $CASE == outcome_paused ]]; then
            run_program --wait --timeout 3 "$WORK/file.prn"
            expect_status 3
        fi
        ;;
    *)
        echo "unknown case $CASE" >&2
        exit 2
        ;;
esac
echo "PASS [$CASE]"
