#!/usr/bin/env bash
# Printer and file names beyond any legacy code page, in the Windows program under Wine and Xvfb against the
# private CUPS scheduler: queues "Étiquettes-Büro" and "ラベル", files "日本 ラベル.prn" and "🖨 label.prn".
# The command-line run prints each file to each printer byte for byte; the remembered printer travels through
# the registry between the legacy regime and UTF-8; the in-process tests (TESTS.exe) cover the printer box,
# Default printer, Print, a drop, the open dialog and the close box, and ask this script for screenshots.
# Usage: unicode_test.sh Kestrelspooler.exe LEGACY_PROBE.exe UTF8_PROBE.exe ANSWER.exe TESTS.exe ARTEFACT_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
APP=$1 LEGACY_PROBE=$2 UTF8_PROBE=$3 ANSWER=$4 TESTS=$5 ARTEFACTS=$6
mkdir -p "$ARTEFACTS"
rm -f "$ARTEFACTS"/*.png

readonly ACCENTED="Étiquettes-Büro" KANA="ラベル"
readonly FILES=("日本 ラベル.prn" "🖨 label.prn")

# Imports a .reg file into the prefix; prints regedit's exit status. regedit has been seen
# to end with 1 once, on a machine busy with parallel Wine tests: it is given three tries.
import_reg() {  # case file
    local try status
    for try in 1 2 3; do
        status=$(run_wine "$1-$try" regedit /S "$(windows_path "$2")")
        ((status == 0)) && break
    done
    echo "$status"
}

new_prefix
# A Japanese face for Wine, IPAGothic. Text drawn with GDI (list boxes, static text, message
# boxes) gets the glyphs an outline face lacks from the faces it links to, and Tahoma links to
# "MS UI Gothic", for which IPAGothic stands in. Edit controls draw through Uniscribe, whose
# fallback face for kana ('kana') and kanji ('hani') Wine reads from its own key.
readonly JAPANESE_FACE=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf  # fonts-ipafont-gothic
[[ -e $JAPANESE_FACE ]] || { echo "missing $JAPANESE_FACE: scripts/install-deps windows"; exit 1; }
ln -sf "$JAPANESE_FACE" "$WINEPREFIX/drive_c/windows/Fonts/"
{
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
    printf '"MS UI Gothic"="IPAGothic"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Uniscribe\\Fallback]\r\n'
    printf '"616e616b"="IPAGothic"\r\n"696e6168"="IPAGothic"\r\n'
} >"$WORK/fonts.reg"
check_eq "fonts registered" 0 "$(import_reg fonts "$WORK/fonts.reg")"

start_spooler
uri="socket://127.0.0.1:$(cat "$SPOOLER_DIR/printer.port")"
for queue in "$ACCENTED" "$KANA"; do
    lpadmin -p "$queue" -E -v "$uri" -o job-sheets-default=none,none -o printer-error-policy=abort-job ||
        { echo "lpadmin could not create $queue"; exit 1; }
done
lpadmin -d "$KANA" || { echo "cannot make $KANA the default"; exit 1; }
start_xvfb

folder="$WINEPREFIX/drive_c/unicode"
mkdir -p "$folder"
for file in "${FILES[@]}"; do
    write_printer_data "$folder/$file" 50000
done

# 1. The command-line run: each file to each printer, remembered by the UTF-8 probe.
for printer in "$ACCENTED" "$KANA"; do
    for file in "${FILES[@]}"; do
        case="cli $printer $file"
        check_eq "$case: remember the printer" 0 "$(run_wine save "$UTF8_PROBE" settings-save "$printer")"
        before=$(jobs_now | wc -l)
        wine "$APP" "C:\\unicode\\$file" </dev/null >"$WORK/cli.out" 2>"$WORK/cli.err" &
        APP_PID=$!
        run_wine box "$ANSWER" Message 60 >/dev/null
        check_eq "$case: message" "text: Executed!" "$(grep '^text:' "$WORK/box.out")"
        app_status
        check_eq "$case: exit status" 0 "$APP_STATUS"
        expect_job "$case" $((before + 1)) "$folder/$file" 30
    done
done
# lpstat names the jobs of a queue by the queue's name as it stands in the queue's URI.
uri_name() { printf %s "$1" | perl -pe 's/([^A-Za-z0-9._~-])/sprintf("%%%02X", ord($1))/ge'; }
for queue in "$ACCENTED" "$KANA"; do
    check_eq "the scheduler's queue $queue took two jobs" 2 \
        "$(lpstat -W completed -o 2>/dev/null | grep -c "^$(uri_name "$queue")-")"
done

# 2. The remembered printer between the regimes: the registry keeps UTF-16, so what one writes
# the other reads, for every name both can spell. The legacy regime (1252) cannot spell the kana
# and refuses to save them rather than storing question marks; the name before stays.
registry_case() {  # writer value save-status reader expected
    local writer=$1 value=$2 status=$3 reader=$4 expected=$5
    check_eq "$writer saves [$value]" "$status" "$(run_wine save "$writer" settings-save "$value")"
    run_wine get "$reader" settings-get >/dev/null
    check_eq "$reader reads [$expected]" "$expected" "$(cat "$WORK/get.out")"
}
registry_case "$LEGACY_PROBE" "$ACCENTED" 0 "$UTF8_PROBE" "$ACCENTED"
registry_case "$UTF8_PROBE" "$KANA" 0 "$UTF8_PROBE" "$KANA"
registry_case "$LEGACY_PROBE" "$KANA" 1 "$UTF8_PROBE" "$KANA"
registry_case "$UTF8_PROBE" "$ACCENTED" 0 "$LEGACY_PROBE" "$ACCENTED"

# 3. The window in-process, with screenshots.
export KS_UNICODE_FOLDER='C:\unicode'
in_process_tests window "$TESTS"
for shot in printer-box executed-kana open-dialog executed-accented; do
    [[ -s $ARTEFACTS/$shot.png ]] && pass "screenshot $shot" || fail "no screenshot $shot"
done

finish
