#!/usr/bin/env bash
# The built viewer, started on an animated GIF picture in a real X server,
# plays it: screenshots taken a few delays apart show different frames. Quit
# from its menu while it plays, the program ends at once.
# Usage: fenetre_anime_gif.sh VIEWER   (run under xvfb-run)
set -euo pipefail
viewer=$1
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# Three frames of 400 x 300, red, blue and green, shown 40 hundredths each,
# repeated without end.
picture="$work/anime.gif"
convert -size 400x300 xc:red xc:blue xc:lime -set delay 40 -loop 0 "$picture"

"$viewer" "$picture" &
pid=$!

for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -qF "\"$picture\""; then break; fi
  sleep 0.2
done
if ! xwininfo -root -tree | grep -qF "\"$picture\""; then
  echo "no window has the caption $picture"
  exit 1
fi
sleep 1

# The red, green and blue means of the picture area, five times 0.3 s apart:
# a frame lasts about 0.5 s, so at least two of the three frames are seen,
# whichever two the screenshots' own pace under load lets them catch.
seen=()
for i in 1 2 3 4 5; do
  import -window root "$work/ecran-$i.png"
  seen+=("$(convert "$work/ecran-$i.png" -crop 600x300+200+100 +repage \
            -format '%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]' info:)")
  sleep 0.3
done
printf 'red, green and blue means: %s\n' "${seen[@]}"
printf '%s\n' "${seen[@]}" | awk '
  { for (c = 1; c <= 3; c++) if ($c > 0.5) frame[c] = 1 }
  END { if (length(frame) < 2) { print "the picture did not change between frames"; exit 1 } }'

# Quit through the File menu while it plays.
window=$(xdotool search --onlyvisible --name "anime.gif" | head -1)
xdotool windowfocus --sync "$window"
xdotool key alt+f
sleep 0.3
xdotool key q
start=$(date +%s%N)
for _ in $(seq 40); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
  echo "the viewer still runs 2 s after Quit"
  exit 1
fi
wait "$pid"
echo "ended $(( ($(date +%s%N) - start) / 1000000 )) ms after Quit"
