#!/usr/bin/env bash
# Checks what an installation puts down and the Debian package made from it:
#   - cmake --install into a DESTDIR staging folder holds every file a desktop needs,
#   - the installed desktop entry passes desktop-file-validate,
#   - cpack -G DEB builds the package "ezr" with dependencies found by dpkg-shlibdeps,
#     and its file list holds the same files.
# Usage: bash tools/check_install.sh [BUILD_DIR]   (default build/, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-${EZR_BUILD_DIR:-build}}"

expected=(
  usr/bin/ezr
  usr/bin/ezr-report
  usr/bin/ezr-import
  usr/share/applications/ezr.desktop
  usr/share/mime/packages/ezr.xml
  usr/share/icons/hicolor/scalable/apps/ezr.svg
  usr/share/icons/hicolor/48x48/apps/ezr.png
  usr/share/icons/hicolor/256x256/apps/ezr.png
  usr/share/man/man1/ezr-report.1
  usr/share/man/man1/ezr-import.1
  usr/share/ezr/ezr-import-template.csv
  usr/share/doc/ezr/README.md
  usr/share/doc/ezr/LICENSE
  usr/share/doc/ezr/copyright
  usr/share/ezr/sample/101.cry
  usr/share/ezr/sample/112.cry
)
failed=0

stage="$build/stage"
rm -rf "$stage"
DESTDIR="$PWD/$stage" cmake --install "$build" --prefix /usr >/dev/null
for file in "${expected[@]}"; do
  if [ ! -f "$stage/$file" ]; then
    echo "missing after install: /$file" >&2
    failed=1
  fi
done
if [ -e "$stage/usr/bin/Data" ] || [ -e "$stage/usr/bin/Results" ]; then
  echo "an installation must not put Data or Results beside the programs" >&2
  failed=1
fi
samples=$(find "$stage/usr/share/ezr/sample" -name '*.cry' | wc -l)
if [ "$samples" -ne 12 ]; then
  echo "the installed sample holds $samples files, not 12" >&2
  failed=1
fi
desktop-file-validate "$stage/usr/share/applications/ezr.desktop"
grep -qx 'Exec=ezr %f' "$stage/usr/share/applications/ezr.desktop"
grep -qx 'MimeType=application/x-ezr-response;' "$stage/usr/share/applications/ezr.desktop"
grep -q 'pattern="\*.cry"' "$stage/usr/share/mime/packages/ezr.xml"
echo "== install into $stage: ${#expected[@]} files checked"

(cd "$build" && rm -f ezr_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/ezr_*.deb)
contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||')
for file in "${expected[@]}"; do
  if ! grep -qx "$file" <<<"$contents"; then
    echo "missing in $deb: /$file" >&2
    failed=1
  fi
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libgif7 libreadstat1; do
  if [[ "$depends" != *"$library"* ]]; then
    echo "$deb does not depend on $library: $depends" >&2
    failed=1
  fi
done
[ "$(dpkg-deb -f "$deb" Package)" = ezr ] || { echo "package name is not ezr" >&2; failed=1; }
echo "== $deb: Depends: $depends"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "== Installation and package checked"
