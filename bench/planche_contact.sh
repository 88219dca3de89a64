#!/usr/bin/env bash
# A contact sheet of 1000 camera-sized JPEGs (four photographs of 12 to 24
# megapixels under 1000 names) against djpeg decoding the same files at one
# eighth, one after another, in the same run; then the peak memory of the
# sheet above the same window without pictures.
# Usage: planche_contact.sh BENCH-PROGRAM DATA-FOLDER [COUNT]
set -euo pipefail
programme=$1
data=$2
nombre=${3:-1000}

photos="$data/planche"
mkdir -p "$photos"
seed=20
for taille in 4000x3000 4608x3456 5472x3648 6000x4000; do
  seed=$((seed + 1))
  if [ ! -f "$data/photo-$taille.jpg" ]; then
    echo "making the $taille test picture..."
    convert -seed "$seed" -size "$taille" plasma:fractal -blur 0x1.5 -attenuate 0.4 \
      +noise Gaussian -sampling-factor 2x2 -quality 92 "jpg:$data/photo-$taille.jpg.part"
    mv "$data/photo-$taille.jpg.part" "$data/photo-$taille.jpg"
  fi
done
sources=("$data"/photo-4000x3000.jpg "$data"/photo-4608x3456.jpg "$data"/photo-5472x3648.jpg \
  "$data"/photo-6000x4000.jpg)
rm -f "$photos"/*.jpg
for ((i = 0; i < nombre; i++)); do
  ln -s "$(readlink -f "${sources[$((i % 4))]}")" "$(printf '%s/p%04d.jpg' "$photos" "$i")"
done
vide="$data/planche-vide"
mkdir -p "$vide"
cat "${sources[@]}" >/dev/null

djpeg_seul() {
  local debut fin
  debut=$(date +%s.%N)
  for f in "$photos"/*.jpg; do djpeg -scale 1/8 "$f" >/dev/null; done
  fin=$(date +%s.%N)
  awk "BEGIN { print $fin - $debut }"
}

export QT_QPA_PLATFORM=offscreen
echo "  $nombre photos of 12 to 24 megapixels, cells of 100x100"
t_djpeg=$(djpeg_seul)
read -r t_planche pic_planche < <("$programme" "$photos")
read -r t_un pic_un < <("$programme" "$photos" 1)
t_djpeg2=$(djpeg_seul)
read -r _ pic_vide < <("$programme" "$vide")
t_ref=$(awk "BEGIN { print ($t_djpeg + $t_djpeg2) / 2 }")
printf '  djpeg -scale 1/8, one file after another  %8.2f s\n' "$t_ref"
printf '  contact sheet, worker threads             %8.2f s   sheet / djpeg = %.2f (goal: at most 0.5)\n' \
  "$t_planche" "$(awk "BEGIN { print $t_planche / $t_ref }")"
printf '  contact sheet, one worker thread          %8.2f s   sheet / djpeg = %.2f (goal: at most 1.3)\n' \
  "$t_un" "$(awk "BEGIN { print $t_un / $t_ref }")"
echo "  peak memory, window alone: $((pic_vide / 1024)) MB; with the sheet: $((pic_planche / 1024)) MB" \
  "(one thread: $((pic_un / 1024)) MB)"
echo "  => above the window alone: $(((pic_planche - pic_vide) / 1024)) MB (goal: under 150 MB)"
