#!/bin/sh
# Makes 250-frame raw sources (YUY2 and RGB24 at 720x576 and 1920x1080, about
# 3 GB), registers the built codec in a prefix of its own and runs
# bench/codec_speed on each (which links it first). The sources are removed
# afterwards.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
media="$top/build/bench-media"
prefix="$top/build/bench-prefix"
mkdir -p "$media"
"$top/scripts/wine-prefix" "$prefix"
trap '"$top/scripts/wine-prefix" "$prefix" --stop; rm -rf "$media"' EXIT
export WINEPREFIX="$prefix"
ln -sfn "$media" "$prefix/dosdevices/q:"
ln -sfn "$top/build/bin" "$prefix/dosdevices/b:"
"$top/scripts/wine-run" regsvr32 /s 'B:\avishim.dll'
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
for size in 720x576 1920x1080; do
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 250 -c:v rawvideo -pix_fmt yuyv422 -vtag YUY2 "$media/yuy2-$size.avi"
  ff -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 250 -c:v rawvideo -pix_fmt bgr24 "$media/rgb24-$size.avi"
done
for source in yuy2-720x576 rgb24-720x576 yuy2-1920x1080 rgb24-1920x1080; do
  "$top/scripts/wine-run" "$top/build/bin/codec_speed.exe" "Q:\\$source.avi" "Q:\\$source-link.avi"
done
