#!/usr/bin/env bash
# Peak memory of the viewer showing a 24-megapixel JPEG fitted on a
# 1920x1080 screen, against the same viewer started on an empty folder.
# Usage: memoire_affichage.sh VIEWER PICTURE
set -euo pipefail
viewer=$1
picture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/vide" "$work/une"
ln -s "$(readlink -f "$picture")" "$work/une/photo.jpg"

# Peak resident memory (kB) of the viewer started on $1, once its window is up.
pic() {
  xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    "$0" "$1" /P & pid=$!
    sleep 4
    grep VmHWM /proc/$pid/status | tr -s " " | cut -d" " -f2
    kill $pid' "$viewer" "$1"
}

vide=$(pic "$work/vide/")
photo=$(pic "$work/une/photo.jpg")
echo "peak memory, empty viewer:            $((vide / 1024)) MB"
echo "peak memory, 24-megapixel JPEG shown: $((photo / 1024)) MB"
echo "  => above the empty viewer: $(((photo - vide) / 1024)) MB (goal: under 60 MB)"
