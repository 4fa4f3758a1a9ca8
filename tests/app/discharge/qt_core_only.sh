#!/bin/sh
# Usage: qt_core_only.sh BINARY
# Passes when the binary's shared libraries (ldd) hold Qt Core and no other
# Qt library: a headless tool must start on a machine without a display
# stack.
set -eu
libs=$(ldd "$1")
echo "$libs" | grep -q 'libQt6Core\.so' || { echo "$1: no Qt6Core in ldd"; exit 1; }
others=$(echo "$libs" | grep -o 'libQt6[A-Za-z]*\.so' | sort -u | grep -v '^libQt6Core\.so$' || true)
if [ -n "$others" ]; then
  echo "$1 links more than Qt Core:"
  echo "$others"
  exit 1
fi
