#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds Ovex, then runs the
# demo (./run.sh demo) or the whole test suite (./run.sh test); ./run.sh
# sanitize runs the suite under ASan and UBSan (folder build-sanitize),
# ./run.sh fuzz replays the fuzz corpora (folder build-fuzz) and ./run.sh
# bench runs every benchmark row beside its peer. Run as root.
set -euo pipefail
mode=${1:-demo}
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config
  tcl8.6 tcl8.6-dev tk8.6 tk8.6-dev
  zlib1g-dev libjpeg62-turbo-dev libproj-dev proj-bin proj-data
  libgl-dev libgl1-mesa-dev libgl1-mesa-dri libglu1-mesa-dev freeglut3-dev
  libcairo2-dev libcups2-dev
  libxft-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth
  libxext-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev libsane-dev
)
# Independent tools the tests use as witnesses of our file formats.
if [ "$mode" = test ] || [ "$mode" = sanitize ]; then
  packages+=(imagemagick netpbm libjpeg-turbo-progs giflib-tools gdal-bin libtiff-tools dcmtk python3 poppler-utils emf2svg)
  packages+=(ghostscript)
  packages+=(python3-gdal)
  packages+=(libsane1 sane-utils ffmpeg)
fi
# The peers of the benchmark rows (bench/run_all.sh).
if [ "$mode" = bench ]; then
  packages+=(proj-bin libjpeg-turbo-progs imagemagick libvips-tools gdal-bin python3 python3-numpy python3-scipy poppler-utils tk ghostscript)
fi
# The fuzz targets need clang and its libFuzzer runtime.
if [ "$mode" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
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
case "$mode" in
  # The whole suite once more under AddressSanitizer and UBSan.
  sanitize)
    cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVEX_SANITIZE=ON -DOVEX_BUILD_BENCH=OFF
    cmake --build build-sanitize -j"$jobs"
    exec ctest --test-dir build-sanitize --output-on-failure -j"$jobs" ;;
  # Every fuzz corpus replayed through its target.
  fuzz) exec .ci/replay-fuzz ;;
esac

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"

case "$mode" in
  demo) tclsh examples/demo.tcl build ;;
  test) ctest --test-dir build --output-on-failure -j"$jobs" ;;
  bench) bench/run_all.sh build ;;
  *) echo "usage: $0 demo|test|sanitize|fuzz|bench" >&2; exit 2 ;;
esac
