#!/bin/sh
# Usage: make-media.sh OUTDIR
# Makes the sources the reader's tests open, each with ffmpeg's own decode of
# the same file beside it (NAME.ref) for the tests to compare against.
set -eu
out="$1"
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }

# Pictures: 25 frames of 80x48 at 25 fps.
picture="testsrc=size=80x48:rate=25:duration=1"
video() {  # NAME PIXFMT-OF-REFERENCE ENCODING-OPTIONS...
    name="$1"; reffmt="$2"; shift 2
    ff -f lavfi -i "$picture" "$@" "$name.avi"
    ff -i "$name.avi" -f rawvideo -pix_fmt "$reffmt" "$name.ref"
}
video rgb24 bgr24 -c:v rawvideo -pix_fmt bgr24
video rgb24-bottomup bgr24 -vf vflip -c:v rawvideo -pix_fmt bgr24 -flipped_raw_rgb 1
video rgb32 bgra -vf vflip -c:v rawvideo -pix_fmt bgra -flipped_raw_rgb 1
video pal8 pal8 -c:v rawvideo -pix_fmt pal8
ff -i pal8.avi -f rawvideo -pix_fmt bgr24 pal8.bgr24
video yuy2 yuyv422 -c:v rawvideo -pix_fmt yuyv422 -vtag YUY2
video yv12 yuv420p -c:v rawvideo -pix_fmt yuv420p -vtag YV12
video msvideo1 rgb555le -c:v msvideo1
video cinepak bgr24 -c:v cinepak

# Sounds: 2 s with different content in each channel, beside a small picture.
small="testsrc=size=16x16:rate=25:duration=2"
stereo() { echo "aevalsrc=0.6*sin(2*PI*440*t)|0.4*sin(2*PI*660*t+1):s=$1:d=${2:-2}"; }
mono="aevalsrc=0.6*sin(2*PI*440*t):s=22050:d=2"
sound() {  # NAME SOURCE REFERENCE-CODEC ENCODING-OPTIONS...
    name="$1"; source="$2"; refcodec="$3"; shift 3
    ff -f lavfi -i "$small" -f lavfi -i "$source" -c:v rawvideo -pix_fmt bgr24 "$@" "$name.avi"
    ff -i "$name.avi" -vn -f "${refcodec#pcm_}" -c:a "$refcodec" "$name.ref"
}
sound pcm48 "$(stereo 48000)" pcm_s16le -c:a pcm_s16le
sound pcm44 "$(stereo 44100)" pcm_s16le -c:a pcm_s16le
sound pcm8mono "$mono" pcm_u8 -c:a pcm_u8
sound ima "$(stereo 22050)" pcm_s16le -c:a adpcm_ima_wav
sound msadpcm "$(stereo 22050)" pcm_s16le -c:a adpcm_ms
sound mp3 "$(stereo 44100)" pcm_s16le -c:a libmp3lame -b:a 128k
# ffmpeg stores 24-bit PCM as WAVE_FORMAT_EXTENSIBLE; the tests make it plain PCM.
sound pcm24 "$(stereo 48000)" pcm_s24le -c:a pcm_s24le
# Sound outlasting the pictures, and pictures outlasting the sound; both
# longer than the reader reads ahead at once.
longer() {  # NAME VIDEO-SECONDS SOUND
    ff -f lavfi -i "testsrc=size=16x16:rate=25:duration=$2" -f lavfi -i "$3" \
        -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$1.avi"
    ff -i "$1.avi" -vn -f s16le -c:a pcm_s16le "$1.ref"
}
longer audio-longer 1 "$(stereo 48000 4)"
longer video-longer 5 "$(stereo 44100 3.5)"

ff -f lavfi -i "$(stereo 48000)" -c:a pcm_s16le audio-only.avi
ff -i audio-only.avi -f s16le -c:a pcm_s16le audio-only.ref
