#!/bin/sh
# Installs the Debian 12 packages that building, running and testing the demo need,
# only when some are missing. Used by both README commands and by CI; extra package
# names given as arguments are installed too (tools/fuzz.sh adds clang).
# xfonts-base: SDL's X11 message boxes need the core X fonts; without them
# every box fails silently on a bare X server.
# dpkg-dev, file: cpack's Debian generator finds the package's dependencies with
# dpkg-shlibdeps, and its binaries with file. desktop-file-utils: the install
# test validates the desktop entry, appstream its metainfo. pulseaudio, pulseaudio-utils: a test plays
# the demo into a private sound server and records it with parec.
set -eu

PACKAGES="build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libepoxy-dev
  libdevil-dev libmpg123-dev libkissfft-dev libcli11-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libxtst-dev
  xvfb xauth x11-utils xdotool xfonts-base libgl1-mesa-dri mesa-utils
  lame dpkg-dev file desktop-file-utils appstream pulseaudio pulseaudio-utils $*"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "setup: installing$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
