#!/usr/bin/env bash
# The real program on a virtual X display against the private scheduler, behind a slow road
# for long jobs: no window for short jobs; the progress window of a long one, moving, and
# Esc cancelling it; the main window answering pings while a job runs.
#
#   progress_xvfb.sh PROGRAM SLOW_PROXY X11_PROBE WINDOW_LOG_PROBE SPOOLER_SCRIPT SPOOLER_DIR ARTEFACTS
#
# Runs inside xvfb-run (screen 1024x768x24); SPOOLER_DIR is the scheduler the test fixture
# started. Screenshots land in ARTEFACTS.
set -uo pipefail

(($# == 7)) || { echo "usage: $0 PROGRAM SLOW_PROXY X11_PROBE WINDOW_LOG_PROBE SPOOLER_SCRIPT SPOOLER_DIR ARTEFACTS" >&2; exit 2; }
readonly PROGRAM=$1 SLOW_PROXY=$2 X11_PROBE=$3 WINDOW_LOG_PROBE=$4 SPOOLER=$5 SPOOLER_DIR=$6 ARTEFACTS=$7
# 8 MB a second: a 96 MiB job takes 12 s, long enough to look at, short enough to wait for.
readonly RATE=8000000

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ks-progress.XXXXXX")
PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

STEP=""
fail() {
    echo "FAIL [$STEP]: $*" >&2
    for f in "$WORK/windows" "$WORK/output"; do
        [[ -f $f ]] && { echo "--- ${f##*/}:" >&2; head -c 4000 "$f" >&2; }
    done
    exit 1
}

# The user's settings and printers stay out of reach; the remembered printer is the raw queue.
unset WAYLAND_DISPLAY QT_QPA_PLATFORM LPDEST PRINTER
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/config QT_SCALE_FACTOR=1 QT_FONT_DPI=96
mkdir -p "$HOME" "$XDG_CONFIG_HOME/Kestrelspooler" "$ARTEFACTS"
printf '[STARTUP]\nDrucker=Kestrel-Raw\n' >"$XDG_CONFIG_HOME/Kestrelspooler/Kestrelspooler.conf"
while IFS= read -r line; do export "${line?}"; done < <("$SPOOLER" env "$SPOOLER_DIR") || fail "no private spooler"
readonly DIRECT=$CUPS_SERVER SLOW=$WORK/slow.sock

"$SLOW_PROXY" --listen "$SLOW" --to "$DIRECT" --rate "$RATE" 2>"$WORK/proxy.log" &
PIDS+=($!)
for _ in $(seq 50); do [[ -S $SLOW ]] && break; sleep 0.1; done
[[ -S $SLOW ]] || fail "the slow proxy did not start"

head -c 1024 /dev/urandom >"$WORK/small.prn"
head -c $((10 * 1024 * 1024)) /dev/urandom >"$WORK/ten.prn"
head -c $((24 * 1024 * 1024)) /dev/urandom >"$WORK/left-alone.bin"
head -c $((96 * 1024 * 1024)) /dev/urandom >"$WORK/firmware.bin"

job_files() { ls -1 "$KS_SPOOLER_JOBS" | grep '^job-' | sort; }

# Starts the program with the window log, against the scheduler at $1; PROGRAM_PID.
start_program() {  # cups_server [file]
    rm -f "$WORK/windows"
    CUPS_SERVER=$1 KS_WINDOW_LOG=$WORK/windows LD_PRELOAD=$WINDOW_LOG_PROBE \
        "$PROGRAM" "${@:2}" </dev/null >"$WORK/output" 2>&1 &
    PROGRAM_PID=$!
    PIDS+=("$PROGRAM_PID")
}

# The id of a visible window with exactly this title, other than $3, waiting up to $2 seconds.
window_id() {  # title seconds [but_not]
    local id i
    for ((i = 0; i <= $2 * 10; i++)); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -vx "${3:-none}" | head -n 1)
        [[ -n $id ]] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

wait_for_log_line() {  # line seconds
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        grep -qxF -- "$1" "$WORK/windows" 2>/dev/null && return 0
        sleep 0.1
    done
    fail "the program never showed: $1"
}

# Answers the message box with Enter once it says `line` (the main window, when one is
# open, shares the box's caption).
answer_box() {  # line caption [main_window] [screenshot]
    local box
    wait_for_log_line "$1" 30
    box=$(window_id "$2" 10 "${3:-}") || fail "no visible box captioned $2"
    [[ -z ${4:-} ]] || import -window "$box" "$4"
    xdotool key --window "$box" Return
}

expect_exit() {  # status
    local status
    for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$PROGRAM_PID" 2>/dev/null && fail "the program did not end"
    wait "$PROGRAM_PID"
    status=$?
    ((status == $1)) || fail "exit status $status, expected $1"
}

expect_nothing_printed() {  # jobs before
    sleep 2
    [[ $(job_files) == "$1" ]] || fail "the printer received a job"
    [[ -z $(lpstat -o Kestrel-Raw 2>/dev/null) ]] || fail "a job is left in the queue"
}

STEP="short jobs show no window"
for file in small.prn ten.prn; do
    start_program "$DIRECT" "$WORK/$file"
    answer_box "box: Message: Executed!" Message
    expect_exit 0
    ! grep -q '^window: ' "$WORK/windows" || fail "$file flashed a window: $(grep '^window: ' "$WORK/windows")"
done

STEP="a long command-line job: the progress window, moving, and Esc"
before=$(job_files)
start_program "$SLOW" "$WORK/firmware.bin"
progress=$(window_id "Printing firmware.bin" 10) || fail "no progress window"
window_id Kestrelspooler 0 >/dev/null && fail "the command-line run showed its main window"
sleep 0.3
import -window "$progress" "$ARTEFACTS/progress_window_xvfb.png"
sleep 1
import -window "$progress" "$WORK/later.png"
moved=$(compare -metric AE "$ARTEFACTS/progress_window_xvfb.png" "$WORK/later.png" null: 2>&1)
[[ $moved =~ ^[0-9]+$ ]] && ((moved > 0)) || fail "the progress window did not change in a second ($moved)"
xdotool key --window "$progress" Escape
answer_box "box: Kestrelspooler: The print job was cancelled." Kestrelspooler "" "$ARTEFACTS/cancelled_box_xvfb.png"
expect_exit 1
expect_nothing_printed "$before"

STEP="the main window during a long job"
before=$(job_files)
start_program "$SLOW"
main=$(window_id Kestrelspooler 10) || fail "no main window"
xdotool key --window "$main" space  # File select has the focus
window_id "Open file" 10 >/dev/null || fail "no open-file dialog"
xdotool type --delay 5 "$WORK/firmware.bin"
xdotool key Return
sleep 1
xdotool key --window "$main" Tab Tab space  # on to Print
progress=$(window_id "Printing firmware.bin" 10) || fail "no progress window after Print"
"$X11_PROBE" alive "$main" 3 >"$WORK/probe" || fail "the main window froze: $(cat "$WORK/probe")"
echo "main window while printing: $(cat "$WORK/probe")"
"$X11_PROBE" close "$main"
sleep 0.5
window_id Kestrelspooler 0 >/dev/null || fail "the main window closed while its job ran"
import -window root "$ARTEFACTS/main_window_printing_xvfb.png"
# A click on Cancel: 3945,1305 twips and 1215 x 375 in the table, 96 DPI, no frame around it.
xdotool mousemove --window "$progress" $(((3945 + 1215 / 2) / 15)) $(((1305 + 375 / 2) / 15)) click 1
answer_box "box: Kestrelspooler: The print job was cancelled." Kestrelspooler "$main"
sleep 0.5
"$X11_PROBE" close "$main"
expect_exit 0
expect_nothing_printed "$before"

STEP="a long job left alone prints byte for byte"
before=$(job_files)
start_program "$SLOW" "$WORK/left-alone.bin"
answer_box "box: Message: Executed!" Message
expect_exit 0
grep -qxF "window: Printing left-alone.bin" "$WORK/windows" || fail "no progress window for a 3 s job"
for _ in $(seq 300); do
    new=$(comm -13 <(echo "$before") <(job_files) | head -n 1)
    [[ -n $new ]] && break
    sleep 0.1
done
[[ -n $new ]] || fail "the printer received no job"
cmp -s "$KS_SPOOLER_JOBS/$new" "$WORK/left-alone.bin" || fail "the printer received other bytes"
rm -f "$KS_SPOOLER_JOBS/$new"

echo "PASS"
