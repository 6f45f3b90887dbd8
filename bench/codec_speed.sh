#!/bin/sh
# Makes 250-frame raw sources (YUY2 and RGB24 at 720x576 and 1920x1080, about
# 2.5 GB; see below for RGB24 at 1920x1080), registers the built codec in a prefix of its own and runs
# bench/codec_speed on each (which links it first). The sources are removed
# afterwards.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
media="$top/build/bench-media"
. "$top/bench/codec-prefix.sh"
for size in 720x576 1920x1080; do
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 250 -c:v rawvideo -pix_fmt yuyv422 -vtag YUY2 "$media/yuy2-$size.avi"
  # Past 1 GB ffmpeg goes on in a second RIFF list (OpenDML), which Wine's
  # AVIFile does not read (it stops on an assertion): RGB24 at 1920x1080 gets
  # 150 frames.
  frames=250; [ "$size" = 1920x1080 ] && frames=150
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v $frames -c:v rawvideo -pix_fmt bgr24 "$media/rgb24-$size.avi"
done
echo "load: $(uptime)"
for source in yuy2-720x576 rgb24-720x576 yuy2-1920x1080 rgb24-1920x1080; do
  "$top/scripts/wine-run" "$top/build/bin/codec_speed.exe" "Q:\\$source.avi" "Q:\\$source-link.avi"
  echo "load: $(uptime)"
done
