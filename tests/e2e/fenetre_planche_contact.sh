#!/usr/bin/env bash
# The contact sheet under a real window manager: an X server and openbox of
# its own. The sheet opens with its whole frame, title bar included, on the
# screen (from its design place, 3,3, and from a saved place above the
# screen), as does the main window; the main window's menus and context menu
# open above the sheet, and the sheet stays above the main window.
# Usage: fenetre_planche_contact.sh VIEWER PICTURE   (no X server needed)
set -euo pipefail
unset DISPLAY
viewer=$1
picture_source=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A failure leaves the screen as it was in the test's folder.
fail() {
  echo "FAIL: $*"
  if [ -n "${DISPLAY:-}" ] && import -window root "$PWD/fenetre_planche_contact-echec.png"; then
    echo "screen: $PWD/fenetre_planche_contact-echec.png"
  fi
  exit 1
}
# Runs a test command until it holds, 0.1 s apart, at most $1 tries.
wait_for() {
  local tries=$1; shift
  for _ in $(seq "$tries"); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_for 100 wm_running || fail "openbox did not start"

# The screen's free area: x y width height.
read -r area_x area_y area_w area_h < <(xprop -root _NET_WORKAREA |
  sed 's/.*= //; s/,//g' | awk '{ print $1, $2, $3, $4 }')
echo "work area: $area_x,$area_y ${area_w}x$area_h"

mkdir -p "$work/photos" "$work/config"
picture="$work/photos/photo.jpg"
cp "$picture_source" "$picture"
cp "$picture_source" "$work/photos/autre.jpg"
export XDG_CONFIG_HOME="$work/config"

# The window framing a client: its ancestor that is a child of the root.
frame_of() {
  local w=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
  while :; do
    parent=$(xwininfo -tree -id "$w" | awk '/Parent window id:/ { print $4 }')
    if [ "$parent" = "$root" ] || [ "$parent" = 0x0 ]; then echo "$w"; return; fi
    w=$parent
  done
}
# x y width height of a window, on the screen.
geometry_of() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
                           /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}
check_frame_on_screen() {
  local name=$1 client=$2 frame x y w h
  frame=$(frame_of "$client")
  read -r x y w h < <(geometry_of "$frame")
  echo "$name: frame $x,$y ${w}x$h"
  [ "$frame" != "$client" ] || fail "$name has no frame: no window manager?"
  if ((x < area_x || y < area_y || x + w > area_x + area_w || y + h > area_y + area_h)); then
    fail "$name's frame $x,$y ${w}x$h leaves the work area"
  fi
}
# The children of the root from the topmost down.
stacking() { xwininfo -root -children | awk '/^ +0x/ { print $1 }'; }
position_in_stacking() { stacking | grep -n -x "$1" | cut -d: -f1; }
# The viewable override-redirect windows of the viewer but tooltips: its
# open menus.
menus() {
  local w
  for w in $(stacking); do
    xwininfo -id "$w" | grep -q 'Map State: IsViewable' || continue
    xwininfo -id "$w" | grep -q 'Override Redirect State: yes' || continue
    xprop -id "$w" WM_CLASS 2>/dev/null | grep -q '"visualisateur"' || continue
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP && continue
    echo "$w"
  done
}
has_menu() { [ -n "$(menus)" ]; }
no_menu() { [ -z "$(menus)" ]; }
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
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }

run_viewer() {
  "$viewer" "$picture" >"$work/viewer.log" 2>&1 &
  viewer_pid=$!
  pids+=("$viewer_pid")
  main=""
  main_shown() { main=$(window_named "^$picture\$"); [ -n "$main" ]; }
  wait_for 300 main_shown || fail "no window has the caption $picture"
  sleep 1
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
