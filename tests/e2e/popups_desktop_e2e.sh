#!/usr/bin/env bash
# The component gallery's pop-ups where users are, with real clicks; every frame and screenshot kept as an
# artefact. The gallery uses no network.
#  1. Under a window manager (openbox): the grid pop-up is seen unrolling. The X server's own frame buffer is
#     read while it opens, and at least three different heights of it must have been on the screen; a click
#     elsewhere dismisses it. A real double click on a colour selector unrolls its drop-down once.
#  2. Two monitors side by side (Xinerama, in Xephyr): near the bottom of the second one, the property grid's
#     colour pop-up stays on that monitor, moved up inside it.
#  3. The gallery at 1x and at QT_SCALE_FACTOR=2.
#
# usage: popups_desktop_e2e.sh GALLERY ARTEFACT_DIR
set -euo pipefail

gallery=$1 artefacts=$2

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb Xephyr xdpyinfo xdotool import convert montage xprop openbox dd od md5sum

start_work_dir
mkdir -p "$artefacts" "$work/run"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR

# run_gallery ARGS...: starts the gallery (gallery_pid) and waits for its reports in gallery.log.
run_gallery() {
    "$gallery" "$@" >"$work/gallery.log" 2>"$work/gallery.err" &
    gallery_pid=$!
    pids+=($gallery_pid)
    wait_for 10 grep -q '^control palette ' "$work/gallery.log" || fail "the gallery did not report its controls"
    sleep 0.3
}
end_gallery() {
    kill -TERM "$gallery_pid"
    wait_for 10 bash -c "! kill -0 $gallery_pid" || fail "the gallery did not end on SIGTERM"
}
# report KIND NAME: "x y w h" of the latest such report.
report() { grep "^$1 $2 " "$work/gallery.log" | tail -1 | cut -d' ' -f3-; }
click_middle() { xdotool mousemove $(($1 + $3 / 2)) $(($2 + $4 / 2)) click "${5:-1}"; }

# --- 1. Unrolling, seen in the frame buffer --------------------------------------------------------------
mkdir -p "$work/fb" "$work/frames"
start_xvfb 1280x1024x24 -fbdir "$work/fb"
start_window_manager
run_gallery
fb="$work/fb/Xvfb_screen0"
# Big-endian 32-bit fields of the frame buffer's XWD header: its size, bytes per line, colour map entries.
be32() { od -An -t u1 -j "$1" -N 4 "$fb" | awk '{print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4}'; }
bpl=$(be32 48)
pixels=$(($(be32 0) + $(be32 76) * 12))
read -r bx by bw bh <<<"$(report control grid_button)"
# The pop-up opens under the button: the rows from there down are copied as fast as they can be until it is open.
top=$((by + bh)) rows=240
(
    n=0
    while [ ! -e "$work/frames/stop" ]; do
        dd if="$fb" of="$work/frames/$(printf %05d $n).raw" iflag=skip_bytes,count_bytes \
            skip=$((pixels + top * bpl)) count=$((rows * bpl)) status=none
        n=$((n + 1))
    done
) &
copier=$!
sleep 0.2
click_middle "$bx" "$by" "$bw" "$bh"
wait_for 10 grep -q '^unrolled grid' "$work/gallery.log" || fail "the grid pop-up did not unroll"
sleep 0.3
touch "$work/frames/stop"
wait "$copier"
read -r px py pw ph <<<"$(report popup_form grid)"
[ "$py" = "$top" ] && [ "$px" = "$bx" ] || fail "the grid pop-up is at $px,$py, not under its button at $bx,$top"
# Distinct frames, each kept as a picture of the pop-up's place. The height shown is the run of rows, from the
# pop-up's top, whose left border column is as in the last frame (fully open): a blank area does not count.
column() { convert -size $((bpl / 4))x$rows -depth 8 "bgro:$1" -alpha off -crop "1x$rows+$px+0" -depth 8 txt:- | awk 'NR > 1 {print $3}'; }
frames=()
previous=""
for raw in "$work"/frames/*.raw; do
    sum=$(md5sum <"$raw")
    [ "$sum" = "$previous" ] || frames+=("$raw")
    previous=$sum
done
column "${frames[-1]}" >"$work/open_column"
heights=()
rm -f "$artefacts"/unroll_frame_*.png
k=0
for raw in "${frames[@]}"; do
    heights+=("$(paste "$work/open_column" <(column "$raw") | awk -v full="$ph" '$1 != $2 || n == full {exit} {n++} END {print n + 0}')")
    convert -size $((bpl / 4))x$rows -depth 8 "bgro:$raw" -alpha off -crop "$((pw + 40))x$((ph + 20))+$((px - 20))+0" \
        "$artefacts/unroll_frame_$(printf %02d $k).png"
    k=$((k + 1))
done
montage "$artefacts"/unroll_frame_*.png -tile 8x -geometry +2+2 -background '#ff00ff' "$artefacts/unroll_frames.png"
shown=$(printf '%s\n' "${heights[@]}" | awk '$1 > 0' | sort -un | wc -l)
echo "unroll: $k distinct frames, heights shown of $ph: ${heights[*]}"
[ "$shown" -ge 3 ] || fail "only $shown different heights of the pop-up were on the screen: ${heights[*]}"
read -r cx cy cw ch <<<"$(report popup grid)"
xdotool mousemove $((cx + 3 * cw / 26)) $((cy + ch / 16)) click 1
wait_for 10 grep -q '^chosen grid ' "$work/gallery.log" || fail "the grid pop-up chose nothing"

# A click elsewhere in the gallery takes the activation from the open grid pop-up, which is dismissed.
click_middle "$bx" "$by" "$bw" "$bh"
wait_for 10 bash -c "[ \$(grep -c '^unrolled grid' '$work/gallery.log') -ge 2 ]" || fail "the grid pop-up did not open again"
sleep 0.3
xdotool mousemove $((bx - 200)) $((by - 250)) click 1
wait_for 10 grep -q '^dismissed grid' "$work/gallery.log" || fail "a click elsewhere did not dismiss the grid pop-up"

# A real double click on the colour selector: the drop-down unrolls once.
read -r sx sy sw sh <<<"$(report control selector)"
xdotool mousemove $((sx + sw / 2)) $((sy + sh / 2)) click --repeat 2 --delay 80 1
wait_for 10 grep -q '^unrolled dropdown' "$work/gallery.log" || fail "the double click opened no drop-down"
sleep 1
unrolls=$(grep -c '^unrolled dropdown' "$work/gallery.log")
echo "a double click on the colour selector unrolled its drop-down $unrolls time(s)"
[ "$unrolls" = 1 ] || fail "a double click unrolled the drop-down $unrolls times"
import -window root "$artefacts/popups_after_double_click.png"
end_gallery
kill "${pids[0]}"

# --- 2. Two monitors ----------------------------------------------------------------------------------------
# Xvfb lays the screens of its Xinerama over each other; Xephyr (hosted by an Xvfb) lays them side by side. Its
# RandR would name the first monitor only, and Qt takes monitors from RandR alone: without RandR, Qt sees the
# desktop both monitors make up.
start_xvfb 2600x1100x24
Xephyr -displayfd 6 -screen 1280x1024 -screen 1280x1024 +xinerama -extension RANDR -nolisten tcp 6>"$work/nested" >"$work/xephyr.log" 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/nested" || fail "Xephyr did not start"
export DISPLAY=":$(cat "$work/nested")"
heads=$(xdpyinfo -ext XINERAMA | grep -c 'head #')
read -r m2w m2h m2x m2y <<<"$(xdpyinfo -ext XINERAMA | sed -n 's/.*head #1: \([0-9]*\)x\([0-9]*\) @ \([0-9]*\),\([0-9]*\).*/\1 \2 \3 \4/p')"
[ "$heads" = 2 ] && [ "$m2x" -gt 0 ] || fail "the nested server has no second monitor beside the first ($heads heads)"
run_gallery --at $((m2x + 120)),0
read -r gx gy gw gh <<<"$(report control grid_colour_cell)"
end_gallery
# Again, with the colour cell 30 pixels above the second monitor's bottom edge.
run_gallery --at $((m2x + 120)),$((m2y + m2h - 30 - gh - gy))
echo "two monitors: the gallery sees $(grep '^screen ' "$work/gallery.log" | tr '\n' ';')"
read -r gx gy gw gh <<<"$(report control grid_colour_cell)"
# A click on the cell shows its "..." button, a click on that opens the pop-up (tried twice: the first click
# may come before the freshly shown gallery takes clicks).
for try in 1 2; do
    xdotool mousemove $((gx + 10)) $((gy + gh / 2)) click 1
    sleep 0.5
    xdotool mousemove $((gx + gw - gh / 2)) $((gy + gh / 2)) click 1
    wait_for 5 grep -q '^unrolled grid' "$work/gallery.log" && break
