#!/usr/bin/env bash
# The About window of Kestrelspooler.exe under Wine and Xvfb, driven from a second process with the
# mouse and the keyboard: the banner and Help > About open one window, placed and sized as its table
# says at 96 DPI, with its fixed texts, the warning in red and the focus on OK; Esc, Enter and OK close
# it and the next opening starts afresh; the program lives on while it is open after the main window
# has closed. Keeps a screenshot of the window.
# Usage: about_window_test.sh Kestrelspooler.exe DRIVER.exe WEB_ADDRESS ARTEFACT_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
APP=$1 DRIVER=$2 WEB_ADDRESS=$3 ARTEFACTS=$4
mkdir -p "$ARTEFACTS"

new_prefix
start_xvfb
# No scheduler: the program starts with an empty printer list, and nothing waits on one.
export CUPS_SERVER=$WORK/no-scheduler.sock

# Runs the driver once and checks its output line by line.
# Usage: expect CASE LABEL EXPECTED [LABEL EXPECTED]... -- STEP...
expect() {
    local case=$1 labels=() want=() got i
    shift
    while [[ $1 != -- ]]; do
        labels+=("$1") want+=("$2")
        shift 2
    done
    shift
    mapfile -t got < <(drive "$case" "$@")
    for i in "${!want[@]}"; do
        check_eq "${labels[i]}" "${want[i]}" "${got[i]:-}"
    done
    ((${#got[@]} <= ${#want[@]})) || fail "$case: more than expected: ${got[*]:${#want[@]}}"
}

# The texts exactly as the window must show them, the title first, then the table's controls.
TEXTS=("title=About MyApp"
    "lblTitle=Kestrelspooler"
    "lblVersion=Version 1.4"
    "lblDescription=Send file directly to selected printerspooler. If you send big files, the processing will take several minutes. Some spooler check the datas, this can provocate an error. In this case, try Windows Generic Driver."
    "lblDisclaimer=Warning: No warranty. If you send firmware updates to a printer you do it at your own risc!"
    "Command1=$WEB_ADDRESS"
    "cmdOK=OK")
texts_as() {  # label prefix: label/expected pairs for `expect`
    local line
    for line in "${TEXTS[@]}"; do
        printf '%s\0%s\0' "$1: ${line%%=*}" "$line"
    done
}
mapfile -d '' TEXTS_FIRST < <(texts_as "first opening")
mapfile -d '' TEXTS_AGAIN < <(texts_as "reopened")

start_app about

# 1. The banner opens it; Help > About while it is open brings the same one forward.
expect open \
    "main window" "main" \
    "the banner opens the About window" "about" \
    "one About window" "about windows 1" \
    "Help > About while open: still one window" "about windows 1" \
    "the test's figures are for 96 DPI" "dpi 96" \
    "client area 377 x 218" "client 377 218" \
    "fixed dialog border, no boxes, no owner" "resizable 0 minimize 0 maximize 0 dialog-frame 1 owner none" \
    "centred on the screen" "centred" \
    "focus on OK when shown" "focus cmdOK" \
    "${TEXTS_FIRST[@]}" \
    -- main banner about count menu About count dpi client frame centred focus texts

# 2. Every control where the program's table puts it: its twips / 15 at 96 DPI (-1 for a figure
# that is no whole pixel there).
mapfile -t layout < <(drive layout table layout)
half=$((${#layout[@]} / 2))
((half > 0 && ${#layout[@]} == 2 * half)) || fail "layout: no figures from the driver: ${layout[*]}"
for ((i = 0; i < half; i++)); do
    layout[i]=$(awk '{ printf "%s", $1; for (i = 2; i <= 5; i++) printf " %d", $i % 15 ? -1 : $i / 15 }' <<<"${layout[i]}")
    check_eq "place and size of ${layout[i]%% *}" "${layout[i]}" "${layout[i + half]}"
done

# 3. The screenshot: kept, and read for the warning's red and the separator.
shot=$ARTEFACTS/about_window.png
read -r _ window_w window_h _ client_x client_y < <(drive geometry shot-geometry)
if screenshot "About MyApp" "$shot"; then
    pass "screenshot in $shot"
    check_eq "screenshot is the whole window" "${window_w}x${window_h}" "$(identify -format '%wx%h' "$shot")"
    convert "$shot" -depth 8 txt:- >"$WORK/shot.txt"
    # The warning's place in the screenshot, from the layout figures.
    read -r _ warn_x warn_y warn_w warn_h < <(printf '%s\n' "${layout[@]:half}" | grep '^lblDisclaimer ')
    read -r red_inside red_outside < <(awk -F'[,: ()#]+' \
        -v x0=$((client_x + warn_x)) -v y0=$((client_y + warn_y)) -v w="$warn_w" -v h="$warn_h" '
        /^#/ { next }
        {
            r = $3; g = $4; b = $5
            if (r > 180 && g < 110 && b < 110) {
                if ($1 >= x0 && $1 < x0 + w && $2 >= y0 && $2 < y0 + h) inside++; else outside++
            }
        }
        END { print inside + 0, outside + 0 }' "$WORK/shot.txt")
    if ((red_inside > 50)); then pass "the warning is drawn red ($red_inside red pixels)"
    else fail "the warning is not drawn red ($red_inside red pixels in its place)"; fi
    check_eq "no red anywhere else" 0 "$red_outside"
    # The separator at 2160 twips (row 144): the white line lies in front of the grey one
    # and ends where the table says, at 5520 twips (x 368).
    white=$(awk -F'[,: ()#]+' -v y=$((client_y + 144)) -v x0=$((client_x + 7)) -v x1=$((client_x + 368)) '
        $2 == y && $1 >= x0 && $1 <= x1 && $3 == 255 && $4 == 255 && $5 == 255 { n++ }
        $2 == y && $1 == x1 + 1 && !($3 == 255 && $4 == 255 && $5 == 255) { ends = 1 }
        END { print n + 0, ends ? "ends at 368" : "runs on" }' "$WORK/shot.txt")
    check_eq "separator: white from x 7 to 368 on row 144" "362 ends at 368" "$white"
else
    fail "no screenshot of the About window"
fi

# 4. Esc, Enter and OK close it; each opening shows the fixed texts afresh, with the focus on OK.
expect keys \
    "Esc closes it" "about closed" \
    "Help > About opens it again" "about" \
    "${TEXTS_AGAIN[@]}" \
    "reopened: focus on OK" "focus cmdOK" \
    "Enter closes it" "about closed" \
    "the banner opens it again" "about" \
    "OK closes it" "about closed" \
    "opened once more" "about" \
    "Tab moves to the web-address button" "focus Command1" \
    "Esc closes it from the web-address button" "about closed" \
    -- set lblVersion "Version 0.0" key Escape about-closed menu About about texts focus key Return about-closed \
       banner about press cmdOK about-closed menu About about key Tab focus key Escape about-closed

# 5. With the main window closed the program runs on until the About window closes too.
expect main-first \
    "opened before closing the main window" "about" \
    "the main window closes" "main closed" \
    "the About window stays" "about windows 1" \
    -- menu About about close-main main-closed count
if kill -0 "$APP_PID" 2>/dev/null; then pass "the program runs on while the About window is open"
else fail "the program ended with the About window still open"; fi
expect last-window "OK closes the last window" "about closed" -- press cmdOK about-closed
app_status
check_eq "then the program ends, status 0" 0 "$APP_STATUS"

finish
