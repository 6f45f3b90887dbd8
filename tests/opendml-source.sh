#!/bin/sh
# Usage: opendml-source.sh FILE [--stop]
# An AVI just past 1 GB, where ffmpeg starts a second RIFF part (AVIX, the
# OpenDML form): 45 frames of 3840x2160 raw RGB24 with 48 kHz stereo PCM; the
# last frame and some of the sound lie in the second part. It takes 1.1 GB,
# so it is made once per test run and --stop deletes it.
set -eu
file="$1"
if [ "${2:-}" = "--stop" ]; then
  rm -f "$file"
  exit 0
fi
mkdir -p "$(dirname "$file")"
ffmpeg -hide_banner -loglevel error -nostdin -y \
  -f lavfi -i testsrc=size=3840x2160:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -t 1.8 -ac 2 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$file"
