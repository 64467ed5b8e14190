#!/bin/sh
# Starts the real program on a virtual X display, checks where its window opened and photographs it.
# Usage (inside xvfb-run, screen 1024x768): xvfb_screenshot.sh PROGRAM OUTPUT.png
set -eu
program=$1
out=$2
mkdir -p "$(dirname "$out")"
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
# The user's settings and printers stay out of reach.
export HOME="$work" XDG_CONFIG_HOME="$work/config" CUPS_SERVER="$work/no-scheduler.sock"
"$program" >"$work/output" 2>&1 &
pid=$!

id=
for _ in $(seq 50); do
    id=$(xwininfo -root -tree | awk '/"Kestrelspooler": \("kestrelspooler"/ { print $1; exit }')
    [ -n "$id" ] && break
    sleep 0.2
done
if [ -z "$id" ]; then
    echo "the main window did not appear"; cat "$work/output"; exit 1
fi
sleep 0.5  # let it paint
import -window "$id" "$out"

info=$(xwininfo -id "$id")
field() { echo "$info" | awk -F: -v k="$1" '$1 ~ k { gsub(/ /, "", $2); print $2 }'; }
x=$(field "Absolute upper-left X"); y=$(field "Absolute upper-left Y")
w=$(field "Width"); h=$(field "Height")
echo "window $id: ${w}x${h} at $x,$y"
# 6495 twips at 96 DPI; the height adds the menu bar to the 177 pixels of client area.
[ "$w" -eq 433 ] || { echo "width $w, expected 433"; exit 1; }
[ "$h" -gt 177 ] && [ "$h" -lt 230 ] || { echo "height $h out of range"; exit 1; }
# Centred on the 1024x768 screen, to the pixel (no window manager adds a frame).
dx=$(( 2 * x + w - 1024 )); dy=$(( 2 * y + h - 768 ))
[ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] || { echo "not centred: $x,$y"; exit 1; }
echo "saved $out"
