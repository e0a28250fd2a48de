#!/usr/bin/env bash
# The Debian package as an installer gets it. Built by CPack from the build tree; its control fields, file list,
# desktop entries and icons checked, and the plain `cmake --install` compared with it. Unpacked into a scratch
# root that is then made read-only, and started as the menu entry starts it, under Xvfb with a notification
# area against the packaged station simulator: the module must keep its files in the user's data directory,
# record that directory as the install location, and the packaged reader must find the values through it.
# A copy of the program in a read-only directory of its own does the same.
#
# usage: package_e2e.sh BUILD_DIR ARTEFACT_DIR with-monitor|without-monitor
set -euo pipefail

source "$(dirname "$0")/e2e_lib.sh"
build=$1 artefacts=$2 monitor=$3

need cpack dpkg-deb dpkg-shlibdeps file readelf desktop-file-validate Xvfb trayer xdotool xwininfo import
# A mount namespace too, for the read-only scratch root.
enter_private_network m "$@"
start_work_dir

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
deb=$(echo "$work"/pkg/borevane_*_amd64.deb)
[ -f "$deb" ] || fail "no package made: $(cat "$work/cpack.log")"

# Control fields: the dependencies come from the linked libraries, plus the display plug-ins loaded at run time,
# and each is a package that this machine has in a version that satisfies it.
[ "$(dpkg-deb -f "$deb" Package)" = borevane ] || fail "the package is not named borevane"
depends=$(dpkg-deb -f "$deb" Depends)
IFS=',' read -ra dependencies <<<"$depends"
names=" "
for dependency in "${dependencies[@]}"; do
    dependency=$(echo $dependency)
    name=${dependency%% *}
    names+="$name "
    version=$(dpkg-query -W -f='${Version}\n' "$name" 2>/dev/null | head -1)
    [ -n "$version" ] || fail "the dependency $name is not a package of this machine"
    if [[ $dependency =~ \((..)\ ([^\)]*)\) ]]; then
        dpkg --compare-versions "$version" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" ||
            fail "$name $version does not satisfy $dependency"
    fi
done
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6serialport6 libmosquitto1 libprotobuf32 \
    libsqlite3-0 libstdc++6 libc6 qt6-qpa-plugins; do
    [[ $names == *" $needed "* ]] || fail "Depends lacks $needed: $depends"
done

# The files, all root's.
expected=(./etc/xdg/autostart/borevane.desktop ./usr/bin/Borevane ./usr/bin/borevane_reader
    ./usr/bin/borevane_fleet ./usr/share/applications/borevane-fleet.desktop ./usr/bin/borevane_sparkplug ./usr/bin/borevane_wits ./usr/lib/systemd/user/borevane-sparkplug.service ./usr/lib/systemd/user/borevane-wits.service ./usr/libexec/borevane/station_simulator ./usr/share/applications/borevane.desktop
    ./usr/share/borevane/installed ./usr/share/doc/borevane/README.md)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("./usr/share/icons/hicolor/${size}x$size/apps/borevane.png"); done
