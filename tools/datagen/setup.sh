#!/bin/sh
# Installs what the data-set generator needs on top of the demo's own packages
# (building or running the demo never needs these).
set -eu
exec "$(dirname "$0")/../setup.sh" python3 python3-numpy python3-pil fonts-dejavu-core \
    espeak-ng lame mpg123
