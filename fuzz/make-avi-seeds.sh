#!/bin/sh
# Usage: make-avi-seeds.sh OUTDIR
# Small AVI files made by ffmpeg, the kinds of source the reader looks into:
# a picture with PCM or ADPCM sound, sound alone, a picture alone.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
picture="testsrc=size=8x8:rate=25:duration=0.08"
sound="sine=frequency=440:sample_rate=8000:duration=0.08"
ff -f lavfi -i "$picture" -f lavfi -i "$sound" -c:v rawvideo -pix_fmt bgr24 -c:a pcm_u8 pcm.avi
ff -f lavfi -i "$picture" -f lavfi -i "$sound" -c:v rawvideo -pix_fmt bgr24 -c:a adpcm_ima_wav ima.avi
ff -f lavfi -i "$picture" -f lavfi -i "$sound" -c:v msvideo1 -c:a adpcm_ms -ac 2 msadpcm.avi
ff -f lavfi -i "$sound" -c:a pcm_s16le sound-only.avi
ff -f lavfi -i "$picture" -c:v rawvideo -pix_fmt yuyv422 -vtag YUY2 picture-only.avi
