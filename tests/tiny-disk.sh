#!/bin/sh
# Usage: tiny-disk.sh <folder> <drive link> [--stop | --mount]
# A 256 KB file system for the full-disk tests, reached as a drive letter of
# the test prefix. Mounting needs root (CAP_SYS_ADMIN); without it no drive
# is made and the tests that need one skip and say why. --mount only mounts,
# for a wineserver that must see the file system from its start.
set -u
folder="$1"
drive="$2"
if [ "${3:-}" = "--stop" ]; then
  rm -f "$drive"
  if mountpoint -q "$folder" 2>/dev/null; then umount "$folder" || umount -l "$folder"; fi
  exit 0
fi
mkdir -p "$folder"
[ "${3:-}" = "--mount" ] || rm -f "$drive"
if ! mountpoint -q "$folder" 2>/dev/null; then
  timeout 10 mount -t tmpfs -o size=256k,mode=0777 quorl-tiny "$folder" 2>/dev/null || exit 0
fi
[ "${3:-}" = "--mount" ] && exit 0
rm -rf "${folder:?}"/*
ln -sfn "$folder" "$drive"
exit 0
