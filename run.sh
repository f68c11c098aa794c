#!/usr/bin/env bash
# Installs what is missing, builds, and starts Partwise on the sample database.
source "$(dirname "$0")/scripts/common.sh"
install_missing
build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo
  echo "Partwise is built, but there is no display to show it on."
  echo "Run it under a virtual display:   xvfb-run -a -s '-screen 0 1280x900x24' $BUILD/partwise"
  echo "or from a desktop session:        $BUILD/partwise"
  exit 0
fi
cd "$BUILD"
exec ./partwise