done
grep -q '^unrolled grid' "$work/gallery.log" || fail "the grid's colour button opened no pop-up"
sleep 0.3
import -window root "$artefacts/two_monitors_popup.png"
read -r px py pw ph <<<"$(report popup_form grid)"
echo "two monitors: second at $m2x,$m2y ${m2w}x$m2h; colour cell at $gx,$gy; its pop-up at $px,$py ${pw}x$ph"
[ "$px" -ge "$m2x" ] && [ $((px + pw)) -le $((m2x + m2w)) ] && [ "$py" -ge "$m2y" ] &&
    [ $((py + ph)) -le $((m2y + m2h)) ] || fail "the pop-up left the second monitor"
[ "$py" -lt $((gy + gh)) ] && [ "$px" = "$gx" ] || fail "the pop-up was not moved up inside the monitor, keeping the cell's left edge"
read -r cx cy cw ch <<<"$(report popup grid)"
xdotool mousemove $((cx + 15 * cw / 26)) $((cy + 11 * ch / 16)) click 1
wait_for 10 grep -q '^changed grid clBlue$' "$work/gallery.log" || fail "the pop-up on the second monitor chose nothing"
end_gallery

# --- 3. Once and twice the scale ----------------------------------------------------------------------------
# Each fits a 1024x768 screen (scaled: twice that) with room for a window manager's frame.
fits() {
    local w h
    read -r w h <<<"$(xdotool search --onlyvisible --pid "$gallery_pid" --name '^Component gallery$' getwindowgeometry |
        sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\)/\1 \2/p' | head -1)"
    echo "the gallery at ${1}x: ${w}x$h"
    [ "$w" -le $((1024 * $1)) ] && [ "$h" -le $((740 * $1)) ] || fail "the gallery at ${1}x (${w}x$h) does not fit the screen"
}
start_xvfb 2048x1800x24
run_gallery --at 0,0
import -window root -crop 1000x900+0+0 "$artefacts/gallery_1x.png"
fits 1
end_gallery
QT_SCALE_FACTOR=2 run_gallery --at 0,0
sleep 0.5
import -window root -crop 2000x1800+0+0 "$artefacts/gallery_2x.png"
fits 2
end_gallery
echo "PASS: unroll frames, the double click, two monitors and 2x; artefacts in $artefacts (unroll_frames.png," \
    "two_monitors_popup.png, gallery_1x.png, gallery_2x.png)"
