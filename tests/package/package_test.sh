#!/usr/bin/env bash
# Checks of the packages scripts/package built: what the Debian package holds and says, the
# validators Debian has for it, its install and removal on this machine with a print through the
# desktop entry, its install into a bare Debian 12 root, and the Windows zip.
#
#   package_test.sh PACKAGE_DIR VERSION APP_ID ARTEFACT_DIR CASE
#
# Cases: contents desktop_entry appstream lintian manual install debian_root windows_zip.
# Needs KS_SOURCE_ROOT (for scripts/spooler). The install case runs apt-get as root and leaves the
# machine's package set as it found it.
set -uo pipefail

(($# == 5)) || { echo "usage: $0 PACKAGE_DIR VERSION APP_ID ARTEFACT_DIR CASE" >&2; exit 2; }
readonly PACKAGE_DIR=$1 VERSION=$2 APP_ID=$3 ARTEFACTS=$4 CASE=$5
readonly DEB=$PACKAGE_DIR/kestrelspooler_${VERSION}_$(dpkg --print-architecture).deb
readonly ZIP=$PACKAGE_DIR/Kestrelspooler-$VERSION-win64.zip
readonly DESKTOP=usr/share/applications/$APP_ID.desktop
readonly NOT_READ="Kestrelspooler: The file could not be read."

WORK=$(mktemp -d "${TMPDIR:-/tmp}/ks-package.XXXXXX")
chmod 755 "$WORK"  # apt's download user and the scheduler's backends read files in here
CLEANUP=()
cleanup() {
    local i
    for ((i = ${#CLEANUP[@]} - 1; i >= 0; i--)); do eval "${CLEANUP[i]}"; done
    rm -rf "$WORK"
}
trap cleanup EXIT

FAILURES=0
fail() { echo "FAIL [$CASE]: $*"; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok [$CASE]: $*"; }
check_eq() {  # what expected actual
    if [[ $2 == "$3" ]]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
finish() {
    ((FAILURES == 0)) || { echo "$FAILURES check(s) failed"; exit 1; }
    echo "PASS [$CASE]"
    exit 0
}

[[ $CASE == windows_zip || -f $DEB ]] || { fail "no package $DEB (run scripts/package)"; finish; }

unpack() {  # the package's files under WORK/deb
    mkdir -p "$WORK/deb"
    dpkg-deb -x "$DEB" "$WORK/deb" || { fail "dpkg-deb -x failed"; finish; }
}

# The MIME types of the desktop entry, one per line, sorted.
entry_types() {  # desktop-file
    sed -n 's/^MimeType=//p' "$1" | tr ';' '\n' | sed '/^$/d' | sort
}
readonly PRINTER_TYPES=$'application/postscript\napplication/vnd.hp-pcl\napplication/x-prn'

# Starts Xvfb on a free display; DISPLAY names it.
start_xvfb() {
    mkfifo "$WORK/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    local pid=$! number
    CLEANUP+=("kill $pid 2>/dev/null; wait $pid 2>/dev/null")
    read -r -t 20 number <"$WORK/display" || { fail "Xvfb did not start"; finish; }
    export DISPLAY=:$number
}

# Waits (bounded) for the program's main window; screenshots it to ARTEFACTS/NAME.png and ends
# the program that owns it. Prints the window's id.
main_window_seen() {  # name
    local id="" i pid
    for ((i = 0; i < 150; i++)); do
        id=$(xdotool search --onlyvisible --name '^Kestrelspooler$' 2>/dev/null | head -n 1)
        [[ -n $id ]] && break
        sleep 0.2
    done
    [[ -n $id ]] || return 1
    sleep 0.5  # mapped is not yet painted
    mkdir -p "$ARTEFACTS"
    import -window root "$ARTEFACTS/$1.png" 2>/dev/null
    pid=$(xdotool getwindowpid "$id" 2>/dev/null)
    [[ -n $pid ]] && kill "$pid"
    echo "$id"
}

apt_get() {
    DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=600 "$@"
}

installed_packages() {
    dpkg-query -W -f='${db:Status-Status} ${Package}:${Architecture}\n' | sed -n 's/^installed //p' | sort
}

case $CASE in
    contents)
        check_eq "Package" kestrelspooler "$(dpkg-deb -f "$DEB" Package)"
        check_eq "Version" "$VERSION" "$(dpkg-deb -f "$DEB" Version)"
        check_eq "Section" utils "$(dpkg-deb -f "$DEB" Section)"
        depends=$(dpkg-deb -f "$DEB" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
        # The libraries from dpkg-shlibdeps, and the Qt platform plugins besides them.
        for package in qt6-qpa-plugins libqt6widgets6 libqt6gui6 libqt6core6 libcups2 libc6; do
            if grep -qx "$package" <<<"$depends"; then pass "depends on $package"; else fail "Depends lacks $package"; fi
        done
        if grep -qx cups-client <<<"$depends"; then fail "depends on cups-client"; else pass "no cups-client"; fi
        if grep -qw cups <<<"$(dpkg-deb -f "$DEB" Recommends)"; then pass "recommends cups"; else fail "does not recommend cups"; fi
        unpack
        expected=(usr/bin/kestrelspooler usr/lib/$(gcc -dumpmachine)/kestrelspooler/kestrelspooler-gui.so "$DESKTOP" "usr/share/metainfo/$APP_ID.metainfo.xml"
                  usr/share/man/man1/kestrelspooler.1.gz usr/share/doc/kestrelspooler/copyright
                  usr/share/doc/kestrelspooler/changelog.gz "usr/share/mime/packages/$APP_ID.xml")
        for size in 16 22 24 32 48 64 128 256; do
            expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png")
        done
        check_eq "the package's files" "$(printf '%s\n' "${expected[@]}" | sort)" \
            "$(cd "$WORK/deb" && find . -type f | sed 's|^\./||' | sort)"
        ;;
    desktop_entry)
        unpack
        entry=$WORK/deb/$DESKTOP
        if desktop-file-validate "$entry" >"$WORK/validate" 2>&1 && [[ ! -s $WORK/validate ]]; then
            pass "desktop-file-validate"
        else
            fail "desktop-file-validate: $(cat "$WORK/validate")"
        fi
        check_eq "Exec" "kestrelspooler %F" "$(sed -n 's/^Exec=//p' "$entry")"
        check_eq "Categories" "Utility;" "$(sed -n 's/^Categories=//p' "$entry")"
        # Printer data only: a catch-all type would make every file without a viewer print.
        check_eq "MimeType" "$PRINTER_TYPES" "$(entry_types "$entry")"
        ;;
    appstream)
        unpack
        meta=$WORK/deb/usr/share/metainfo/$APP_ID.metainfo.xml
        if appstreamcli validate --no-net "$meta" >"$WORK/out" 2>&1; then pass "appstreamcli validate --no-net"
        else fail "appstreamcli validate: $(cat "$WORK/out")"; fi
        check_eq "release" "$VERSION" "$(sed -n 's|.*<release version="\([^"]*\)".*|\1|p' "$meta")"
        ;;
    lintian)
        # Errors fail the check; warnings are listed (the README says why each remains).
        lintian --fail-on error --display-info "$DEB" >"$WORK/lintian" 2>&1
        status=$?
        cat "$WORK/lintian"
        check_eq "lintian exit status (--fail-on error)" 0 "$status"
        echo "lintian warnings: $(grep -c '^W: ' "$WORK/lintian")"
        ;;
    manual)
        unpack
        LC_ALL=C.UTF-8 MANWIDTH=80 man -l --warnings "$WORK/deb/usr/share/man/man1/kestrelspooler.1.gz" \
            >"$WORK/page" 2>"$WORK/warnings"
        check_eq "man -l --warnings" "" "$(cat "$WORK/warnings")"
        page=$(col -b <"$WORK/page")
        # Every message and status of the command-line run, as the program prints them.
        rows=$(tr -s ' \t' ' ' <<<"$page")
        for line in "0 Message: Executed!" "1 $NOT_READ" \
                    "1 Kestrelspooler: The Printer Name you typed wasn't recognized." \
                    "1 Kestrelspooler: The print job failed and was cancelled."; do
            if grep -qF " $line" <<<"$rows"; then pass "row: $line"; else fail "no row: $line"; fi
        done
        ;;
    install)
        ((EUID == 0)) || { fail "installing the package needs root"; finish; }
        if [[ $(dpkg-query -W -f='${db:Status-Status}' kestrelspooler 2>/dev/null) == installed ]]; then
            fail "kestrelspooler is already installed here; the check would replace it"
            finish
        fi
        installed_packages >"$WORK/packages.before"
        # apt's download user must be able to read the file.
        cp "$DEB" "$WORK/" && chmod 644 "$WORK/${DEB##*/}"
        local_deb=$WORK/${DEB##*/}
        # Whatever happens below, the machine ends with the packages it had.
        CLEANUP+=("restore_packages")
        # Ours: the package and what apt pulled in for it (marked automatic). Packages someone
        # else installs meanwhile on a shared machine are marked manual and left alone.
        ours_added() {
            local auto name package
            auto=$(apt-mark showauto | sed 's/:.*//')
            comm -13 "$WORK/packages.before" <(installed_packages) | while read -r package; do
                name=${package%%:*}
                { [[ $name == kestrelspooler ]] || grep -qxF "$name" <<<"$auto"; } && echo "$package"
            done
        }
        restore_packages() {
            local added
            added=$(ours_added)
            [[ -z $added ]] || apt_get purge $added >>"$WORK/apt.log" 2>&1
        }
        if apt_get install "$local_deb" >"$WORK/apt.log" 2>&1; then
            pass "apt-get install ./${DEB##*/}"
        else
            tail -n 30 "$WORK/apt.log"
            fail "apt-get install failed"
            finish
        fi
        dpkg -L kestrelspooler | sort >"$WORK/owned"
        pulled=$(comm -13 "$WORK/packages.before" <(installed_packages) | grep -v '^kestrelspooler:')
        [[ -z $pulled ]] || echo "installed with it: $(tr '\n' ' ' <<<"$pulled")"

        # The types resolve through the system's database, which the package's triggers updated.
        mkdir -p "$WORK/files"
        for ext in prn pcl ps; do printf '\x1bE%s' "$ext" >"$WORK/files/sample.$ext"; done
        for pair in prn:application/x-prn pcl:application/vnd.hp-pcl ps:application/postscript; do
            file=$WORK/files/sample.${pair%%:*} type=${pair#*:}
            check_eq "*.${pair%%:*} is $type" "$type" \
                "$(gio info -a standard::content-type "$file" | sed -n 's/^ *standard::content-type: //p')"
            apps=$(gio mime "$type")
            if grep -qxF $'\t'"$APP_ID.desktop" <<<"$apps"; then pass "Open with offers it for $type"
            else fail "no Open with for $type: $(tr '\n\t' '  ' <<<"$apps")"; fi
        done

        # "Open with": the entry launched with a file, as a file manager does, against the private
        # scheduler, with the printer remembered in a private home and no display.
        spooler=$WORK/spooler
        "$KS_SOURCE_ROOT/scripts/spooler" start "$spooler" >"$WORK/spooler.env" 2>"$WORK/spooler.err" ||
            { cat "$WORK/spooler.err"; fail "could not start the private spooler"; finish; }
        CLEANUP+=("'$KS_SOURCE_ROOT/scripts/spooler' stop '$spooler' >/dev/null 2>&1")
        while IFS= read -r line; do export "${line?}"; done <"$WORK/spooler.env"
        export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/config
        mkdir -p "$XDG_CONFIG_HOME/Kestrelspooler"
        printf '[STARTUP]\nDrucker=Kestrel-Raw\n' >"$XDG_CONFIG_HOME/Kestrelspooler/Kestrelspooler.conf"
        unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
        mkdir -p "$WORK/print jobs"
        job_file="$WORK/print jobs/label 01.prn"
        { for ((i = 0; i < 256; i++)); do printf "\\x$(printf %02x "$i")"; done; head -c 65536 /dev/urandom; } >"$job_file"
        gio launch "/$DESKTOP" "$job_file" >"$WORK/launch.out" 2>&1 ||
            fail "gio launch: $(cat "$WORK/launch.out")"
        for ((i = 0; i < 300; i++)); do
            job=$(find "$KS_SPOOLER_JOBS" -name 'job-*.bin' | head -n 1)
            [[ -n $job ]] && [[ -z $(lpstat -o 2>/dev/null) ]] && grep -q Executed "$WORK/launch.out" && break
            sleep 0.1
        done
        if [[ -z $job ]]; then
            fail "no job reached the printer: $(cat "$WORK/launch.out")"
        elif cmp -s "$job" "$job_file"; then
            pass "the file arrived byte for byte"
        else
            fail "the printer received $(stat -c %s "$job") other bytes for the file's $(stat -c %s "$job_file")"
        fi
        if grep -qx "Message: Executed!" "$WORK/launch.out"; then pass "the program reported Executed!"
        else fail "the program reported: $(cat "$WORK/launch.out")"; fi
        job_id=$(lpstat -W all -o Kestrel-Raw | sed -n 's/^Kestrel-Raw-\([0-9]*\) .*/\1/p' | tail -n 1)
        check_eq "the job's name" "Command Print" \
            "$(ipptool -tv "ipp://$KS_SPOOLER_ADDRESS/jobs/$job_id" get-job-attributes.test 2>/dev/null |
                sed -n 's/^ *job-name (nameWithoutLanguage) = //p')"

        # From the menu, without a file, the entry opens the window.
        start_xvfb
        gio launch "/$DESKTOP" >"$WORK/menu.out" 2>&1 || fail "gio launch without a file: $(cat "$WORK/menu.out")"
        if main_window_seen menu-entry-window >/dev/null; then pass "the window opened"; else fail "no window opened"; fi

        if apt_get remove kestrelspooler >>"$WORK/apt.log" 2>&1; then pass "apt-get remove"; else fail "apt-get remove failed"; fi
        left=()
        while IFS= read -r path; do
            # Folders the package shared with others (/usr/share/...) stay; its own files must not.
            [[ -e $path && ! -d $path ]] && left+=("$path")
        done <"$WORK/owned"
        [[ -d /usr/share/doc/kestrelspooler ]] && left+=(/usr/share/doc/kestrelspooler)
        check_eq "files left after apt-get remove" "" "${left[*]}"
        restore_packages
        check_eq "packages of ours left" "" "$(ours_added | tr '\n' ' ')"
        check_eq "packages gone since the start" "" \
            "$(comm -23 "$WORK/packages.before" <(installed_packages) | tr '\n' ' ')"
        ;;
    debian_root)
        # A bare Debian 12 (essential packages and apt), the package installed with apt and without
        # Recommends: every library and plugin it needs must come from its Depends.
        ((EUID == 0)) || { fail "mmdebstrap's root mode needs root"; finish; }
        root=$WORK/root mirror=${KS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
        # The root is removed only when nothing is mounted inside it any more.
        mounts_left() { [[ $(findmnt -rn -o TARGET) == *"$root"* ]]; }
        CLEANUP+=("mounts_left && { echo 'mounts left in $root: not removed'; trap - EXIT; exit 1; }")
        SECONDS=0
        timeout 900 mmdebstrap --variant=apt --aptopt='APT::Install-Recommends "false"' \
            --hook-dir=/usr/share/mmdebstrap/hooks/file-mirror-automount --include="$DEB" \
            bookworm "$root" "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
            "deb ${KS_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security} bookworm-security main" \
            >"$WORK/mmdebstrap.log" 2>&1 ||
            { tail -n 30 "$WORK/mmdebstrap.log"; fail "mmdebstrap failed"; finish; }
        echo "root made in $SECONDS s ($(chroot "$root" dpkg-query -W | wc -l) packages)"
        in_root() { chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root "$@"; }
        in_root QT_QPA_PLATFORM=offscreen kestrelspooler /no/such/file >"$WORK/out" 2>"$WORK/err"
        status=$?
        check_eq "exit status" 1 "$status"
        check_eq "standard error" "\"/no/such/file\": there is no such file
$NOT_READ" "$(cat "$WORK/err")"
        # The window needs the platform plugin that only the Depends bring in. The root reaches
        # the X server through its abstract socket, which a chroot does not hide.
        start_xvfb
        in_root DISPLAY="$DISPLAY" kestrelspooler >"$WORK/window.out" 2>&1 &
        program=$!
        if main_window_seen debian-root-window >/dev/null; then pass "the window opened in the bare root"
        else fail "no window in the bare root: $(cat "$WORK/window.out")"; kill "$program"; fi
        wait "$program"
        echo "debian_root took $SECONDS s"
        ;;
    windows_zip)
        [[ -f $ZIP ]] || { fail "no $ZIP (run scripts/package windows)"; finish; }
        check_eq "the zip's files" $'Kestrelspooler.exe\nLICENSE.txt\nREADME.txt\nkestrelspooler.com' \
            "$(cmake -E tar tf "$ZIP" | LC_ALL=C sort)"
        (cd "$WORK" && cmake -E tar xf "$ZIP") || fail "cannot unpack the zip"
        for text in README.txt LICENSE.txt; do
            check_eq "$text has Windows line ends" "$(wc -l <"$WORK/$text")" "$(grep -c $'\r$' "$WORK/$text")"
        done
        kind=$(file -b "$WORK/Kestrelspooler.exe")
        if [[ $kind == *'PE32+ executable (GUI) x86-64'* ]]; then pass "a 64-bit Windows program"
        else fail "Kestrelspooler.exe is $kind"; fi
        kind=$(file -b "$WORK/kestrelspooler.com")
        if [[ $kind == *'PE32+ executable (console) x86-64'* ]]; then pass "its console twin"
        else fail "kestrelspooler.com is $kind"; fi
        ;;
    *)
        echo "unknown case $CASE" >&2
        exit 2
        ;;
esac
finish
