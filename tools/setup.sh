#!/bin/sh
# Installs the Debian 12 packages that building, running and testing the demo need,
# only when some are missing. Used by both README commands and by CI.
# Usage: tools/setup.sh            (build, run and test packages)
set -eu

PACKAGES="build-essential cmake pkg-config
  libsdl2-dev libgl-dev libglu1-mesa-dev libepoxy-dev
  libdevil-dev libmpg123-dev libkissfft-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool libgl1-mesa-dri mesa-utils
  lame"

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
