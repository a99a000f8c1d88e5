#!/usr/bin/env bash
# Installs what a fresh Debian 12 lacks, then configures and builds the Release build in build/.
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake g++ make
  qt6-base-dev qt6-charts-dev qt6-translations-l10n libgif-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth imagemagick hyperfine fonts-dejavu-core libgl1-mesa-dev
  libxlsxwriter-dev poppler-utils unzip
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "Installing missing packages: ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
  fi
  "${as_root[@]}" apt-get update
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

# EZR_BUILD_DIR chooses another build directory (default build/).
build="${EZR_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2
