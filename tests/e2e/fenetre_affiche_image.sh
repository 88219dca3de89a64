#!/usr/bin/env bash
# The built viewer, started on a picture in a real X server, opens a window
# whose caption is the picture's path and whose picture area shows it.
# Usage: fenetre_affiche_image.sh VIEWER PICTURE   (run under xvfb-run)
set -euo pipefail
viewer=$1
picture=$2
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

"$viewer" "$picture" &
pid=$!

# The window is up once X knows a window named after the picture.
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -qF "\"$picture\""; then break; fi
  sleep 0.2
done
if ! xwininfo -root -tree | grep -qF "\"$picture\""; then
  echo "no window has the caption $picture"
  xwininfo -root -tree | grep '"' || true
  exit 1
fi
sleep 1

import -window root "$work/ecran.png"
# The picture area is the window less its menu bar and control panel; a
# picture is there when that area is not one uniform colour.
deviation=$(convert "$work/ecran.png" -crop 1000x450+30+40 +repage -colorspace gray \
            -format '%[fx:standard_deviation]' info:)
echo "standard deviation of the picture area: $deviation"
awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }'
