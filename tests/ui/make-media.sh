#!/bin/sh
# Usage: make-media.sh OUTDIR
# Sources whose lengths and rates the information dialog has to show; tiny
# pictures keep them small.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# One minute of PAL: 1500 frames at 25 fps.
ff -f lavfi -i "testsrc=size=16x16:rate=25" -frames:v 1500 -c:v rawvideo -pix_fmt bgr24 pal-minute.avi
# NTSC rate 30000/1001.
ff -f lavfi -i "testsrc=size=16x16:rate=30000/1001" -frames:v 30 -c:v rawvideo -pix_fmt bgr24 ntsc.avi
# 5 400 000 samples at 48 kHz (112.5 s), mono 8-bit to stay small, beside a
# picture of one frame per second.
ff -f lavfi -i "testsrc=size=16x16:rate=1:duration=113" \
   -f lavfi -i "aevalsrc=0.5*sin(2*PI*440*t):s=48000:d=112.5" \
   -c:v rawvideo -pix_fmt bgr24 -c:a pcm_u8 long-audio.avi
