#!/bin/sh
# Times quorl.exe on a one-hour source in both audio modes: from the start of
# its report to "Link created!", leaving out the five-second pause that
# follows. The source (25 fps 16x16 raw frames, 48 kHz stereo 16-bit PCM,
# about 760 MB) is made once and kept in build/bench-media.
# Usage: bench/program_speed.sh [BUILD_DIR]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$top/build}"
media="$build/bench-media"
source="$media/hour.avi"
mkdir -p "$media"
if [ ! -f "$source" ]; then
  echo "Making the one-hour source (once)..."
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=16x16:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 3600 -ac 2 \
    -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$source"
fi
echo "Source: $(stat -c %s "$source") bytes"
prefix="$build/wineprefix"
"$top/scripts/wine-prefix" "$prefix"
ln -sfn "$media" "$prefix/dosdevices/b:"
for mode in linked raw; do
  flag=""
  [ "$mode" = raw ] && flag="-r"
  out="$media/hour_$mode.AVI"
  rm -f "$out"
  # Each line of the report is stamped as it arrives; the link runs between
  # the first line and "Link created!".
  WINEPREFIX="$prefix" "$top/scripts/wine-run" "$build/bin/quorl.exe" $flag 'B:\hour.avi' "B:\\hour_$mode.AVI" |
    while IFS= read -r line; do printf '%s %s\n' "$(date +%s.%N)" "$line"; done > "$media/$mode.log"
  start=$(grep -m1 'Inputfilename' "$media/$mode.log" | cut -d' ' -f1)
  done_at=$(grep -m1 'Link created!' "$media/$mode.log" | cut -d' ' -f1 || true)
  if [ -z "$done_at" ]; then
    echo "$mode audio: no link was created"; cat "$media/$mode.log"; continue
  fi
  size=$(stat -c %s "$out")
  awk -v m="$mode" -v a="$start" -v b="$done_at" -v s="$size" 'BEGIN {
    t = b - a
    printf "%s audio: %.2f s for 90000 frames (%.0f frames/s), link file %d bytes (%.1f MB/s written)\n", m, t, 90000 / t, s, s / 1e6 / t
  }'
done
"$top/scripts/wine-prefix" "$prefix" --stop
