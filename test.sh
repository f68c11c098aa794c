#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "$0")/scripts/common.sh"
install_missing
# Tools the tests use to read what the program writes.
TEST_TOOLS=(pandoc)
for tool in "${TEST_TOOLS[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    saved=("${PACKAGES[@]}")
    PACKAGES=("$tool")
    install_missing || echo "note: $tool could not be installed; its tests skip"
    PACKAGES=("${saved[@]}")
  fi
done
build
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/partwise-runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
