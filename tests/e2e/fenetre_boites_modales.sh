#!/usr/bin/env bash
# Boxes and dialogs under a real window manager, with the properties window
# and the contact sheet always on top: a question box, a dialog form and a
# file dialog opened from the main window, and the album's dialog opened from
# the contact sheet, each stand above both while they are up, wholly on the
# screen; once each has closed, both are on top again, shown where they were.
# Enter answers the new size dialog, Escape the question and the file dialog.
# Usage: fenetre_boites_modales.sh VIEWER PICTURE   (no X server needed)
set -euo pipefail
viewer=$1
test_name=fenetre_boites_modales
source "$(dirname "$0")/bureau_openbox.sh"
start_desktop 1280x800

mkdir -p "$work/photos"
picture="$work/photos/photo.jpg"
cp "$2" "$picture"

start_viewer "$viewer" "$picture"
main_frame=$(frame_of "$main")
height=$(xwininfo -id "$main" | awk '/Height:/ { print $2 }')
# A button of the panel along the main window's bottom edge, by its left.
click_panel_button() { xdotool mousemove --window "$main" "$1" $((height - 47)) click 1; }

# The contact sheet, then the properties window from the context menu's last
# item; a click in the properties window makes it the active one.
click_panel_button 205
sheet=""
sheet_shown() { sheet=$(window_named '^Diapos$'); [ -n "$sheet" ]; }
wait_for 100 sheet_shown || fail "the contact sheet did not open"
xdotool windowactivate --sync "$main" key alt+e
wait_for 50 has_menu || fail "the context menu did not open"
xdotool key Up Return
properties=""
properties_shown() { properties=$(window_named '^Proprietés$'); [ -n "$properties" ]; }
wait_for 100 properties_shown || fail "the properties window did not open"
sleep 0.5
xdotool mousemove --window "$properties" 100 300 click 1
sleep 0.3
sheet_frame=$(frame_of "$sheet")
properties_frame=$(frame_of "$properties")
sheet_place=$(geometry_of "$sheet_frame")
properties_place=$(geometry_of "$properties_frame")

viewable() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
# The box named $2, once up, stands above both windows that stay on top,
# which stay shown where they were; then the command that follows closes it.
check_box_above() {
  local what=$1 name=$2 box="" box_frame
  shift 2
  box_shown() { box=$(window_named "$name"); [ -n "$box" ]; }
  wait_for 100 box_shown || fail "$what did not open"
  sleep 0.5
  box_frame=$(frame_of "$box")
  echo "$what: stacking place $(position_in_stacking "$box_frame"), properties" \
       "$(position_in_stacking "$properties_frame"), sheet $(position_in_stacking "$sheet_frame")" \
       "(1 is the top)"
  (($(position_in_stacking "$box_frame") < $(position_in_stacking "$properties_frame"))) ||
    fail "$what opened under the properties window"
  (($(position_in_stacking "$box_frame") < $(position_in_stacking "$sheet_frame"))) ||
    fail "$what opened under the contact sheet"
  check_frame_on_screen "$what" "$box"
  viewable "$properties_frame" && viewable "$sheet_frame" ||
    fail "a window kept on top went away while $what was up"
  "$@"
  box_closed() { ! viewable "$box_frame" 2>/dev/null; }
  wait_for 50 box_closed || fail "$* did not close $what"
}
# Both windows kept on top stand above the main window again, where they were.
check_on_top_again() {
  local after=$1
  sleep 0.5
  viewable "$properties_frame" && viewable "$sheet_frame" ||
    fail "a window kept on top is gone after $after"
  for frame in "$properties_frame" "$sheet_frame"; do
    (($(position_in_stacking "$frame") < $(position_in_stacking "$main_frame"))) ||
      fail "a window kept on top stayed under the main window after $after"
  done
  [ "$(geometry_of "$properties_frame")" = "$properties_place" ] ||
    fail "the properties window moved after $after"
  [ "$(geometry_of "$sheet_frame")" = "$sheet_place" ] ||
    fail "the contact sheet moved after $after"
}

# The trash button of the main window: its question, answered "Non".
click_panel_button 261
check_box_above "the trash question" '^Visualisateur de diapos$' xdotool key Escape
check_on_top_again "the trash question"
[ -f "$picture" ] || fail "Escape sent the picture to the trash"

# "Enregistrer sous autre taille": the size dialog, where Enter in the width
# keeps the width typed and closes with OK, for the save dialog to follow
# (there is none for a width of 0); Escape closes that.
xdotool windowactivate --sync "$main" key alt+f
wait_for 50 has_menu || fail "the File menu did not open"
xdotool key Down Down Return
type_width() { xdotool key ctrl+a && xdotool type 800 && xdotool key Return; }
check_box_above "the new size dialog" '^Nouvelles hauteur et largeur $' type_width
check_box_above "the save dialog" '^Enregistrer sous$' xdotool key Escape
check_on_top_again "the save dialog"

# The album's dialog, from the contact sheet's "HTML" button, the sheet active.
xdotool windowactivate --sync "$sheet"
read -r _ _ sheet_width _ < <(geometry_of "$sheet")
xdotool mousemove --window "$sheet" $((sheet_width - 50)) 57 click 1
check_box_above "the album dialog" '^Création' xdotool key alt+F4
check_on_top_again "the album dialog"
echo "every box above the windows kept on top, and those on top again after it"
