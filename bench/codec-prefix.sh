# Sourced by the codec benchmarks, with `top` and `media` set: a Wine prefix of
# their own with the built codec registered, Q: on the media and B: on the
# built programs. The prefix's server is stopped and the media are removed when
# the script ends.
prefix="$top/build/bench-prefix"
mkdir -p "$media"
"$top/scripts/wine-prefix" "$prefix"
trap '"$top/scripts/wine-prefix" "$prefix" --stop; rm -rf "$media"' EXIT
export WINEPREFIX="$prefix"
ln -sfn "$media" "$prefix/dosdevices/q:"
ln -sfn "$top/build/bin" "$prefix/dosdevices/b:"
# Under Wine, msacm32 opens every registered ACM driver while it starts; as
# a dependency of avishim.dll being loaded by regsvr32 it would open this very
# DLL half-loaded and fail, and regsvr32 with it. A registration left by an
# earlier run is therefore removed first.
"$top/scripts/wine-run" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32' \
  /v msacm.avishim /f >/dev/null 2>&1 || true
"$top/scripts/wine-run" regsvr32 /s 'B:\avishim.dll'
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
