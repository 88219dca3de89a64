#!/usr/bin/env bash
# How long the viewer takes to end when Quit is chosen while it plays a
# 1,000-frame 640x480 animation, against the same viewer showing a still
# photograph, in the same run: from the key press to the end of the process,
# five times each, medians. Each picture is alone in its folder, so that the
# viewer does not load a next one beside it. Run under Xvfb.
# Usage: quitte_animation.sh VIEWER ANIMATION PHOTO
set -euo pipefail
viewer=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/animation" "$work/photo"
animation="$work/animation/$(basename "$2")"
photo="$work/photo/$(basename "$3")"
ln -s "$(readlink -f "$2")" "$animation"
ln -s "$(readlink -f "$3")" "$photo"

# Milliseconds from Quit to the end of the viewer started on $1.
quit_time() {
  local picture=$1 pid window start
  "$viewer" "$picture" 2>/dev/null &
  pid=$!
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "$(basename "$picture")" 2>/dev/null | head -1) || true
    [ -n "$window" ] && break
    sleep 0.1
  done
  # Playing for a while.
  sleep 1.5
  xdotool windowfocus --sync "$window"
  xdotool key alt+f
  sleep 0.3
  start=$(date +%s%N)
  xdotool key q
  while kill -0 "$pid" 2>/dev/null; do sleep 0.002; done
  echo $((($(date +%s%N) - start) / 1000000))
  wait "$pid" || true
}

median() { sort -n | sed -n 3p; }

playing=$(for _ in 1 2 3 4 5; do quit_time "$animation"; done | median)
still=$(for _ in 1 2 3 4 5; do quit_time "$photo"; done | median)
echo "quit while a 1,000-frame 640x480 animation plays: $playing ms (goal: within 200 ms)"
echo "quit while a still photograph is shown:           $still ms"
