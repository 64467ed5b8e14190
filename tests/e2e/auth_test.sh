#!/usr/bin/env bash
# End-to-end runs of the built program against a queue of the private scheduler that asks
# for a user name and password: nobody to ask, a terminal, and the Qt box on a display.
#
#   auth_test.sh PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE [WINDOW_LOG_PROBE ARTEFACTS]
#
# CASE is one of no_terminal, terminal_no_input, terminal_refused, qt_box_cancel, qt_window_box_cancel. The
# qt_ case runs inside xvfb-run and needs the window log probe; its screenshot of the box
# lands in ARTEFACTS.
(($# == 4 || $# == 6)) || { echo "usage: $0 PROGRAM SPOOLER_SCRIPT SPOOLER_DIR CASE [WINDOW_LOG_PROBE ARTEFACTS]" >&2; exit 2; }
readonly PROGRAM=$1 SPOOLER=$2 SPOOLER_DIR=$3 CASE=$4 WINDOW_LOG_PROBE=${5:-} ARTEFACTS=${6:-}
readonly QUEUE=Kestrel-Auth
display=${DISPLAY:-}
# shellcheck source=lib.sh
source "$(dirname "$0")/lib.sh"
[[ $CASE == qt_* ]] && export DISPLAY=$display QT_SCALE_FACTOR=1 QT_FONT_DPI=96
PIDS=()
on_exit() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
}

remember_printer "$QUEUE"
use_spooler "$SPOOLER_DIR"
head -c 3000 /dev/urandom >"$WORK/x.prn"

readonly ASKED="The printer \"$QUEUE\" needs a user name and password."
readonly FAILED="Kestrelspooler: The print job failed."  # no job was created
BEFORE=$(job_files)

# Whatever the run did, no job of it waits in the queue and nothing reached the printer.
expect_nothing_left() {
    [[ -z $(lpstat -W not-completed -o "$QUEUE" 2>/dev/null) ]] || fail "a job is left in $QUEUE: $(lpstat -o "$QUEUE")"
    sleep 1
    [[ $(job_files) == "$BEFORE" ]] || fail "the printer received a job"
}

# Whether the screen so far shows `text`, waiting up to 30 s.
screen_shows() {  # text
    local i
    for ((i = 0; i < 300; i++)); do
        grep -aqF -- "$1" "$WORK/typescript" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

# Runs the program on a pseudo-terminal of its own. Its keyboard is a dialogue: pairs of
# what the screen shows and what is then typed; after the last pair, or at once without
# pairs, the end of input (Ctrl+D). With the single argument "-", nothing is ever typed
# and the input stays open. The screen, each redraw on a line of its own, lands in
# WORK/stderr. Bounded by `seconds`.
run_on_terminal() {  # deadlines seconds [- | shown typed ...]
    local command=$(printf '%q ' env "KESTRELSPOOLER_DEADLINES=$1" "$PROGRAM" "$WORK/x.prn")
    local seconds=$2
    shift 2
    rm -f "$WORK/typescript" "$WORK/keys"
    mkfifo "$WORK/keys"
    if [[ ${1:-} == - ]]; then
        (exec 3>"$WORK/keys"; exec sleep $((seconds + 30))) &
    else
        (
            exec 3>"$WORK/keys"
            while (($# >= 2)); do
                screen_shows "$1" || exit 1
                printf '%b' "$2" >&3
                shift 2
            done
        ) &
    fi
    PIDS+=($!)
    timeout "$seconds" script -qfec "$command" "$WORK/typescript" <"$WORK/keys" >/dev/null 2>&1
    STATUS=$?  # script gives the program's status back as its own
    ((STATUS != 124)) || fail "the program did not end within $seconds s"
    tr '\r' '\n' <"$WORK/typescript" | sed 's/ *$//' >"$WORK/stderr"
}

scheduler_password_checks() { grep -ac 'pam_authenticate() returned' "$SPOOLER_DIR/log/error_log"; }

# The id of a visible window titled "Kestrelspooler" other than `but_not`, waiting up to
# `seconds`.
visible_window() {  # seconds [but_not]
    local id i
    for ((i = 0; i <= $1 * 10; i++)); do
        id=$(xdotool search --onlyvisible --name '^Kestrelspooler$' 2>/dev/null | grep -vx "${2:-none}" | head -n 1)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

case $CASE in
    no_terminal)
        # No display, no terminal: at once, long before the lookup deadline of 120 s
        # that a question would be given, and no question is put.
        KESTRELSPOOLER_DEADLINES=lookup=120 timeout 60 setsid "$PROGRAM" "$WORK/x.prn" \
            </dev/null >"$WORK/stdout" 2>"$WORK/stderr"
        STATUS=$?
        ((STATUS != 124)) || fail "the program waited for a password nobody could give"
        expect_status 1
        expect_line "the printer \"$QUEUE\" needs a user name and password, and there is no display or terminal to ask on"
        expect_line "$FAILED"
        ! grep -aq 'User name\|Password' "$WORK/stderr" || fail "a question was put"
        expect_nothing_left
        ;;
    terminal_no_input)
        # Nobody types: the question ends at the deadline (3 s here, 30 s in use), stays on
        # the screen as it was put, and the meter never draws over it.
        run_on_terminal lookup=3 60 -
        expect_status 1
        expect_line "$ASKED"
        expect_line "User name [root]:"
        expect_line "the printer \"$QUEUE\" needs a user name and password; none was given within 3 s"
        expect_line "$FAILED"
        ! grep -aq '^Printing ' "$WORK/stderr" || fail "the meter drew while the question stood"
        expect_nothing_left
        ;;
    terminal_refused)
        # A user name and password the scheduler refuses: they reach it (its PAM check
        # fails), the password is not shown, and the question comes again, saying so and
        # offering the user name typed. Ctrl+D there is the person's cancel, not a timeout.
        checks=$(scheduler_password_checks)
        run_on_terminal lookup=30 60 'User name [root]: ' 'ks-nobody\n' 'Password: ' 'not-the-password\n' \
            'User name [ks-nobody]: '
        expect_status 1
        now=$(scheduler_password_checks)
        ((now > checks)) || fail "the scheduler checked no password"
        expect_line "The scheduler refused that user name and password."
        [[ $(grep -ac -xF "$ASKED" "$WORK/stderr") == 2 ]] || fail "the question was not put twice"
        ! grep -aq 'not-the-password' "$WORK/stderr" || fail "the password was shown"
        ! grep -aq 'none was given' "$WORK/stderr" || fail "the cancel was taken for a timeout"
        expect_line "$CANCELLED"
        expect_nothing_left
        ;;
    qt_box_cancel | qt_window_box_cancel)
        # The box on a display, in a command-line run (the GUI module loaded for it) and
        # from the main window's Print: seen (a screenshot), then Cancel (Esc) ends the
        # job as the user's cancel.
        [[ -n $WINDOW_LOG_PROBE && -n $ARTEFACTS ]] || fail "no window log probe given"
        mkdir -p "$ARTEFACTS"
        main=none
        [[ $CASE == qt_box_cancel ]] && arguments=("$WORK/x.prn") || arguments=()
        KS_WINDOW_LOG=$WORK/windows LD_PRELOAD=$WINDOW_LOG_PROBE KESTRELSPOOLER_DEADLINES=lookup=60 \
            "$PROGRAM" "${arguments[@]}" </dev/null >"$WORK/stdout" 2>"$WORK/stderr" &
        PIDS+=($!)
        if [[ $CASE == qt_window_box_cancel ]]; then
            main=$(visible_window 30) || fail "no main window"
            # The remembered printer stands in the printer box; the focus starts on File
            # select, and Print is two tabs on.
            sleep 0.5
            xdotool key --window "$main" Tab Tab space
        fi
        box=$(visible_window 30 "$main") || fail "no password box was shown"
        sleep 0.5  # drawn
        import -window "$box" "$ARTEFACTS/password_box_$CASE.png" || fail "no screenshot of the box"
        xdotool key --window "$box" Escape
        for ((i = 0; i < 300; i++)); do
            grep -qxF "box: $CANCELLED" "$WORK/windows" 2>/dev/null && break
            sleep 0.1
        done
        expect_line "box: $CANCELLED" windows
        if [[ $CASE == qt_box_cancel ]]; then
            message=$(visible_window 10) && xdotool key --window "$message" Return
            program=${PIDS[-1]}
            for ((i = 0; i < 100; i++)); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
            wait "$program"
            STATUS=$?
            expect_status 1
        fi
        expect_nothing_left
        ;;
    *)
        echo "unknown case $CASE" >&2
        exit 2
        ;;
esac
echo "PASS [$CASE]"
