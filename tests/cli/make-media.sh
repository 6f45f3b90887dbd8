#!/bin/sh
# Sources for the command-line runs: small raw AVI files made with ffmpeg.
set -eu
out="$1"
mkdir -p "$out"
make() { ffmpeg -loglevel error -y "$@"; }
# 320x240 RGB24 at 25 fps, 2 s, with 48 kHz stereo 16-bit PCM.
make -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -t 2 -ac 2 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$out/clip.avi"
# The same sound as raw bytes, to compare RAW-audio links with.
make -i "$out/clip.avi" -vn -f s16le -acodec pcm_s16le "$out/clip.pcm"
# A width that is not a multiple of 16, video only.
make -f lavfi -i testsrc=size=322x240:rate=25 -t 1 -c:v rawvideo -pix_fmt bgr24 "$out/odd.avi"
# IMA ADPCM sound, 2 s at 22050 Hz: only the real block timing gives its length.
make -f lavfi -i testsrc=size=160x128:rate=25 -f lavfi -i sine=frequency=300:sample_rate=22050 \
  -t 2 -c:v rawvideo -pix_fmt bgr24 -c:a adpcm_ima_wav "$out/ima.avi"
# 2.002 s at 30000/1001: 60 frames and exactly 96096 samples at 48 kHz.
make -f lavfi -i testsrc=size=64x48:rate=30000/1001 -f lavfi -i sine=frequency=500:sample_rate=48000 \
  -t 2.002 -ac 2 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$out/ntsc.avi"
make -i "$out/ntsc.avi" -vn -f s16le -acodec pcm_s16le "$out/ntsc.pcm"
# A video stream without a single frame, and no sound.
make -f lavfi -i testsrc=size=32x32:rate=25 -frames:v 0 -c:v rawvideo -pix_fmt bgr24 "$out/empty.avi"
# Ten minutes of sound behind a tiny picture: a RAW link of it runs long
# enough to be interrupted.
make -f lavfi -i testsrc=size=8x8:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
  -t 600 -ac 2 -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$out/long.avi"