[ "$monitor" = without-monitor ] || expected+=(./usr/bin/borevane_monitor)
dpkg-deb -c "$deb" >"$artefacts/package_contents.txt"
contents=$(awk '$1 !~ /^d/ {print $6}' "$artefacts/package_contents.txt" | sort)
[ "$contents" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
    fail "the package holds other files than expected: $(diff <(printf '%s\n' "${expected[@]}" | sort) - <<<"$contents")"
awk '$2 != "root/root" {exit 1}' "$artefacts/package_contents.txt" || fail "files not owned by root in the package"
dpkg-deb -e "$deb" "$work/control"
[ "$(cat "$work/control/conffiles")" = /etc/xdg/autostart/borevane.desktop ] ||
    fail "the autostart entry is not a configuration file of the package"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes, Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"

# The plain install puts the same files under its prefix.
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed: $(cat "$work/install.log")"
installed=$(cd "$work/prefix" && find . -type f | sort)
[ "$installed" = "$(sed -e 's|^\./usr/|./|' <<<"$contents" | sort)" ] ||
    fail "cmake --install differs from the package: $(diff <(sed -e 's|^\./usr/|./|' <<<"$contents" | sort) - <<<"$installed")"

root="$work/root"
dpkg -x "$deb" "$root"
# The WITS feed's user unit starts the program where it was installed.
grep -qx "ExecStart=/usr/bin/borevane_wits" "$root/usr/lib/systemd/user/borevane-wits.service" &&
    grep -qx "ExecStart=$work/prefix/bin/borevane_wits" "$work/prefix/lib/systemd/user/borevane-wits.service" ||
    fail "the WITS feed's unit does not start the installed program"
for program in "$root"/usr/bin/* "$root"/usr/libexec/borevane/*; do
    file -b "$program" | grep -q "ELF 64-bit.*, stripped" || fail "$program is not a stripped executable: $(file -b "$program")"
    ! readelf -d "$program" | grep -qE "RPATH|RUNPATH" || fail "$program keeps a library search path"
done
for entry in "$root/usr/share/applications/borevane.desktop" "$root/usr/share/applications/borevane-fleet.desktop" \
    "$root/etc/xdg/autostart/borevane.desktop"; do
    desktop-file-validate "$entry" || fail "$entry is not a valid desktop entry"
    grep -qx "Icon=borevane" "$entry" || fail "$entry names another icon"
done
grep -qx "Name=Модуль глубины" "$root/usr/share/applications/borevane.desktop" || fail "the menu entry's name is not the Russian one"
for size in "${sizes[@]}"; do
    file -b "$root/usr/share/icons/hicolor/${size}x$size/apps/borevane.png" | grep -q "^PNG image data, $size x $size," ||
        fail "the ${size}x$size icon is not a PNG of that size"
done

# From here on nothing can write into the installation, not even root.
read_only_bind "$root"

mkdir -p "$work/home"
export HOME="$work/home" PATH="$root/usr/bin:$PATH"
unset XDG_CONFIG_HOME XDG_DATA_HOME
data="$HOME/.local/share/Kalvemark/Borevane"
registry="$HOME/.config/Kalvemark/Borevane.conf"
start_desktop
simulator="$root/usr/libexec/borevane/station_simulator"
start_station "$work/station.log"

# As the menu starts it: the entry's command, found on the PATH.
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/borevane.desktop")
[ "$(command -v "$command")" = "$root/usr/bin/Borevane" ] || fail "the menu entry's command is not the installed program"
start_program program "$command"
wait_for 15 grep -q "^connection 1 from" "$work/station.log" || fail "the installed program never connected"
wait_for 10 main_window_shown || fail "the installed program's window did not appear"
wait_for 10 tray_icon_shown || fail "the installed program has no tray icon"
wait_for 10 test -s "$data/Borevane.bin" || fail "no Borevane.bin in the user's data directory"
[ "$(stat -c %s "$data/Borevane.bin")" = 24 ] || fail "Borevane.bin is not 24 bytes"
grep -qx "Install_Dir=$data/" "$registry" || fail "Install_Dir does not name the data directory: $(cat "$registry")"
# The reader finds the file through the install location alone.
values=$(borevane_reader) || fail "the installed reader failed: $values"
echo "installed reader: $values"
age=${values##*age=}
awk -v a="${age%s}" 'BEGIN { exit !(a < 3) }' || fail "the values the reader found are stale: $values"
import -window root "$artefacts/package_installed.png"
end_program "$program_pid" "the installed program"
grep -qx 'remote_name="localhost"' "$data/Borevane.ini" || fail "no settings in the user's data directory"

# A copy of its own in a directory nobody may write: the same data directory.
mkdir -p "$work/copy"
cp "$root/usr/bin/Borevane" "$work/copy/"
read_only_bind "$work/copy"
rm -f "$data/Borevane.bin" "$registry"
QT_QPA_PLATFORM=offscreen start_program copy "$work/copy/Borevane"
wait_for 15 grep -q "^connection 2 from" "$work/station.log" || fail "the read-only copy never connected"
wait_for 10 test -s "$data/Borevane.bin" || fail "the read-only copy wrote no Borevane.bin in the data directory"
grep -qx "Install_Dir=$data/" "$registry" || fail "the read-only copy's Install_Dir: $(cat "$registry")"
end_program "$program_pid" "the read-only copy"
echo "PASS"
