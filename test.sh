#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "$0")/scripts/common.sh"
# Test-only tools: the package checks validate the menu entry and the software centre entry;
# mdb-export checks the Access reader; LibreOffice Calc writes the spreadsheet fixtures of the
# parts import.
PACKAGES+=(appstream desktop-file-utils mdbtools libreoffice-calc-nogui)
install_missing
# LibreOffice reads back what a grid copies for spreadsheets (test-only tool).
if ! command -v soffice >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends libreoffice-calc-nogui || true
fi
build
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/partwise-runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
