#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "$0")/scripts/common.sh"
# Test-only tools: mdb-export checks the Access reader; LibreOffice Calc
# writes the spreadsheet fixtures of the parts import.
PACKAGES+=(mdbtools libreoffice-calc-nogui)
install_missing
build
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/partwise-runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
