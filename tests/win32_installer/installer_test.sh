#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix: CPack makes it from this build; a silent install puts
# the program, the Start-menu and Send To shortcuts and the Apps & features entry in place; the program
# started as Send To starts it prints a file byte for byte; the console program, found through the
# PATH entry the installer adds, prints from cmd and sets %ERRORLEVEL%; a silent uninstall leaves
# nothing of it but the remembered printer, and takes its PATH entry away; /NOPATH adds none.
# Usage: installer_test.sh CPACK CPACK_CONFIG VERSION PROBE.exe ANSWER.exe WORK_DIR
# shellcheck source=../win32/lib.sh
source "$(dirname "$0")/../win32/lib.sh"
CPACK=$1 CPACK_CONFIG=$2 VERSION=$3 PROBE=$4 ANSWER=$5 OUT=$6

readonly UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrelspooler'
readonly SETTINGS_KEY='HKCU\Software\Kestrelspooler\STARTUP'
readonly ENVIRONMENT_KEY='HKCU\Environment'

setup=$OUT/package/Kestrelspooler-$VERSION-setup.exe
rm -f "$setup"
"$CPACK" --config "$CPACK_CONFIG" -G NSIS -B "$OUT/package" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; fail "CPack could not make the installer"; finish; }
[[ -f $setup ]] || { fail "no $setup"; finish; }

new_prefix
start_spooler
start_xvfb

unix_path() { winepath -u "$1" 2>/dev/null; }

