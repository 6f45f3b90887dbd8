#!/bin/sh
# Usage: make-media.sh OUTDIR
# Sources whose rates and lengths the link dialog and the information dialog show;
# tiny pictures keep them small.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
tiny="-c:v rawvideo -pix_fmt bgr24"

# PAL: 1500 frames at 25 fps (one minute), with 5 400 000 mono samples at 48 kHz.
ff -f lavfi -i testsrc=size=16x16:rate=25:duration=60 \
   -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=112.5" \
   $tiny -c:a pcm_u8 -ac 1 pal.avi
# NTSC rate 30000/1001, a few frames.
ff -f lavfi -i testsrc=size=16x16:rate=30000/1001:duration=1 $tiny ntsc.avi
# A short clip with sound, for whole link cycles.
ff -f lavfi -i testsrc=size=32x32:rate=25:duration=2 \
   -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" \
   $tiny -c:a pcm_s16le -ac 2 clip.avi
# A picture size that is not a multiple of 16.
ff -f lavfi -i testsrc=size=18x14:rate=25:duration=1 $tiny odd.avi
