#!/usr/bin/env bash
# Kestrelspooler.exe's main window under Wine and Xvfb, driven from a second process: files dragged
# onto the path field, a label, the banner and the background load the first file and show its size;
# dropped text reloads the path field's file; "Default printer" and malformed file lists change
# nothing; the Print button and File > Print send the same job to the private CUPS scheduler, and
# Print with another file's path typed into the path field sends that file;
# File > Exit keeps the remembered printer, the close box saves it; at 120 DPI the layout scales.
# Keeps screenshots of the window.
# Usage: main_window_test.sh Kestrelspooler.exe DRIVER.exe PROBE.exe ANSWER.exe ARTEFACT_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
APP=$1 DRIVER=$2 PROBE=$3 ANSWER=$4 ARTEFACTS=$5
mkdir -p "$ARTEFACTS"

new_prefix
start_spooler
start_xvfb

jobs_dir="$WINEPREFIX/drive_c/jobs"
mkdir -p "$jobs_dir"
# Files of different sizes, so that each drop shows which file it loaded.
for name in a b c d e f; do
    size=$((1000 + $(printf '%d' "'$name") - 96))
    head -c "$size" /dev/urandom >"$jobs_dir/$name.prn"
done
J='C:\jobs'

check_eq "remember Kestrel-Raw" 0 "$(run_wine save "$PROBE" settings-save "Kestrel-Raw")"

# 1. Drops, in one run of the driver: each line answers one step.
start_app drops
expected="window
Combo1=Kestrel-Raw
Text1=0
effect 1
Text2=$J\\a.prn
Text1=1001
effect 1
Text2=$J\\b.prn
Text1=1002
effect 1
Text2=$J\\c.prn
Text1=1003
effect 1
Text2=$J\\d.prn
Text1=1004
effect 1
Text2=$J\\e.prn
Text1=1005
effect 0
Text2=$J\\e.prn
Text1=1005"
for i in 0 1 2 3; do
    expected+="
effect 1
Text2=$J\\e.prn
Text1=1005"
done
malformed=()
for i in 0 1 2 3; do
    malformed+=(drop Text2 "malformed:$i:$J\\f.prn" text Text2 text Text1)
done
actual=$(drive drops window text Combo1 text Text1 \
    drop Text2 "files:$J\\a.prn|$J\\b.prn|$J\\c.prn" text Text2 text Text1 \
    drop Label2 "files:$J\\b.prn|$J\\c.prn|$J\\a.prn" text Text2 text Text1 \
    drop Image1 "files:$J\\c.prn|$J\\a.prn|$J\\b.prn" text Text2 text Text1 \
    drop background "files:$J\\d.prn|$J\\a.prn|$J\\b.prn" text Text2 text Text1 \
    set Text2 "$J\\e.prn" drop background "text:$J\\a.prn" text Text2 text Text1 \
    drop Command3 "files:$J\\f.prn|$J\\a.prn" text Text2 text Text1 \
    "${malformed[@]}")
# Read out line by line, so that a failure names the drop.
mapfile -t want <<<"$expected"
mapfile -t got <<<"$actual"
labels=(window "remembered printer" "size at start"
    "path field: taken" "path field: path" "path field: size"
    "label: taken" "label: path" "label: size"
    "banner: taken" "banner: path" "banner: size"
    "background: taken" "background: path" "background: size"
    "text: taken" "text: path kept" "text: size of the path field's file"
    "Default printer: refused" "Default printer: path unchanged" "Default printer: size unchanged")
for kind in "cut off" "offset past the end" "no terminator" "offset inside the header"; do
    labels+=("malformed ($kind): taken" "malformed ($kind): path unchanged" "malformed ($kind): size unchanged")
done
for i in "${!want[@]}"; do
    check_eq "drop ${labels[$i]}" "${want[$i]}" "${got[$i]:-}"
done
if screenshot Kestrelspooler "$ARTEFACTS/main_window.png"; then
    pass "screenshot in $ARTEFACTS/main_window.png"
else
    fail "no screenshot of the main window"
fi

