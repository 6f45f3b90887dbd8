# Shared by the speed scripts (sourced, not run). Expects $top and $build.
media="$build/bench-media"
prefix="$build/wineprefix"
mkdir -p "$media"

# make_source SECONDS PATH: 25 fps 16x16 raw frames with 48 kHz stereo 16-bit
# PCM, made once and kept.
make_source() {
  if [ ! -f "$2" ]; then
    echo "Making $(basename "$2") ($1 s, once)..."
    ffmpeg -loglevel error -y -f lavfi -i testsrc=size=16x16:rate=25 \
      -f lavfi -i sine=frequency=440:sample_rate=48000 -t "$1" -ac 2 \
      -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le "$2"
  fi
}

start_wine() {
  "$top/scripts/wine-prefix" "$prefix"
  ln -sfn "$media" "$prefix/dosdevices/b:"
}
stop_wine() { "$top/scripts/wine-prefix" "$prefix" --stop; }

# time_link MODE NAME: links B:\NAME.avi into B:\NAME_MODE.AVI (MODE linked or
# raw) and sets $link_seconds to the time from the start of the program's
# report to "Link created!", leaving out the five-second pause that follows
# (empty when no link was created), and $link_cpu to the processor time of
# the whole run, start-up and pause included.
time_link() {
  flag=""
  [ "$1" = raw ] && flag="-r"
  out="$media/$2_$1.AVI"
  log="$media/$2_$1.log"
  rm -f "$out"
  # Each line of the report is stamped as it arrives.
  WINEPREFIX="$prefix" /usr/bin/time -o "$log.cpu" -f "%U %S" \
    "$top/scripts/wine-run" "$build/bin/quorl.exe" $flag "B:\\$2.avi" "B:\\$2_$1.AVI" |
    while IFS= read -r line; do printf '%s %s\n' "$(date +%s.%N)" "$line"; done > "$log"
  began=$(grep -m1 'Inputfilename' "$log" | cut -d' ' -f1)
  ended=$(grep -m1 'Link created!' "$log" | cut -d' ' -f1 || true)
  link_seconds=""
  link_cpu=$(awk '{ printf "%.2f", $1 + $2 }' "$log.cpu")
  if [ -z "$ended" ]; then
    echo "$2, $1 audio: no link was created"; cat "$log"; return
  fi
  link_seconds=$(awk -v a="$began" -v b="$ended" 'BEGIN { printf "%.2f", b - a }')
}

# seconds_of COMMAND...: runs it and prints how long it took and its
# processor time.
seconds_of() {
  /usr/bin/time -o "$media/seconds_of.cpu" -f "%e %U %S" "$@"
  awk '{ printf "%.2f %.2f", $1, $2 + $3 }' "$media/seconds_of.cpu"
}

# median FIGURE...: the middle one of the figures (of an even number, the mean
# of the two in the middle). Other work on the machine only ever adds time,
# but a single lucky run says little; the median of a few is what a rerun
# gives again.
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) exit
    if (NR % 2) printf "%.2f\n", v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2
  }'
}
