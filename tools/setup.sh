#!/usr/bin/env bash
# Installs what a fresh Debian 12 lacks, then configures and builds the Release build in build/.
# Without options: what building and running the program need.
# With --test: also the tools the tests and checks use (benchmarks, fuzzing, sanitizers,
# screenshots, the desktop-entry check, the Debian package tools).
# With --target NAME (repeatable): builds only those targets.
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

with_test_tools=false
targets=()
while (($# > 0)); do
  case "$1" in
    --test) with_test_tools=true ;;
    --target) (($# > 1)) || { echo "--target needs a name" >&2; exit 2; }
      targets+=(--target "$2"); shift ;;
    *) echo "usage: bash tools/setup.sh [--test] [--target NAME]..." >&2; exit 2 ;;
  esac
  shift
done

# zlib1g-dev: libxlsxwriter's pkg-config file asks for -lz, but libxlsxwriter-dev does not
# depend on it. fonts-liberation2: the window is laid out for Arial's metrics (Liberation Sans).
# libboost-math-dev: the t and chi-square distributions of the group statistics (header-only).
packages=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-translations-l10n libgif-dev libgl1-mesa-dev
  libxlsxwriter-dev zlib1g-dev libreadstat-dev fonts-dejavu-core fonts-liberation2
  libboost-math-dev
)
if [ "$with_test_tools" = true ]; then
  packages+=(
    libbenchmark-dev time
    clang libclang-rt-14-dev
    xvfb xauth imagemagick hyperfine
    desktop-file-utils poppler-utils unzip
    dpkg-dev fakeroot file lintian appstream man-db
    debootstrap
  )
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  as_root=()
  as_root_advice() { # reason
    cat >&2 <<MESSAGE
Missing packages: ${missing[*]}
$1
Run as root (for example after "su -"), then run this script again:
  apt-get update && apt-get install -y ${missing[*]}
MESSAGE
    exit 1
  }
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null ||
      as_root_advice "This account is not root and sudo is not installed, so they cannot be installed from here."
    as_root=(sudo)
  fi
  echo "Installing missing packages: ${missing[*]}"
  { "${as_root[@]}" apt-get update &&
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"; } ||
    as_root_advice "Installing them failed (see above)."
fi

# EZR_BUILD_DIR chooses another build directory (default build/).
build="${EZR_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2 "${targets[@]}"