# 2. The Print button and File > Print send the same job: the loaded file, unchanged.
print_by() {  # case steps...
    local case=$1
    shift
    drive "$case" "$@" >/dev/null
    run_wine "$case-box" "$ANSWER" "Message" 30 >/dev/null
    check_eq "$case: Executed!" "text: Executed!" "$(grep '^text:' "$WORK/$case-box.out" | tr -d '\r')"
}
print_by button click Command2
print_by menu menu Print
if wait_for_jobs 2; then
    mapfile -t jobs < <(find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | sort)
    for job in "${jobs[@]}"; do
        if cmp -s "$jobs_dir/e.prn" "$job"; then pass "job $(basename "$job") is the loaded file"
        else fail "job $(basename "$job") differs from the loaded file"; fi
    done
    # The scheduler writes a job's record a little after the job is done.
    for ((i = 0; i < 50; i++)); do
        [[ $(spooler_job_names | wc -l) -ge 2 ]] && break
        sleep 0.1
    done
    check_eq "two jobs named Command Print" "Command Print
Command Print" "$(spooler_job_names)"
else
    fail "the two jobs did not reach the printer"
fi
# A path typed over the loaded file's: Print loads the typed file and sends it.
print_by typed set Text2 "$J\\b.prn" click Command2
expect_job "typed path: the typed file" 3 "$jobs_dir/b.prn"

# 3. File > Exit ends at once and keeps the remembered printer.
drive exit set Combo1 "Typed-Before-Exit" menu Exit >/dev/null
app_status
check_eq "Exit: exit status" 0 "$APP_STATUS"
run_wine get1 "$PROBE" settings-get >/dev/null
check_eq "Exit: the printer name is not saved" "Kestrel-Raw" "$(tr -d '\r' <"$WORK/get1.out")"

# 4. The next start shows the name saved before; its close box saves the new one.
start_app closing
check_eq "next start: the name saved before" "window
Combo1=Kestrel-Raw" "$(drive restart window text Combo1)"
drive close set Combo1 "Typed-Before-Close" close gone >/dev/null
app_status
check_eq "close box: the program ended" 0 "$APP_STATUS"
run_wine get2 "$PROBE" settings-get >/dev/null
check_eq "close box: the printer name is saved" "Typed-Before-Close" "$(tr -d '\r' <"$WORK/get2.out")"

# 5. At 120 DPI every place and size scales with the window's DPI: twips * 120 / 1440, rounded.
for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d 120 /f </dev/null >>"$WORK/dpi.log" 2>&1
done
"$KS_SOURCE_ROOT/scripts/wine" stop "$WINEPREFIX"
WINEPREFIX=$WINEPREFIX wineserver -p </dev/null >/dev/null 2>&1
start_app dpi120
# The figures in twips come from the program's own table: "client W H", then "NAME L T W H".
mapfile -t table < <(drive table table)
((${#table[@]} > 1)) || fail "120 DPI: no table from the driver: ${table[*]}"
px() { awk -v t="$1" 'BEGIN { printf "%d", int(t * 120 / 1440 + 0.5) }'; }
steps=(window client) expected=window combo=()
for line in "${table[@]}"; do
    read -r name left top width height <<<"$line"
    if [[ $name == client ]]; then
        expected+="
client $(px "$left") $(px "$top")"
    elif [[ $name == Combo1 ]]; then
        combo=("$left" "$top" "$width" "$height")
    else
        steps+=(rect "$name")
        expected+="
$name $(px "$left") $(px "$top") $(px "$width") $(px "$height")"
    fi
done
check_eq "120 DPI: client area and controls" "$expected" "$(drive dpi120 "${steps[@]}")"
# The printer name box's field is as high as its font needs, at least the table's height.
read -r _ left top width height < <(drive dpi120-combo rect Combo1)
check_eq "120 DPI: printer name box place and width" "$(px "${combo[0]}") $(px "${combo[1]}") $(px "${combo[2]}")" \
    "$left $top $width"
if ((height >= $(px "${combo[3]}") && height <= $(px "${combo[3]}") + 3)); then pass "120 DPI: printer name box height $height"
else fail "120 DPI: printer name box height $height, table $(px "${combo[3]}")"; fi
screenshot Kestrelspooler "$ARTEFACTS/main_window_120dpi.png"
drive dpi120-close close gone >/dev/null
app_status
check_eq "120 DPI: closed" 0 "$APP_STATUS"

finish
