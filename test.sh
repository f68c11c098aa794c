#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "$0")/scripts/common.sh"
# Test-only tools: the package checks validate the menu entry and the software centre entry;
# mdb-export checks the Access reader; LibreOffice Calc writes the spreadsheet fixtures of the
# parts import.
PACKAGES+=(appstream desktop-file-utils mdbtools)
install_missing
# Tools the tests use to read what the program writes.
# command:package; the RTF tests convert with LibreOffice Writer and pandoc.
TEST_TOOLS=(pandoc:pandoc soffice:libreoffice-writer-nogui soffice:libreoffice-calc-nogui)
for entry in "${TEST_TOOLS[@]}"; do
  saved=("${PACKAGES[@]}")
  PACKAGES=("${entry#*:}")
  install_missing || echo "note: ${entry%%:*} could not be installed; its tests skip"
  PACKAGES=("${saved[@]}")
done
build
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/partwise-runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
