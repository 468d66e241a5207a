#!/usr/bin/env bash
# Installs every Debian package the build, the data generators, the player and the tests need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

PACKAGES=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  # window, GL context, events, audio output
  libsdl1.2-dev
  # GL entry points and software rendering
  libglew-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri mesa-utils
  # text
  libftgl-dev libfreetype-dev fonts-liberation
  # XML, gzip, JPEG
  libtinyxml-dev zlib1g-dev libjpeg62-turbo-dev libpng-dev
  # audio decoding, encoding and analysis
  libmpg123-dev libvorbis-dev libmp3lame-dev libfftw3-dev
  # dialog and message boxes
  libgtk-3-dev
  # headless display, input, screenshots, independent AVI reader
  xvfb xauth xdotool x11-utils imagemagick ffmpeg
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
