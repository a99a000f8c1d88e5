#!/usr/bin/env bash
# Builds the program if needed and opens its window on the bundled sample (build/bin/Data).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
build="${EZR_BUILD_DIR:-build}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MESSAGE

Нет дисплея (DISPLAY и WAYLAND_DISPLAY не заданы): окно программы открыть нельзя.
No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set): the window cannot open.

Отчёт без окна даёт пакетная команда / The batch command reports without a window:
  LANG=ru_RU.UTF-8 $build/bin/ezr-report $build/bin/Data/101.cry --encoding utf-8
  LANG=ru_RU.UTF-8 $build/bin/ezr-report --group $build/bin/Data --sex male --encoding utf-8
MESSAGE
  exit 1
fi

# The response files carry decimal commas and dd.MM.yyyy dates, as written under Russian
# regional settings; Qt takes the settings from these variables even where the system has no
# Russian locale generated.
exec env LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$build/bin/ezr" "$@"
