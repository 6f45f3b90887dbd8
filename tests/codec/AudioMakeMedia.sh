#!/bin/sh
# Usage: AudioMakeMedia.sh OUTDIR
# Sources for the linked-audio codec tests, each with ffmpeg's own decode of
# its sound beside it (NAME.pcm) to compare the codec's output with.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
# Left and right differ, so a swapped or shifted channel shows.
source() {  # NAME RATE-OF-PICTURES SOUND-INPUT SOUND-OPTIONS...
    name="$1"; rate="$2"; sound="$3"; shift 3
    ff -f lavfi -i "testsrc=size=32x32:rate=$rate" -f lavfi -i "$sound" -t "${seconds:-2}" \
       -c:v rawvideo -pix_fmt bgr24 "$@" "$name.avi"
}
source s25 25 "aevalsrc=sin(440*2*PI*t)|0.5*sin(997*2*PI*t):s=48000" -c:a pcm_s16le
source s2997 30000/1001 "aevalsrc=sin(440*2*PI*t)|0.5*sin(997*2*PI*t):s=48000" -c:a pcm_s16le
source m8 25 "aevalsrc=0.8*sin(300*2*PI*t):s=44100" -c:a pcm_u8
# The first second of s25: a source cut short after its link was made, or
# one that grows to s25.
seconds=1 source s25_1s 25 "aevalsrc=sin(440*2*PI*t)|0.5*sin(997*2*PI*t):s=48000" -c:a pcm_s16le
source ima 25 "aevalsrc=sin(440*2*PI*t)|0.5*sin(997*2*PI*t):s=22050" -c:a adpcm_ima_wav
for name in s25 s2997; do ff -i "$name.avi" -vn -f s16le -acodec pcm_s16le "$name.pcm"; done
ff -i m8.avi -vn -f u8 -acodec pcm_u8 m8.pcm
