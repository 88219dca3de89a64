#!/usr/bin/env bash
# The contact sheet under a real window manager: an X server and openbox of
# its own. The sheet opens with its whole frame, title bar included, on the
# screen (from its design place, 3,3, and from a saved place above the
# screen), as does the main window; the main window's menus and context menu
# open above the sheet, and the sheet stays above the main window.
# Usage: fenetre_planche_contact.sh VIEWER PICTURE   (no X server needed)
set -euo pipefail
viewer=$1
picture_source=$2
test_name=fenetre_planche_contact
source "$(dirname "$0")/bureau_openbox.sh"
start_desktop 1280x800

mkdir -p "$work/photos"
picture="$work/photos/photo.jpg"
cp "$picture_source" "$picture"
cp "$picture_source" "$work/photos/autre.jpg"

check_menu_above_sheet() {
  local what=$1 sheet_frame=$2 menu
  wait_for 50 has_menu || fail "$what: no menu opened"
  menu=$(menus | head -1)
  echo "$what: menu $menu at stacking place $(position_in_stacking "$menu"), the sheet at" \
       "$(position_in_stacking "$sheet_frame") (1 is the top)"
  (($(position_in_stacking "$menu") < $(position_in_stacking "$sheet_frame"))) ||
    fail "$what: the menu opened under the contact sheet"
  xdotool key Escape
  wait_for 50 no_menu || fail "$what: the menu did not close"
}

run_viewer() {
  start_viewer "$viewer" "$picture"
  check_frame_on_screen "main window" "$main"

  # The contact-sheet button, in the panel along the window's bottom edge.
  local height
  height=$(xwininfo -id "$main" | awk '/Height:/ { print $2 }')
  xdotool mousemove --window "$main" 205 $((height - 47)) click 1
  sheet=""
  sheet_shown() { sheet=$(window_named '^Diapos$'); [ -n "$sheet" ]; }
  wait_for 100 sheet_shown || fail "the contact sheet did not open"
  sleep 1
  check_frame_on_screen "contact sheet" "$sheet"
}

quit_viewer() {
  kill "$viewer_pid" 2>/dev/null || true
  wait "$viewer_pid" 2>/dev/null || true
}

# A first run: the sheet at its design place.
run_viewer
sheet_frame=$(frame_of "$sheet")
main_frame=$(frame_of "$main")

# The main window active, the sheet stays above it.
xdotool windowactivate --sync "$main"
sleep 0.5
(($(position_in_stacking "$sheet_frame") < $(position_in_stacking "$main_frame"))) ||
  fail "the contact sheet went under the main window"

# The File menu from the keyboard; "Edition" opens the context menu at the
# window's top left corner, over the sheet; then the context menu by the
# mouse, beside the sheet.
xdotool windowactivate --sync "$main" key alt+f
check_menu_above_sheet "File menu" "$sheet_frame"
xdotool windowactivate --sync "$main" key alt+e
check_menu_above_sheet "Edition" "$sheet_frame"
read -r sx sy sw sh < <(geometry_of "$sheet_frame")
xdotool mousemove $((sx + sw + 20)) $((sy + 150)) click 3
check_menu_above_sheet "context menu" "$sheet_frame"
(($(position_in_stacking "$sheet_frame") < $(position_in_stacking "$main_frame"))) ||
  fail "the contact sheet went under the main window"
quit_viewer

# A second run, the sheet's saved place above and left of the screen.
cat >"$work/config/visualisateur.ini" <<'EOF'
[FormVisionDiapos]
WindowState=0
Height=500
Top=-80
Left=-40
Width=340
EOF
run_viewer
quit_viewer
echo "every frame on the screen, every menu above the sheet"
