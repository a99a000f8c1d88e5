#!/usr/bin/env bash
# Builds the program and runs the test suite offscreen.
# With --full, or when CI=true, also:
#   - the whole suite built with clang, warnings as errors (build-clang/), and clang-tidy over
#     every source (check_tidy.sh),
#   - the real clients (check_clients.sh): the table files written under ru_RU.UTF-8 and
#     en_US.UTF-8 opened in LibreOffice, openpyxl, PSPP and R's haven and compared with the CSV,
#   - an installation into a staging folder and the Debian package checked (check_install.sh),
#   - a build with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/) and its tests,
#   - the three fuzz targets built with clang (build-fuzz/), run for 45 seconds each: the
#     response-file reader on the stored bytes, the whole road to the text report on the
#     plain text, and header fields and comments of any bytes through every saved format,
#   - the pristine check (pristine_check.sh): in minimal Debian 12 roots made with debootstrap,
#     the README's test command run as a user with sudo, and the package installed with apt.
# Each stage's time is printed as it ends and once more at the end.
# Any failing test, sanitizer report or fuzzer crash ends the script with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."

full=false
for arg in "$@"; do
  case "$arg" in
    --full) full=true ;;
    *) echo "usage: bash tools/test.sh [--full]" >&2; exit 2 ;;
  esac
done
if [ "${CI:-}" = "true" ]; then
  full=true
fi

export QT_QPA_PLATFORM=offscreen
# With ccache installed, a rebuild of unchanged sources comes from the compiler cache; the base
# folder lets another clone of the repository (a CI checkout) use the same entries.
if command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
fi
# EZR_BUILD_DIR chooses another build directory (default build/; also <dir>-asan, <dir>-fuzz).
build="${EZR_BUILD_DIR:-build}"
asan="$build-asan"
fuzz="$build-fuzz"
clang="$build-clang"

stage_times=()
stage_started=$SECONDS
stage_end() { # name
  local seconds=$((SECONDS - stage_started))
  stage_times+=("$(printf '%-48s %4d min %02d s' "$1" $((seconds / 60)) $((seconds % 60)))")
  echo "-- $1: $((seconds / 60)) min $((seconds % 60)) s"
  stage_started=$SECONDS
}

bash tools/setup.sh --test
stage_end "Setup and build ($build/)"
echo "== Tests ($build/)"
ctest --test-dir "$build" --output-on-failure
stage_end "Tests ($build/)"

if [ "$full" != true ]; then
  exit 0
fi

echo "== Build and tests with clang ($clang/)"
cmake -S . -B "$clang" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ -DEZR_WERROR=ON \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DEZR_HARDENING=OFF -DEZR_BUILD_BENCH=OFF
cmake --build "$clang" -j2
ctest --test-dir "$clang" --output-on-failure
stage_end "Clang build and tests ($clang/)"

echo "== clang-tidy"
bash tools/check_tidy.sh "$clang"
stage_end "clang-tidy"

echo "== Real clients: LibreOffice, openpyxl, PSPP, R haven"
bash tools/check_clients.sh "$build"
stage_end "Real clients (LibreOffice, openpyxl, PSPP, R)"

echo "== Installation and Debian package"
bash tools/check_install.sh "$build"
stage_end "Installation and Debian package"

echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer ($asan/)"
cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEZR_SANITIZE=ON \
  -DEZR_BUILD_BENCH=OFF -DEZR_BUILD_FUZZ=OFF
cmake --build "$asan" -j2
ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir "$asan" --output-on-failure -E '^realx_'
# (The window tests under a real X server drive the program by key timing through Xvfb, the
# window manager and the accessibility bus; they run in the plain and clang stages.)
stage_end "Sanitizer build and tests ($asan/)"

echo "== Fuzzing for 45 s per target ($fuzz/)"
cmake -S . -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DEZR_BUILD_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DEZR_BUILD_TESTS=OFF -DEZR_BUILD_BENCH=OFF
cmake --build "$fuzz" -j2 --target fuzz_response_file fuzz_report_text fuzz_outputs
# Seeds: the bundled sample and a few generated files, all made by the Release build, stored
# (scrambled) for the reader and plain for the report road. Each target keeps its own corpus
# of what earlier runs found, and its own folder of crashing inputs.
seeds="$fuzz/seeds"
rm -rf "$seeds"
"$build/bin/ezr-make-sample" --generate 16 "$seeds/stored" --seed 7
cp "$build"/bin/Data/*.cry "$seeds/stored"/
"$build/bin/ezr-make-sample" --sample "$seeds/plain" --plain
"$build/bin/ezr-make-sample" --generate 16 "$seeds/plain" --seed 7 --plain

run_fuzzer() { # target seed-dir [libFuzzer options]
  local target="$1" seedDir="$2"
  shift 2
  local corpus="$fuzz/corpus/$target" artifacts="$fuzz/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "$seedDir"/* "$corpus"/
  echo "-- $target"
  # The printed report's fonts come through fontconfig, whose caches live as long as the
  # process: the same suppressions as the sanitizer run.
  LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0" \
  "$fuzz/bin/$target" -max_total_time=45 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$@" "$corpus"
}
run_fuzzer fuzz_response_file "$seeds/stored"
run_fuzzer fuzz_report_text "$seeds/plain" -dict=fuzz/report_text.dict
# Header fields of any length (a name of many kilobytes) reach every format.
run_fuzzer fuzz_outputs fuzz/outputs_seeds -max_len=262144
stage_end "Fuzzing ($fuzz/)"

echo "== Pristine Debian 12 roots"
bash tools/pristine_check.sh --source --deb "$(ls "$build"/ezr_*.deb)"
stage_end "Pristine roots (README test command, apt install)"

echo "== Stage times"
printf '%s\n' "${stage_times[@]}"
total=$((SECONDS))
echo "Total: $((total / 60)) min $((total % 60)) s"
echo "== All checks passed"
