#!/usr/bin/env bash
# Builds the two programs if needed and opens the window on the bundled sample (build/bin/Data).
# Without a display it says so at once, builds only the batch command and shows how to use it.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${EZR_BUILD_DIR:-build}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MESSAGE
Нет дисплея (DISPLAY и WAYLAND_DISPLAY не заданы): окно программы открыть нельзя.
No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open.
Собирается пакетная команда ezr-report / Building the batch command ezr-report instead.

MESSAGE
  bash tools/setup.sh --target ezr-report --target ezr_sample_data
  cat >&2 <<MESSAGE

Отчёт без окна / A report without a window:
  $build/bin/ezr-report $build/bin/Data/101.cry --encoding utf-8
  $build/bin/ezr-report --group $build/bin/Data --sex male --encoding utf-8
  $build/bin/ezr-report $build/bin/Data/101.cry --format pdf -o 101.pdf
MESSAGE
  exit 1
fi

# Building the window program also makes the sample and what an installation takes.
bash tools/setup.sh --target ezr --target ezr-report
exec "$build/bin/ezr" "$@"
