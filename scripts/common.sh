# Shared by run.sh and test.sh: installs what is missing and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${PARTWISE_BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-serialport-dev qt6-webengine-dev qt6-charts-dev
  libqt6sql6-sqlite sqlite3 libsqlite3-dev libssl-dev
  libqt6sql6-psql postgresql postgresql-contrib libpq-dev
  xvfb xauth poppler-utils fonts-dejavu-core
  mdbtools-dev
)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j"$(nproc)"
}
