#!/bin/sh
# Times quorl.exe on a one-hour source in both audio modes: from the start of
# its report to "Link created!", leaving out the five-second pause that
# follows. The source (25 fps 16x16 raw frames, 48 kHz stereo 16-bit PCM,
# about 760 MB) is made once and kept in build/bench-media.
# Usage: bench/program_speed.sh [BUILD_DIR]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$top/build}"
. "$top/bench/timing.sh"
make_source 3600 "$media/hour.avi"
echo "Source: $(stat -c %s "$media/hour.avi") bytes"
start_wine
for mode in linked raw; do
  time_link "$mode" hour
  [ -n "$link_seconds" ] || continue
  size=$(stat -c %s "$media/hour_$mode.AVI")
  awk -v m="$mode" -v t="$link_seconds" -v s="$size" 'BEGIN {
    printf "%s audio: %.2f s for 90000 frames (%.0f frames/s), link file %d bytes (%.1f MB/s written)\n", m, t, 90000 / t, s, s / 1e6 / t
  }'
done
stop_wine
