# Shared steps of the Windows tests driven from the shell: a work folder, a Wine prefix copied
# from the template, a private spooler, a private X server, and checks that report and count.
# Sourced by the test scripts; needs KS_SOURCE_ROOT and KS_WINE_ROOT_DEFAULT from CTest.
set -uo pipefail

WORK=$(mktemp -d /tmp/ks-win32-test.XXXXXX)
chmod 755 "$WORK"  # the scheduler's backends run as lp and read the spool inside
export WINEPREFIX=$WORK/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
SPOOLER_DIR=""
XVFB_PID=""
FAILURES=0

cleanup() {
    "$KS_SOURCE_ROOT/scripts/wine" stop "$WINEPREFIX"
    [[ -n $SPOOLER_DIR ]] && "$KS_SOURCE_ROOT/scripts/spooler" stop "$SPOOLER_DIR" >/dev/null 2>&1
    [[ -n $XVFB_PID ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if ((FAILURES)); then
        echo "work folder kept for a look: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }
check_eq() {  # what expected actual
    if [[ $2 == "$3" ]]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}

new_prefix() {
    "$KS_SOURCE_ROOT/scripts/wine" prefix --root "$KS_WINE_ROOT_DEFAULT" "$WINEPREFIX" ||
        { echo "could not make a Wine prefix"; exit 1; }
}

start_spooler() {
    SPOOLER_DIR=$WORK/spooler
    "$KS_SOURCE_ROOT/scripts/spooler" start "$SPOOLER_DIR" >"$WORK/spooler.env" 2>"$WORK/spooler.err" ||
        { cat "$WORK/spooler.err"; echo "could not start the private spooler"; exit 1; }
    set -a
    # shellcheck disable=SC1091
    source "$WORK/spooler.env"
    set +a
}

start_xvfb() {
    local fifo=$WORK/display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start"; exit 1; }
    export DISPLAY=:$number
}

# Writes FILE with every byte value, line ends of both kinds, a Ctrl-Z and a NUL, then SIZE
# random bytes: nothing on the way to the printer may convert any of them.
write_printer_data() {  # file size
    local i
    {
        for ((i = 0; i < 256; i++)); do printf "\\x$(printf %02x "$i")"; done
        printf '\x1b%%-12345X@PJL\r\nfirmware\n\x1a\x00end'
        head -c "$2" /dev/urandom
    } >"$1"
}

# Windows' own path of a folder here, through Wine's drive Z: (the root).
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Runs a test program that works in its own process and asks for screenshots, and counts its
# exit status as one check. It asks with NAME.request files in WORK/shots (KS_SHOTS_FOLDER, see
# screenshot_request.h); each is saved as ARTEFACTS/NAME.png.
in_process_tests() {  # case program arguments...
    local case=$1 program=$2 shooter status shots=$WORK/shots
    shift 2
    mkdir -p "$shots"
    (
        while :; do
            for request in "$shots"/*.request; do
                [[ -e $request ]] || continue
                name=$(basename "$request" .request)
                import -window root "$ARTEFACTS/$name.png" 2>/dev/null
                rm -f "$request"
                : >"$shots/$name.done"
            done
            sleep 0.1
        done
    ) &
    shooter=$!
    status=$(KS_SHOTS_FOLDER=$(windows_path "$shots") run_wine "$case" "$program" "$@")
    kill "$shooter" && wait "$shooter" 2>/dev/null
    rm -f "$shots"/*
    tr -d '\r' <"$WORK/$case.out" | grep -E '^\[ +(OK|FAILED|SKIPPED) +\]|Failure|Expected|Which is|actual' || true
    check_eq "$case: in-process tests" 0 "$status"
}

# Runs a Windows program to completion with its output in files; prints its exit status.
run_wine() {  # name program args...
    local name=$1 status=0
    shift
    wine "$@" </dev/null >"$WORK/$name.out" 2>"$WORK/$name.err" || status=$?
    echo "$status"
}

# Starts the program $APP in the background, its output in WORK/CASE.*; its process id in APP_PID.
start_app() {  # case
    wine "$APP" </dev/null >"$WORK/$1.out" 2>"$WORK/$1.err" &
    APP_PID=$!
}

# Waits (bounded) for the program to end and sets APP_STATUS to its exit status, or to "still
# running". Call it in this shell, never inside $(...): only the shell that started the program can
# collect its status, and a subshell would race the parent reaping it.
app_status() {
    local i
    APP_STATUS=0
    for ((i = 0; i < 200; i++)); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        kill "$APP_PID"
        APP_STATUS="still running"
        return
    fi
    wait "$APP_PID" || APP_STATUS=$?
}

# Runs the driver program $DRIVER with STEPS, its output in WORK/CASE.driver*; prints its output.
drive() {  # case steps...
    local case=$1
    shift
    wine "$DRIVER" "$@" </dev/null >"$WORK/$case.driver" 2>"$WORK/$case.driver.err" ||
        echo "driver exit status $?" >>"$WORK/$case.driver.err"
    tr -d '\r' <"$WORK/$case.driver"
}

# Waits (bounded: 30 s, or SECONDS) until a top-level window titled TITLE has its X window.
wait_for_window() {  # title [seconds]
    local i
    for ((i = 0; i < ${2:-30} * 10; i++)); do
        xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\": (" && return 0
        sleep 0.1
    done
    return 1
}

# Saves a picture of the top-level window titled TITLE (its X window under Xvfb) to FILE.
screenshot() {  # title file
    local id
    id=$(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\": (" 'index($0, name) { print $1; exit }')
    [[ -n $id ]] && import -window "$id" "$2" 2>/dev/null
}

# The name of every job the private scheduler took, one per line in job order. Completed jobs
# no longer report their names over IPP, so they are read from the scheduler's job records
# (IPP attributes: value tag, name length, name, value length, value).
spooler_job_names() {
    local record
    for record in "$SPOOLER_DIR"/spool/c*; do
        [[ -e $record ]] || continue
        perl -0777 -ne 'if (/job-name/g) { my $n = unpack("n", substr($_, pos($_), 2)); print substr($_, pos($_) + 2, $n), "\n"; }' "$record"
    done
}

# Every job file the fake printer stored, oldest first.
jobs_now() { find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | sort; }

# Waits until N job files arrived at the fake printer and no job is pending; bounded (20 s, or
# SECONDS).
wait_for_jobs() {  # count [seconds]
    local i
    for ((i = 0; i < ${2:-20} * 10; i++)); do
        if (($(jobs_now | wc -l) >= $1)) &&
            [[ -z $(lpstat -o 2>/dev/null) ]]; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Checks that the fake printer's job number N (from 1) arrives within SECONDS (20 unless told)
# and holds the bytes of FILE unchanged.
expect_job() {  # case n file [seconds]
    local job=""
    wait_for_jobs "$2" "${4:-20}" && job=$(jobs_now | sed -n "$2p")
    if [[ -n $job ]] && cmp -s "$3" "$job"; then pass "$1: bytes arrived unchanged"
    else fail "$1: the printer received ${job:+$(stat -c %s "$job") other bytes}${job:-nothing}"; fi
}

finish() {
    if ((FAILURES)); then
        echo "$FAILURES check(s) failed"
        exit 1
    fi
    echo "all checks passed"
}