# A registry value as `reg query` shows it, or nothing.
reg_value() {  # key name
    wine reg query "$1" /v "$2" </dev/null >"$WORK/reg.out" 2>/dev/null || return 0
    tr -d '\r' <"$WORK/reg.out" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

# Installed paths are compared as Windows compares them: without regard to case.
check_same_path() {  # what expected actual
    check_eq "$1" "${2,,}" "${3,,}"
}

# 1. The silent install, and where it puts everything.
check_eq "setup /S exit status" 0 "$(run_wine setup "$setup" /S)"
check_eq "probe folders" 0 "$(run_wine folders "$PROBE" folders)"
folder() { sed -n "s/^$1=//p" "$WORK/folders.out"; }
install_dir="$(folder LocalAppData)\\Programs\\Kestrelspooler"
exe="$install_dir\\Kestrelspooler.exe"
start_link="$(folder Programs)\\Kestrelspooler.lnk"
send_to_link="$(folder SendTo)\\Kestrelspooler.lnk"
unix_install_dir=$(unix_path "$install_dir")
for name in Kestrelspooler.exe kestrelspooler.com README.txt LICENSE.txt Uninstall.exe; do
    if [[ -f $unix_install_dir/$name ]]; then pass "installed $name"; else fail "no $install_dir\\$name"; fi
done
for shortcut in start:"$start_link" send-to:"$send_to_link"; do
    name=${shortcut%%:*} link=${shortcut#*:}
    if [[ -f $(unix_path "$link") ]]; then pass "shortcut $link"; else fail "no shortcut $link"; fi
    run_wine "$name" "$PROBE" link "$link" >/dev/null
    check_same_path "$name shortcut points at the installed program" "$exe" "$(sed -n 's/^target=//p' "$WORK/$name.out")"
    check_eq "$name shortcut passes no arguments of its own" "" "$(sed -n 's/^arguments=//p' "$WORK/$name.out")"
done

# The user's PATH holds the program's folder once.
on_path() {
    local path
    path=$(reg_value "$ENVIRONMENT_KEY" Path)
    [[ ";${path,,};" == *";${install_dir,,};"* ]]
}
if on_path; then pass "the program's folder is on the user's PATH"; else fail "PATH is [$(reg_value "$ENVIRONMENT_KEY" Path)]"; fi

# No administrator rights: the installer's manifest, stored as it is among its resources, asks
# to run as its caller.
check_eq "the installer runs as its caller" 'level="asInvoker"' \
    "$(grep -ao '<requestedExecutionLevel level="[A-Za-z]*"' "$setup" | grep -o 'level=.*')"

# 2. The program's version resource and the Apps & features entry carry the one version.
run_wine version "$PROBE" version "$exe" >/dev/null
check_eq "version resource" "fixed=$VERSION.0
FileVersion=$VERSION
ProductVersion=$VERSION" "$(cat "$WORK/version.out")"
check_eq "entry: DisplayName" Kestrelspooler "$(reg_value "$UNINSTALL_KEY" DisplayName)"
check_eq "entry: DisplayVersion" "$VERSION" "$(reg_value "$UNINSTALL_KEY" DisplayVersion)"
check_eq "entry: Publisher" Kestrelspooler "$(reg_value "$UNINSTALL_KEY" Publisher)"
check_same_path "entry: DisplayIcon" "$exe,0" "$(reg_value "$UNINSTALL_KEY" DisplayIcon)"
quiet_uninstall=$(reg_value "$UNINSTALL_KEY" QuietUninstallString)
check_same_path "entry: QuietUninstallString" "\"$install_dir\\Uninstall.exe\" /S" "$quiet_uninstall"

# 3. Send To: the shortcut's target started with the chosen file's path as its one argument.
wine reg add "$SETTINGS_KEY" /v Drucker /t REG_SZ /d Kestrel-Raw /f </dev/null >/dev/null 2>&1
folder="$WINEPREFIX/drive_c/label jobs"
mkdir -p "$folder"
write_printer_data "$folder/shipping label.prn" 100000
target=$(sed -n 's/^target=//p' "$WORK/send-to.out")
wine "$target" 'C:\label jobs\shipping label.prn' </dev/null >"$WORK/printed.out" 2>"$WORK/printed.err" &
APP_PID=$!
run_wine box "$ANSWER" Message 30 >/dev/null
check_eq "Send To: message box" "caption: Message
text: Executed!" "$(head -n 2 "$WORK/box.out")"
app_status
check_eq "Send To: exit status" 0 "$APP_STATUS"
expect_job "Send To" 1 "$folder/shipping label.prn"

# 3b. The console program from a batch file, by its bare name (PATH, then .COM before .EXE): it
# waits, gives its answer and leaves its exit status in %ERRORLEVEL% (read on a
# line of its own: cmd expands a line's %ERRORLEVEL% before it runs the line). A missing file next.
printf '@kestrelspooler "C:\\label jobs\\shipping label.prn"\r\n@echo status=%%ERRORLEVEL%%\r\n' >"$WINEPREFIX/drive_c/print.bat"
printf '@kestrelspooler C:\\missing.prn\r\n@echo status=%%ERRORLEVEL%%\r\n' >>"$WINEPREFIX/drive_c/print.bat"
wine cmd /c 'C:\print.bat' </dev/null >"$WORK/console.out" 2>"$WORK/console.err" &
APP_PID=$!
# Where standard error is no console (a file here) and a desktop is there, the answers come in boxes.
run_wine console-box "$ANSWER" Message 30 >/dev/null
run_wine console-box2 "$ANSWER" Kestrelspooler 30 >/dev/null
app_status
check_eq "console program: answers" "text: Executed!
text: The file could not be read." "$(cat "$WORK/console-box.out" "$WORK/console-box2.out" | grep '^text:' | tr -d '\r')"
check_eq "console program: %ERRORLEVEL%" "status=0
status=1" "$(tr -d '\r' <"$WORK/console.out" | grep '^status=')"
expect_job "console program" 2 "$folder/shipping label.prn"

# 4. The silent uninstall (the entry's QuietUninstallString). NSIS's uninstaller copies itself
# away and returns at once, so its work is waited for.
run_wine uninstall "$install_dir\Uninstall.exe" /S >/dev/null
for ((i = 0; i < 300; i++)); do
    [[ -e $unix_install_dir ]] || break
    sleep 0.1
done
if [[ -e $unix_install_dir ]]; then
    fail "the program's folder is still there: $(ls -A "$unix_install_dir" | tr '\n' ' ')"
else
    pass "the program's folder is gone"
fi
for link in "$start_link" "$send_to_link"; do
    if [[ -e $(unix_path "$link") ]]; then fail "shortcut left: $link"; else pass "shortcut removed: $link"; fi
done
if key_exists "$UNINSTALL_KEY"; then fail "the Apps & features entry is left"; else pass "the Apps & features entry is gone"; fi
check_eq "the remembered printer is kept" Kestrel-Raw "$(reg_value "$SETTINGS_KEY" Drucker)"
if on_path; then fail "the PATH entry is left: [$(reg_value "$ENVIRONMENT_KEY" Path)]"; else pass "the PATH entry is gone"; fi

# 5. A silent install told to leave PATH alone.
check_eq "setup /S /NOPATH exit status" 0 "$(run_wine setup2 "$setup" /S /NOPATH)"
if on_path; then fail "/NOPATH: PATH is [$(reg_value "$ENVIRONMENT_KEY" Path)]"; else pass "/NOPATH: PATH left alone"; fi

finish
