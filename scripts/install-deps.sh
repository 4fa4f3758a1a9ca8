#!/usr/bin/env bash
# Installs what building and testing needs on Debian 12 (run as root).
# The package lists are read only when something is missing.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
  g++ clang clang-format cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  python3 python3-numpy python3-scipy
  libglib2.0-dev libxml2-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins libgl-dev
  locales fonts-liberation2 xvfb xauth x11-utils libxtst-dev dbus dbus-x11 poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# A comma-decimal locale, so the tests can show that files are written and
# read the same whatever the user's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
