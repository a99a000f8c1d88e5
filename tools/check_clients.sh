#!/usr/bin/env bash
# The table files as users open them, in the programs they open them with. Under ru_RU.UTF-8
# and en_US.UTF-8, ezr-report writes the group outputs (CSV, workbook, SPSS, Stata) of the
# bundled sample and of a generated group whose members mark both statements of some items
# and leave others unanswered, compared with its own norm saved from it; then
#   - LibreOffice (headless) converts every sheet of each workbook to CSV: every cell of the
#     examinee sheet equals the program's CSV,
#   - openpyxl loads each workbook: every cell equals the program's CSV, and the group sheet
#     equals LibreOffice's reading of it,
#   - PSPP opens each .sav without any warning, and its DESCRIPTIVES (N, mean, SD, minimum,
#     maximum) equal those of the CSV,
#   - R's haven reads each .sav and .dta: every value equals the CSV.
# Numbers are equal to the six significant digits every table file carries.
# Packages and locales: bash tools/setup.sh --clients. LibreOffice's profile is kept in
# $EZR_CI_CACHE (default /var/cache/ezr-ci) so that a later run skips its first start.
#   bash tools/check_clients.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

build="${1:-${EZR_BUILD_DIR:-build}}"
EZR_BUILD_DIR="$build" bash tools/setup.sh --clients --target ezr-report --target ezr-make-sample

cache="${EZR_CI_CACHE:-/var/cache/ezr-ci}"
if ! mkdir -p "$cache" 2>/dev/null || [ ! -w "$cache" ]; then
  cache="${XDG_CACHE_HOME:-$HOME/.cache}/ezr-ci"
  mkdir -p "$cache"
fi
profile="$cache/libreoffice-profile"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

python=/usr/bin/python3 # Debian's, with python3-openpyxl
report="$build/bin/ezr-report"
compare="tools/clients/compare_tables.py"

"$build/bin/ezr-make-sample" --generate 40 "$work/irregular-data" --seed 26 --doubled 9 \
  --unanswered 6 >/dev/null
declare -A samples=([bundled]="$build/bin/Data" [irregular]="$work/irregular-data")
# The irregular group is compared with its own saved norm, whose long name the SPSS and Stata
# file labels must cut between characters, keeping the date.
own_norm="$work/own-norm.json"
"$report" --group "$work/irregular-data" --satisfaction --save-norm "$own_norm" \
  --norm-name "Отдел продаж Северо-Западного филиала, смена Б, 2025" >/dev/null
declare -A norms=([bundled]="--satisfaction" [irregular]="--norm-file=$own_norm")

for locale in ru_RU.UTF-8 en_US.UTF-8; do
  echo "-- $locale"
  out="$work/$locale"
  mkdir -p "$out"
  for sample in "${!samples[@]}"; do
    for format in csv xlsx sav dta; do
      LC_ALL="$locale" "$report" --group "${samples[$sample]}" "${norms[$sample]}" \
        --format "$format" -o "$out/$sample.$format"
    done
  done

  # Every workbook of the locale in one start of LibreOffice; ";" between fields, UTF-8,
  # numbers as stored (not as shown), every sheet into a file of its own.
  LC_ALL="$locale" soffice -env:UserInstallation="file://$profile" --headless \
    --convert-to 'csv:Text - txt - csv (StarCalc):59,34,76,1,,1033,false,true,false,false,false,-1' \
    --outdir "$out/libreoffice" "$out"/*.xlsx >"$out/libreoffice.log" 2>&1 ||
    { cat "$out/libreoffice.log"; exit 1; }

  for sample in "${!samples[@]}"; do
    LC_ALL="$locale" "$python" "$compare" workbook "$out/$sample.csv" "$out/$sample.xlsx" \
      "$out/libreoffice"

    cat >"$out/$sample.sps" <<SYNTAX
GET FILE='$out/$sample.sav'.
DESCRIPTIVES VARIABLES=p1_transform TO time_sd fast_answers TO fast_quarter_share
  /STATISTICS=MEAN STDDEV MIN MAX.
SYNTAX
    LC_ALL="$locale" pspp -O format=csv -o "$out/$sample.pspp.csv" "$out/$sample.sps" \
      >"$out/$sample.pspp.log" 2>&1 || { cat "$out/$sample.pspp.log"; exit 1; }
    # PSPP speaks the locale's language: its warnings and errors in both.
    if grep -Eiq 'warning|error|предупреждение|ошибка' "$out/$sample.pspp.log" \
        "$out/$sample.pspp.csv"; then
      cat "$out/$sample.pspp.log"
      echo "PSPP: $sample.sav opens with a warning under $locale" >&2
      exit 1
    fi
    echo "$sample.sav: PSPP opens it without a warning"
    LC_ALL="$locale" "$python" "$compare" descriptives "$out/$sample.csv" "$out/$sample.pspp.csv"

    LC_ALL="$locale" Rscript tools/clients/compare_haven.R "$out/$sample.csv" \
      "$out/$sample.sav" "$out/$sample.dta"
  done
done

seconds=$((SECONDS - started))
echo "Real clients: $((seconds / 60)) min $((seconds % 60)) s"
