#!/usr/bin/env bash
# Takes the README's screenshot from the real program: a day's work on the
# sample database, with the inventory grid, the BOM editor and the BIN List
# report preview tiled in the main window.
#
#   scripts/screenshot.sh [OUT.png]     (default docs/screenshot.png)
#
# Needs a build (build/partwise, the templates and build/share/Sample.mdb) and
# xvfb-run, openbox, xdotool and imagemagick (apt-get install xvfb openbox
# xdotool imagemagick). Runs on a copy: the build's own database is untouched.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PARTWISE_BUILD_DIR:-$root/build}"
out="$(realpath -m "${1:-$root/docs/screenshot.png}")"
for tool in xvfb-run openbox xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is not installed." >&2; exit 2; }
done
[ -x "$build/partwise" ] && [ -f "$build/share/Sample.mdb" ] || { echo "screenshot.sh: build first." >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -a "$build/partwise" "$build"/*.rpt "$build/help" "$build/web" "$work/"
cp "$build/share/Sample.mdb" "$work/Inventory.mdb"
export HOME="$work/home" QTWEBENGINE_DISABLE_SANDBOX=1
mkdir -p "$HOME/.config/Partwise"
# The main window fills the screen (positions in twips: 15 a pixel at 96 dpi).
printf '[Settings]\nMainLeft=0\nMainTop=0\nMainWidth=28650\nMainHeight=14600\n' >"$HOME/.config/Partwise/Partwise.conf"

xvfb-run -a -s "-screen 0 1920x1000x24 -dpi 96" bash -c '
  set -u
  cd "$1"
  openbox >/dev/null 2>&1 &
  sleep 0.7
  ./partwise >run.log 2>&1 &
  pid=$!
  for i in $(seq 1 150); do
    w=$(xdotool search --onlyvisible --name "^Partwise$" 2>/dev/null | head -n 1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || { echo "screenshot.sh: the main window did not show; see run.log" >&2; cat run.log >&2; exit 1; }
  sleep 2
  xdotool windowactivate --sync "$w"; sleep 0.3
  k() { xdotool key --delay 120 "$@"; sleep 0.6; }
  t() { xdotool type --delay 40 "$1"; sleep 0.3; }
  # Inventory > Show All Inventory: the whole catalogue in its grid.
  k alt+i; k Up Up; k Return
  sleep 1.5
  # Bill Of Materials > Edit BOM, with a board loaded.
  k alt+b; k Down; k Return
  sleep 1
  t PSU-12V-REVB; k Return
  sleep 1
  # Reports > BIN List, previewed.
  k alt+r; k Return
  sleep 2.5
  # Window > Tile Vertical: the three side by side.
  k alt+w; k v
  sleep 1.5
  import -window root "$2"
  kill $pid 2>/dev/null
' bash "$work" "$work/shot.png"
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "wrote $out"
