#!/bin/sh
# Usage: update-installer.sh CODEC32 SETUP COMMAND...
# Brings the installer up to date (COMMAND) before its test runs. Without the
# 32-bit build there is no installer to test: an old one would not match the
# program under test, so it goes, and the test reports itself skipped.
set -eu
codec32="$1"
setup="$2"
shift 2
if [ ! -f "$codec32" ]; then
  echo "No 32-bit build ($codec32): run scripts/build --with-32bit to test the installer"
  rm -f "$setup"
  exit 0
fi
exec "$@"
