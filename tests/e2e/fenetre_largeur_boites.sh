#!/usr/bin/env bash
# Boxes under openbox show their caption whole, wholly on the screen: the
# trash question, the file dialog's own question before overwriting a file,
# and the error box of a picture that cannot be read.
# Usage: fenetre_largeur_boites.sh VIEWER PICTURE   (no X server needed)
set -euo pipefail
viewer=$1
test_name=fenetre_largeur_boites
source "$(dirname "$0")/bureau_openbox.sh"
start_desktop 1280x800

mkdir -p "$work/photos"
picture="$work/photos/photo.jpg"
cp "$2" "$picture"
# The picture after the photo: its error box has a short text.
printf 'pas une image' >"$work/photos/zz-illisible.gif"
# A short name to write over, for a short question.
cp "$2" "$work/photos/a.jpg"

# The caption's text as openbox writes it, in its title font (bold sans of 8
# points unless configured otherwise) at the X server's resolution, measured
# by another renderer of the same font file.
dpi=$(xdpyinfo | awk '/resolution:/ { split($2, r, "x"); print r[1] }')
title_font=$(fc-match -f '%{file}' 'sans:bold')
text_width() {
  convert -density "$dpi" -font "$title_font" -pointsize 8 label:"$1" -format '%w' info:
}
# The window in which openbox writes the caption of the client $1: the
# widest shown in the title bar, above the client, which holds the window
# menu's icon and the buttons too.
caption_label_width() {
  local top item
  read -r _ top _ _ < <(geometry_of "$1")
  for item in $(xwininfo -tree -id "$(frame_of "$1")" | awk -v top="$top" '
                  /^        0x/ { split($NF, at, "+"); if (at[3] < top) print $1 }'); do
    xwininfo -id "$item" | awk '/Map State: IsViewable/ { shown = 1 } /Width:/ { w = $2 }
                                END { if (shown) print w }'
  done | sort -n | tail -1
}

start_viewer "$viewer" "$picture"

# Openbox centres the caption on the title bar, the icon on one side and the
# three buttons on the other: besides its text the frame must hold what
# openbox puts beside the label. Qt made a box of a short text 165 to 203
# pixels wide, which left its caption 60 to 100 where "Visualisateur de
# diapos" needs about 150: it showed cut down to its ends.
check_caption_whole() {
  local what=$1 box=$2 frame w text beside
  shift 2
  frame=$(frame_of "$box")
  read -r _ _ w _ < <(geometry_of "$frame")
  text=$(text_width "$(xdotool getwindowname "$box")")
  beside=$((w - $(caption_label_width "$box")))
  echo "$what: frame $w wide, caption text $text, beside it $beside"
  ((w >= text + beside)) || fail "$what is $w wide: its caption of $text is cut"
  check_frame_on_screen "$what" "$box"
  "$@"
  box_closed() { ! xwininfo -id "$frame" 2>/dev/null | grep -q IsViewable; }
  wait_for 50 box_closed || fail "$* did not close $what"
}
# A window named $1 that shows up, other than the window $2.
box=""
wait_for_box() {
  local name=$1 other=${2:-none}
  new_box() {
    box=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | grep -v -x -F "$other" |
          head -1)
    [ -n "$box" ]
  }
  wait_for 100 new_box || fail "no new window named $name"
  sleep 0.5
}

xdotool windowactivate --sync "$main" key Delete
wait_for_box '^Visualisateur de diapos$' "$main"
check_caption_whole "the trash question" "$box" xdotool key Escape
[ -f "$picture" ] || fail "Escape sent the picture to the trash"

# The save dialog, given the name of a file that is there: Qt's question has
# the dialog's caption.
xdotool windowactivate --sync "$main" key alt+f
wait_for 50 has_menu || fail "the File menu did not open"
xdotool key Down Return
wait_for_box '^Enregistrer sous$'
save=$box
xdotool key ctrl+a
xdotool type a.jpg
xdotool key Return
wait_for_box '^Enregistrer sous$' "$save"
check_caption_whole "the overwrite question" "$box" xdotool key Escape
xdotool key Escape
save_closed() { ! xwininfo -id "$save" 2>/dev/null | grep -q IsViewable; }
wait_for 50 save_closed || fail "Escape did not close the save dialog"

xdotool windowactivate --sync "$main" key Right
wait_for_box '^Visualisateur de diapos$' "$main"
check_caption_whole "the error box" "$box" xdotool key Return
echo "every box shows its caption whole"
