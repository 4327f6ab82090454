#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds Ovex, then runs the
# demo (./run.sh demo) or the whole test suite (./run.sh test). Run as root.
set -euo pipefail
mode=${1:-demo}
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  tcl8.6 tcl8.6-dev tk8.6 tk8.6-dev
  zlib1g-dev libjpeg62-turbo-dev libproj-dev proj-bin
  libgl1-mesa-dev libglu1-mesa-dev freeglut3-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth
)
# Independent tools the tests use as witnesses of our file formats.
if [ "$mode" = test ]; then
  packages+=(imagemagick netpbm libjpeg-turbo-progs giflib-tools gdal-bin libtiff-tools dcmtk python3)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"

case "$mode" in
  demo) tclsh examples/demo.tcl build ;;
  test) ctest --test-dir build --output-on-failure -j"$jobs" ;;
  *) echo "usage: $0 demo|test" >&2; exit 2 ;;
esac
