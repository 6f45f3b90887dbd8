#!/bin/sh
# RAW-audio links of a one-hour and a two-hour source (25 fps 16x16 raw
# frames, 48 kHz stereo 16-bit PCM; about 770 MB and 1.5 GB, made once and
# kept in build/bench-media), each next to ffmpeg copying the same PCM out of
# the same file in the same run, and the linked (not RAW) link of the hour.
# A RAW link should cost about what the copy costs, and twice the length about
# twice the time. The two-hour source is the one-hour one played twice in a
# plain AVI 1.0 file (see double_source.cpp): ffmpeg would write it with
# OpenDML parts that Wine's AVIFile cannot read.
#
# Figures are medians of RUNS (default 3) runs, wall-clock seconds from the
# program's first report line to "Link created!" (ffmpeg: the whole run).
# Other work on the machine makes them meaningless: the load average is
# printed at the start and the end.
# Usage: bench/raw_audio_speed.sh [BUILD_DIR]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$top/build}"
. "$top/bench/timing.sh"
echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
make_source 3600 "$media/hour.avi"
# The sound of an AVI file as ffmpeg reads it, hashed.
pcm_digest() {
  ffmpeg -loglevel error -nostdin -i "$1" -map 0:a -f s16le -c:a pcm_s16le - | md5sum | cut -d' ' -f1
}
# Seconds it takes to get a finished file's bytes onto the disk.
fsync_seconds() {
  set -- $(seconds_of dd if=/dev/null of="$1" conv=notrunc,fsync status=none)
  echo "$1"
}
start_wine
if [ ! -f "$media/twohours.avi" ]; then
  echo "Making twohours.avi (once)..."
  WINEPREFIX="$prefix" "$top/scripts/wine-run" "$build/bin/double_source.exe" 'B:\hour.avi' 'B:\twohours.avi'
fi
runs="${RUNS:-3}"
echo "Medians of $runs runs; wall-clock seconds (processor seconds of the whole run)."
for name in hour twohours; do
  # Both read from the page cache, not one from the disk and one from memory.
  cat "$media/$name.avi" > /dev/null
  ff_wall="" ff_cpu="" ff_sync="" raw_wall="" raw_cpu=""
  run=0
  while [ "$run" -lt "$runs" ]; do
    run=$((run + 1))
    set -- $(seconds_of ffmpeg -loglevel error -nostdin -y -i "$media/$name.avi" -vn \
      -c:a copy "$media/${name}_ffmpeg.wav")
    ff_wall="$ff_wall $1" ff_cpu="$ff_cpu $2"
    # The link is on the disk when "Link created!" appears; ffmpeg's file
    # may still be in memory. What that costs ffmpeg, for comparison only.
    ff_sync="$ff_sync $(fsync_seconds "$media/${name}_ffmpeg.wav")"
    rm -f "$media/${name}_ffmpeg.wav"
    time_link raw "$name"
    [ -n "$link_seconds" ] || continue 2
    raw_wall="$raw_wall $link_seconds" raw_cpu="$raw_cpu $link_cpu"
  done
  same=no
  [ "$(pcm_digest "$media/$name.avi")" = "$(pcm_digest "$media/${name}_raw.AVI")" ] && same=yes
  echo "$name: the link carries the source's PCM byte for byte: $same"
  rm -f "$media/${name}_raw.AVI"
  raw_wall=$(median $raw_wall) ff_wall=$(median $ff_wall)
  eval "raw_$name=$raw_wall"
  awk -v n="$name" -v t="$raw_wall" -v tc="$(median $raw_cpu)" -v f="$ff_wall" \
    -v fc="$(median $ff_cpu)" -v fs="$(median $ff_sync)" 'BEGIN {
    printf "%-8s RAW link %.2f s (%.2f), ffmpeg -vn -c:a copy %.2f s (%.2f): %.2f x ffmpeg%s\n", n, t, tc, f, fc, t / f, n == "hour" ? " (goal: at most 1.2)" : ""
    printf "%-8s   (ffmpeg'\''s file flushed to disk afterwards, as the link is: %.2f s more)\n", n, fs
  }'
done
if [ -n "${raw_hour:-}" ] && [ -n "${raw_twohours:-}" ]; then
  awk -v a="$raw_hour" -v b="$raw_twohours" 'BEGIN { printf "two hours / one hour: %.2f (goal: at most 2.1)\n", b / a }'
fi
linked_wall=""
run=0
while [ "$run" -lt "$runs" ]; do
  run=$((run + 1))
  time_link linked hour
  [ -n "$link_seconds" ] || break
  linked_wall="$linked_wall $link_seconds"
done
rm -f "$media/hour_linked.AVI"
[ -z "$linked_wall" ] ||
  echo "hour     linked link $(median $linked_wall) s (goal: below 0.5)"
stop_wine
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
