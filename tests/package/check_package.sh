#!/usr/bin/env bash
# The Debian package as a user gets it: made by cpack from the build folder,
# its control fields, file list and dependencies, the menu and software-centre entries, and
# the installed program run from an unpacked root (version, then a first start
# that makes its database in the user's data folder).
# Usage: check_package.sh BUILD_DIR
set -u
build="$1"
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT; status=0
fail() { echo "FAIL: $*"; status=1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$(ls "$work"/out/partwise_*.deb 2>/dev/null | head -1)"; [ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no package made"; exit 1; }

# Control fields, and the packages the program depends on, one a row.
for pair in "Package partwise" "Version 1.0.0" "Architecture amd64"; do
  set -- $pair; [ "$(dpkg-deb -f "$deb" "$1")" = "$2" ] || fail "$1 is '$(dpkg-deb -f "$deb" "$1")', not '$2'"
done
dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g' >"$work/depends"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
for name in libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql libpq5 qt6-qpa-plugins libqt6webenginewidgets6 \
            libqt6webenginecore6-bin libqt6serialport6 libssl3 libsqlite3-0; do
  grep -qx "$name" "$work/depends" || fail "the package's depends lack $name"
done
for name in bin/partwise bin/partwise-dbcopy share/partwise/{Bin,KitPartsUsed,KitPullList,KitShortage}.rpt share/partwise/Sample.mdb \
            share/partwise/help/index.html share/partwise/web/start.html \
            share/applications/example.partwise_stockroom.Partwise.desktop \
            share/metainfo/example.partwise_stockroom.Partwise.metainfo.xml \
            share/icons/hicolor/{16x16,48x48,256x256}/apps/partwise.png share/man/man1/partwise{,-dbcopy}.1; do
  grep -qx "/usr/$name" "$work/files" || fail "the package's files lack /usr/$name"
done
# Nothing lies outside /usr.
outside="$(grep -v -e '^/$' -e '^/usr/' "$work/files")"; [ -z "$outside" ] || fail "files outside /usr: $outside"
grep -q 'Inventory.mdb' "$work/files" && fail "the package carries a working database"

# apt resolves every dependency from the Debian archive, as on a system with
# nothing installed yet (a simulation: nothing is installed here).
if command -v apt-get >/dev/null && ls /var/lib/apt/lists/*_Packages* >/dev/null 2>&1; then
  : >"$work/status"; apt-get -s -o Dir::State::status="$work/status" install "$deb" >"$work/apt.log" 2>&1
  grep -q '^Inst partwise ' "$work/apt.log" || { tail -20 "$work/apt.log"; fail "apt cannot install the package on a bare system"; }
else
  echo "NOTE: no apt package lists; the dependencies are not resolved"
fi

dpkg-deb -x "$deb" "$work/root"; root="$work/root/usr"
# The menu entry and the software-centre entry, where the validators are installed.
validate() { command -v "$1" >/dev/null || { echo "NOTE: $1 is not installed; $2 is not validated"; return; }
             "$@" >"$work/v.log" 2>&1 || { cat "$work/v.log"; fail "$1 $*"; }; }
validate desktop-file-validate "$root/share/applications/example.partwise_stockroom.Partwise.desktop"
validate appstreamcli validate --no-net "$root/share/metainfo/example.partwise_stockroom.Partwise.metainfo.xml"

# The installed program, without a display.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" XDG_DATA_HOME="$work/data" \
          XDG_CONFIG_HOME="$work/config" "$root/bin/partwise" "$@"; }
version="$(run --version 2>&1)"; [ "$version" = "partwise 1.0.0" ] || fail "partwise --version says '$version'"
# A first start makes the database in the data folder from the sample, and a
# template is found in share/partwise.
mkdir -p "$work/cwd"; (cd "$work/cwd" && run --report Bin.rpt --pdf bin.pdf >"$work/report.log" 2>&1) || { cat "$work/report.log"; fail "the installed report run failed"; }
[ -s "$work/cwd/bin.pdf" ] || fail "no PDF written by the installed program"
[ -s "$work/data/Partwise/Partwise/Inventory.mdb" ] || fail "no database made in the user's data folder"
[ -e "$root/bin/Inventory.mdb" ] && fail "a database was made beside the installed program"
[ $status -eq 0 ] && echo "PASS: $(basename "$deb")"; exit $status
