#!/bin/sh
# Installs what the data-set generator needs (not needed to build or run the demo).
set -eu
PACKAGES="python3 python3-numpy python3-pil fonts-dejavu-core espeak-ng lame mpg123"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "datagen setup: installing$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
