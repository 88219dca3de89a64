#!/usr/bin/env bash
# A contact sheet of 1000 camera-sized JPEGs (four photographs of 12 to 24
# megapixels under 1000 names) against djpeg decoding the same files at one
# eighth, in the same run: djpeg one file after another against the sheet on
# one worker thread, and as many djpeg processes at once as there are
# processors against the sheet's worker threads; wall-clock and processor
# times. Then the peak memory of the sheet above the same window without
# pictures.
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

# djpeg_temps PROCESSES: "wall user+system" seconds of decoding every photo,
# PROCESSES djpeg processes at once.
djpeg_temps() {
  local TIMEFORMAT='%R %U %S' mesure
  mesure=$({ time (find "$photos" -name '*.jpg' -print0 |
    xargs -0 -n 1 -P "$1" djpeg -scale 1/8 -outfile /dev/null); } 2>&1)
  awk '{ print $1, $2 + $3 }' <<<"$mesure"
}
processeurs=$(nproc)

export QT_QPA_PLATFORM=offscreen
echo "  $nombre photos of 12 to 24 megapixels, cells of 100x100, $processeurs processors"
read -r t_djpeg c_djpeg < <(djpeg_temps 1)
read -r t_djpeg_p c_djpeg_p < <(djpeg_temps "$processeurs")
read -r t_planche pic_planche c_planche < <("$programme" "$photos")
read -r t_un pic_un c_un < <("$programme" "$photos" 1)
read -r t_djpeg2 c_djpeg2 < <(djpeg_temps 1)
read -r t_djpeg_p2 c_djpeg_p2 < <(djpeg_temps "$processeurs")
read -r _ pic_vide _ < <("$programme" "$vide")
moyenne() { awk "BEGIN { print ($1 + $2) / 2 }"; }
rapport() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
t_ref=$(moyenne "$t_djpeg" "$t_djpeg2")
c_ref=$(moyenne "$c_djpeg" "$c_djpeg2")
t_ref_p=$(moyenne "$t_djpeg_p" "$t_djpeg_p2")
c_ref_p=$(moyenne "$c_djpeg_p" "$c_djpeg_p2")
printf '  djpeg -scale 1/8, one file after another  %8.2f s  CPU %8.2f s\n' "$t_ref" "$c_ref"
printf '  djpeg -scale 1/8, %2d processes at once     %8.2f s  CPU %8.2f s\n' "$processeurs" \
  "$t_ref_p" "$c_ref_p"
printf '  contact sheet, worker threads             %8.2f s  CPU %8.2f s   sheet / djpeg at once: wall %s, CPU %s\n' \
  "$t_planche" "$c_planche" "$(rapport "$t_planche" "$t_ref_p")" "$(rapport "$c_planche" "$c_ref_p")"
printf '  contact sheet, one worker thread          %8.2f s  CPU %8.2f s   sheet / djpeg one by one: wall %s, CPU %s\n' \
  "$t_un" "$c_un" "$(rapport "$t_un" "$t_ref")" "$(rapport "$c_un" "$c_ref")"
echo "  peak memory, window alone: $((pic_vide / 1024)) MB; with the sheet: $((pic_planche / 1024)) MB" \
  "(one thread: $((pic_un / 1024)) MB)"
echo "  => above the window alone: $(((pic_planche - pic_vide) / 1024)) MB (goal: under 150 MB)"
