#!/bin/sh
# Usage: bench/codec_memory.sh
# Makes a 10-frame raw RGB24 source at 720x576 and at 1920x1080 (about 75 MB)
# and gives each 200 names (hard links: 200 sources to the codec, one file on
# disk), registers the built codec in a prefix of its own and runs
# bench/codec_memory on 50 and 200 plain sources and on as many links to
# them, each case in a process of its own. Prints what the links cost beyond
# the plain sources, next to the allowance: the codec's cache budget (256 MB
# in this 64-bit process) plus 2 MB per link. The media are removed
# afterwards.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
media="$top/build/bench-memory-media"
. "$top/bench/codec-prefix.sh"
privateGrowth() { sed -n 's/.*private *\([0-9.-]*\) MB.*/\1/p'; }
echo "load: $(uptime)"
for size in 720x576 1920x1080; do
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 10 -c:v rawvideo -pix_fmt bgr24 "$media/$size.avi"
  mkdir -p "$media/$size" "$media/$size-links"
  for i in $(seq 1 200); do ln -f "$media/$size.avi" "$media/$size/s$i.avi"; done
  echo "$size RGB24, 10 frames read from each, stepping back from the last:"
  for count in 50 200; do
    plain=$("$top/scripts/wine-run" "$top/build/bin/codec_memory.exe" plain $count 10 "Q:\\$size\\s#.avi")
    links=$("$top/scripts/wine-run" "$top/build/bin/codec_memory.exe" link $count 10 "Q:\\$size\\s#.avi" "Q:\\$size-links")
    echo "  $plain"
    echo "  $links"
    echo "$(echo "$plain" | privateGrowth) $(echo "$links" | privateGrowth) $count" | awk '{
      extra = $2 - $1
      printf "  links beyond plain: %.1f MB (%.2f MB per link past the cache budget); allowed %d MB (256 + 2 per link): %s\n",
             extra, (extra - 256) / $3, 256 + 2 * $3, extra <= 256 + 2 * $3 ? "met" : "NOT MET" }'
  done
done
echo "load: $(uptime)"
