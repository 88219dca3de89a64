# Sourced by the tests that run the viewer under a real window manager: an X
# server and openbox of their own, and what they read of the windows.
# The sourcing script sets `test_name` (the screenshot of a failure is named
# after it) and calls start_desktop WIDTHxHEIGHT.

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
  if [ -n "${DISPLAY:-}" ] && import -window root "$PWD/$test_name-echec.png"; then
    echo "screen: $PWD/$test_name-echec.png"
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

# The waits are long: a machine busy with the other tests can take seconds
# to start a program.
start_desktop() {
  unset DISPLAY
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  wait_for 300 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(cat "$work/display")"
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  wait_for 300 wm_running || fail "openbox did not start: $(cat "$work/openbox.log")"
  # It publishes the work area a moment after it says it runs.
  work_area_set() { xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = '; }
  wait_for 300 work_area_set || fail "openbox gave no work area"
  # The screen's free area: x y width height.
  read -r area_x area_y area_w area_h < <(xprop -root _NET_WORKAREA |
    sed 's/.*= //; s/,//g' | awk '{ print $1, $2, $3, $4 }')
  echo "work area: $area_x,$area_y ${area_w}x$area_h"
  # The viewer's settings file and trash are the test's own.
  mkdir -p "$work/config" "$work/data"
  export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
}

# Starts the viewer $1 on the picture $2 and waits for its main window, whose
# caption is the picture's path: `main` is that window, `viewer_pid` the
# viewer's process.
start_viewer() {
  local caption=$2
  "$1" "$caption" >"$work/viewer.log" 2>&1 &
  viewer_pid=$!
  pids+=("$viewer_pid")
  main=""
  main_shown() { main=$(window_named "^$caption\$"); [ -n "$main" ]; }
  wait_for 300 main_shown || fail "no window has the caption $caption"
  sleep 1
}

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
window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
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
