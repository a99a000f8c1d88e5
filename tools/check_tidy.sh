#!/usr/bin/env bash
# clang-tidy over every source of the project with the checks of .clang-tidy (bugprone-*,
# performance-*, modernize-use-override); any finding fails. A finding that is intended carries
# a NOLINT with its reason at the line.
# Usage: check_tidy.sh BUILD_DIR   (a build configured with CMAKE_EXPORT_COMPILE_COMMANDS=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: check_tidy.sh BUILD_DIR}"
[ -f "$build/compile_commands.json" ] || {
  echo "$build/compile_commands.json is missing: configure with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON" >&2
  exit 2
}
# The generated moc and resource sources live in the build tree and are not ours to tidy.
sources="^$PWD/(model|config|storage|outputs|window|cli|tools|tests|bench)/.*\\.cpp\$"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -quiet -j "$(nproc)" "$sources" >"$log" 2>&1; then
  grep -E 'warning:|error:' "$log" | sort -u >&2 || cat "$log" >&2
  echo "clang-tidy: $(grep -cE '(warning|error):' "$log") finding(s)" >&2
  exit 1
fi
echo "clang-tidy: no findings in $(grep -c '"file"' "$build/compile_commands.json") compiled sources"
