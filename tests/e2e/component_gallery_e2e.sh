#!/usr/bin/env bash
# The component gallery under Xvfb: opens both colour pop-ups with real clicks, picks a colour in each,
# and keeps screenshots of the gallery and of each open pop-up as artefacts. The gallery uses no network.
#
# usage: component_gallery_e2e.sh GALLERY ARTEFACT_DIR
# The X server takes a free display of its own, so it never meets another run.
set -euo pipefail

gallery=$1 artefacts=$2

. "$(dirname "$0")/e2e_lib.sh"
need Xvfb xdotool import
start_work_dir
start_xvfb 1280x1024x24
"$gallery" >"$work/gallery.log" 2>"$work/gallery.err" &
gallery_pid=$!
pids+=($gallery_pid)
wait_for 10 grep -q '^control palette ' "$work/gallery.log" || fail "the gallery did not report its controls"
sleep 0.3

# geometry KIND NAME: "x y w h" of a reported control or pop-up palette (the latest report).
geometry() { grep "^$1 $2 " "$work/gallery.log" | tail -1 | cut -d' ' -f3-; }
# click_cell X Y W H ROW COLUMN: a real click in the middle of a palette cell.
click_cell() {
    local x=$1 y=$2 w=$3 h=$4 row=$5 column=$6
    xdotool mousemove $((x + (2 * column + 1) * w / 26)) $((y + (2 * row + 1) * h / 16)) click 1
}
# click_control NAME: a real click in the middle of a reported control.
click_control() {
    read -r x y w h <<<"$(geometry control "$1")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

import -window root "$artefacts/gallery.png"

# The grid pop-up: unrolls under its button, a click on row 2, column 3 chooses 0x80FFFF.
click_control grid_button
wait_for 10 grep -q '^popup grid ' "$work/gallery.log" || fail "the grid pop-up did not open"
sleep 0.3
import -window root "$artefacts/gallery_grid_popup.png"
read -r x y w h <<<"$(geometry popup grid)"
click_cell "$x" "$y" "$w" "$h" 2 3
wait_for 10 grep -q '^chosen grid ' "$work/gallery.log" || fail "the grid pop-up chose nothing"
grep -q '^chosen grid \$0080FFFF$' "$work/gallery.log" || fail "the grid pop-up chose $(grep '^chosen grid' "$work/gallery.log")"

# The drop-down: opens below the selector, a click on row 5, column 7 chooses blue.
click_control selector
wait_for 10 grep -q '^popup dropdown ' "$work/gallery.log" || fail "the drop-down did not open"
sleep 0.3
import -window root "$artefacts/gallery_dropdown.png"
read -r x y w h <<<"$(geometry popup dropdown)"
read -r sx sy sw sh <<<"$(geometry control selector)"
[ "$y" -gt $((sy + sh)) ] || fail "the drop-down's palette is not below the selector"
click_cell "$x" "$y" "$w" "$h" 5 7
wait_for 10 grep -q '^chosen selector ' "$work/gallery.log" || fail "the drop-down chose nothing"
grep -q '^chosen selector \$00FF0000$' "$work/gallery.log" || fail "the drop-down chose $(grep '^chosen selector' "$work/gallery.log")"

# The colour list box: a real click on its third item (16-pixel items) selects it, with its name and colour.
read -r x y w h <<<"$(geometry control color_list)"
xdotool mousemove $((x + w / 2)) $((y + 2 + 2 * 16 + 8)) click 1
wait_for 5 grep -q '^listed ' "$work/gallery.log" || fail "the colour list reported no selection"
grep -q '^listed Морская волна \$00808000$' "$work/gallery.log" || fail "the colour list selected $(grep '^listed' "$work/gallery.log")"

# The virtual grid: real clicks move its current cell; the lower click lands on a later row.
read -r x y w h <<<"$(geometry control virtual_grid)"
xdotool mousemove $((x + w / 2)) $((y + h / 3)) click 1
wait_for 5 grep -q '^cell ' "$work/gallery.log" || fail "the virtual grid reported no click"
read -r _ col1 row1 <<<"$(grep '^cell ' "$work/gallery.log" | tail -1)"
xdotool mousemove $((x + w / 2)) $((y + h / 3 + 45)) click 1
wait_for 5 bash -c "[ \"\$(grep -c '^cell ' '$work/gallery.log')\" -ge 2 ]" || fail "the virtual grid missed the second click"
read -r _ col2 row2 <<<"$(grep '^cell ' "$work/gallery.log" | tail -1)"
[ "$col1" -ge 1 ] && [ "$row1" -ge 1 ] && [ "$col2" = "$col1" ] && [ "$row2" -gt "$row1" ] ||
    fail "the virtual grid's clicks went to $col1,$row1 and $col2,$row2"
sleep 0.3
import -window root "$artefacts/gallery_after.png"

# The property grid: a real click on the colour row's value shows its "..." button at the cell's right
# end; the button opens the pop-up under the cell, and row 5, column 7 (blue) becomes the cell's text.
read -r x y w h <<<"$(geometry control grid_colour_cell)"
xdotool mousemove $((x + 10)) $((y + h / 2)) click 1
sleep 0.5
xdotool mousemove $((x + w - h / 2)) $((y + h / 2)) click 1
wait_for 10 bash -c "[ \$(grep -c '^popup grid ' '$work/gallery.log') -ge 2 ]" || fail "the grid's colour button opened no pop-up"
sleep 0.3
import -window root "$artefacts/gallery_property_grid_popup.png"
read -r px py pw ph <<<"$(geometry popup grid)"
# (The palette sits a few pixels inside the pop-up, whose top-left corner is the cell's bottom-left.)
[ "$py" -gt $((y + h)) ] && [ "$py" -le $((y + h + 40)) ] && [ "$px" -ge "$x" ] && [ "$px" -le $((x + 10)) ] ||
    fail "the grid's pop-up palette is at $px $py, not just under the cell ($x $((y + h)))"
click_cell "$px" "$py" "$pw" "$ph" 5 7
wait_for 10 grep -q '^changed grid ' "$work/gallery.log" || fail "the grid's colour cell did not change"
grep -q '^changed grid clBlue$' "$work/gallery.log" || fail "the grid's colour cell became $(grep '^changed grid' "$work/gallery.log")"
sleep 0.3
import -window root "$artefacts/gallery_property_grid.png"

kill -TERM "$gallery_pid"
wait_for 10 ended "$gallery_pid" || fail "the gallery did not end on SIGTERM"
if grep -qi 'warning\|critical' "$work/gallery.err"; then
    cat "$work/gallery.err" >&2
fi
echo "PASS: gallery pop-ups and the property grid chose their colours; screenshots in $artefacts"
