#!/usr/bin/env bash
# Installs what a fresh Debian 12 lacks, then configures and builds the Release build in build/.
# Without options: what building and running the program need.
# With --test: also the tools the tests and checks use (benchmarks, fuzzing, sanitizers,
# screenshots, the desktop-entry check, the Debian package tools, and for the window tests
# under a real X server: xdotool's key events, the openbox window manager, the AT-SPI bus).
# With --test or --clients: the locales ru_RU.UTF-8 and en_US.UTF-8 (the workbook test writes
# under a decimal-comma locale). With --clients: the programs users open the table files with
# (LibreOffice, PSPP, R's haven, openpyxl), for tools/check_clients.sh.
# With --target NAME (repeatable): builds only those targets.
# Safe to run again: installed packages are skipped and the build is incremental.
set -euo pipefail
cd "$(dirname "$0")/.."

with_test_tools=false
with_clients=false
targets=()
while (($# > 0)); do
  case "$1" in
    --test) with_test_tools=true ;;
    --clients) with_clients=true ;;
    --target) (($# > 1)) || { echo "--target needs a name" >&2; exit 2; }
      targets+=(--target "$2"); shift ;;
    *) echo "usage: bash tools/setup.sh [--test] [--clients] [--target NAME]..." >&2; exit 2 ;;
  esac
  shift
done

# zlib1g-dev: libxlsxwriter's pkg-config file asks for -lz, but libxlsxwriter-dev does not
# depend on it. fonts-liberation2: the window is laid out for Arial's metrics (Liberation Sans).
# libpq-dev: the department's archive on PostgreSQL (ezr-archive, --db); the tests start a
# PostgreSQL 15 cluster of their own (postgresql-15, with the --test tools).
# libboost-math-dev: the t and chi-square distributions of the group statistics (header-only).
packages=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-translations-l10n libgif-dev libgl1-mesa-dev
  libxlsxwriter-dev zlib1g-dev libreadstat-dev libzip-dev fonts-dejavu-core fonts-liberation2
  libpq-dev libboost-math-dev
)
if [ "$with_test_tools" = true ]; then
  packages+=(
    libbenchmark-dev time
    clang clang-tidy libclang-rt-14-dev
    xvfb xauth imagemagick hyperfine
    xdotool openbox python3-pyatspi at-spi2-core dbus
    desktop-file-utils poppler-utils unzip
    dpkg-dev fakeroot file lintian appstream man-db
    debootstrap
    postgresql-15 postgresql-client-15
  )
fi
# The clients are large (LibreOffice alone is some hundred megabytes): only on request, never
# in the pristine root's plain test run.
client_locales=(ru_RU.UTF-8 en_US.UTF-8)
with_locales=false
if [ "$with_test_tools" = true ] || [ "$with_clients" = true ]; then
  packages+=(locales)
  with_locales=true
fi
if [ "$with_clients" = true ]; then
  packages+=(libreoffice-calc-nogui python3-openpyxl pspp r-cran-haven)
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

# The locales the tests and the clients are run under, generated when missing.
if [ "$with_locales" = true ]; then
  for locale in "${client_locales[@]}"; do
    # locale -a lists ru_RU.UTF-8 as ru_RU.utf8.
    if ! locale -a 2>/dev/null | grep -qix "${locale%%.*}.utf8"; then
      as_root=()
      [ "$(id -u)" -eq 0 ] || as_root=(sudo)
      echo "Generating the locale $locale"
      # Without it the workbook test under a decimal comma is skipped and the clients' check
      # fails: a warning here, not the end of the setup.
      { "${as_root[@]}" sed -i "s/^# *\($locale UTF-8\)/\1/" /etc/locale.gen &&
        { grep -qx "$locale UTF-8" /etc/locale.gen ||
          echo "$locale UTF-8" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null; } &&
        "${as_root[@]}" locale-gen >/dev/null; } ||
        echo "Could not generate the locale $locale" >&2
    fi
  done
fi

# EZR_BUILD_DIR chooses another build directory (default build/).
build="${EZR_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j2 "${targets[@]}"
