#!/bin/sh
# Usage: make-media.sh OUTDIR QUORL_EXE WINE_RUN
# Sources for the codec's tests, made with ffmpeg, and link files made from
# them by quorl.exe in command-line mode (all at once: each run ends with a
# five-second pause). OUTDIR is M:\codec in the test prefix, so the paths the
# links name stay short.
set -eu
out="$1"; quorl="$2"; winerun="$3"
mkdir -p "$out"
cd "$out"
rm -f ./*.avi

ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
picture="testsrc2=size=80x48:rate=25:duration=2"

# 50 frames each; ffmpeg writes raw RGB24 top-down.
ff -f lavfi -i "$picture" -c:v rawvideo -pix_fmt bgr24 rgb24.avi
ff -f lavfi -i "$picture" -c:v rawvideo -pix_fmt yuyv422 -vtag YUY2 yuy2.avi
ff -f lavfi -i "$picture" -c:v cinepak cinepak.avi
ff -f lavfi -i "testsrc2=size=80x48:rate=30000/1001:duration=2" \
  -c:v rawvideo -pix_fmt yuv420p -vtag YV12 ntsc.avi
ff -f lavfi -i "$picture" -c:v rawvideo -pix_fmt bgr24 gone.avi
# The first second of rgb24.avi (25 frames): a source cut short after its
# link was made, and one that grew.
ff -f lavfi -i "testsrc2=size=80x48:rate=25:duration=1" -c:v rawvideo -pix_fmt bgr24 rgb24-1s.avi
cp rgb24.avi short.avi
cp rgb24-1s.avi grown.avi
# Forty clips of an editor's project (one file under forty names, so each is
# a source of its own to the codec), with pictures large enough that a cache
# kept per clip would show.
ff -f lavfi -i "testsrc2=size=960x540:rate=25" -frames:v 10 -c:v rawvideo -pix_fmt bgr24 clip.avi
for i in $(seq 1 40); do ln -f clip.avi "clip$i.avi"; done

all="-c RGB32 -c RGB24 -c YUY2 -c YV12"
link() {  # SOURCE LINK SWITCHES...
    source="$1"; target="$2"; shift 2
    "$winerun" "$quorl" "$@" "M:\\codec\\$source" "M:\\codec\\$target" >"$target.log" 2>&1 &
}
link rgb24.avi rgb24-link.avi -c RGB32 -c RGB24
link yuy2.avi yuy2-link.avi $all
link yuy2.avi yuy2-only-link.avi
link cinepak.avi cinepak-link.avi
link ntsc.avi ntsc-link.avi $all
link gone.avi gone-link.avi
link short.avi short-link.avi -c RGB24
link grown.avi grown-link.avi -c RGB24
wait
rm -f gone.avi
cp rgb24-1s.avi short.avi
cp rgb24.avi grown.avi
for made in rgb24-link yuy2-link yuy2-only-link cinepak-link ntsc-link gone-link short-link grown-link; do
    if [ ! -s "$made.avi" ]; then
        echo "quorl.exe made no $made.avi:"; cat "$made.avi.log"; exit 1
    fi
done

# A copy without its index: the system's reader would crash on it, so the
# shared reader refuses it, and inside the codec that refusal must not ask
# anybody anything.
cut=$(grep -obUa idx1 yuy2.avi | tail -n 1 | cut -d: -f1)
head -c "$cut" yuy2.avi >noindex.avi
