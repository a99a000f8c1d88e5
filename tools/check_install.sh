#!/usr/bin/env bash
# Checks what an installation puts down and the Debian package made from it:
#   - cmake --install into a DESTDIR staging folder holds every file a desktop needs,
#   - the installed desktop entry passes desktop-file-validate,
#   - the AppStream metainfo passes appstreamcli validate, the manual pages man --warnings
#     (also under a C locale, where the Cyrillic names are transliterated),
#   - cpack -G DEB builds the package "ezr" with dependencies found by dpkg-shlibdeps,
#     its file list holds the same files, its programs are stripped and have no RUNPATH,
#   - lintian finds no error and no warning in the package.
# Usage: bash tools/check_install.sh [BUILD_DIR]   (default build/, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-${EZR_BUILD_DIR:-build}}"

expected=(
  usr/bin/ezr
  usr/bin/ezr-report
  usr/bin/ezr-import
  usr/bin/ezr-archive
  usr/share/applications/ezr.desktop
  usr/share/mime/packages/ezr.xml
  usr/share/icons/hicolor/scalable/apps/ezr.svg
  usr/share/icons/hicolor/48x48/apps/ezr.png
  usr/share/icons/hicolor/256x256/apps/ezr.png
  usr/share/metainfo/org.ezr_project.ezr.metainfo.xml
  usr/share/man/man1/ezr.1.gz
  usr/share/man/man1/ezr-report.1.gz
  usr/share/man/man1/ezr-import.1.gz
  usr/share/man/man1/ezr-archive.1.gz
  usr/share/ezr/ezr-import-template.csv
  usr/share/doc/ezr/README.md
  usr/share/doc/ezr/NEWS.gz
  usr/share/doc/ezr/changelog.Debian.gz
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
# A staged installation leaves the databases to the package manager.
if [ -e "$stage/usr/share/mime/mime.cache" ] || [ -e "$stage/usr/share/applications/mimeinfo.cache" ]; then
  echo "a DESTDIR installation must not write the MIME or desktop databases" >&2
  failed=1
fi
appstreamcli validate --no-net --pedantic "$stage/usr/share/metainfo/org.ezr_project.ezr.metainfo.xml"
for page in ezr ezr-report ezr-import ezr-archive; do
  for locale in C.UTF-8 C; do
    warnings=$(LC_ALL=$locale MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
      echo "man --warnings ($locale) on $page.1:" >&2
      echo "$warnings" >&2
      failed=1
    fi
  done
done
echo "== install into $stage: ${#expected[@]} files checked, metainfo and manual pages valid"

# An installation into a prefix registers the file type there at once.
if command -v update-mime-database >/dev/null; then
  prefix="$build/prefix"
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$PWD/$prefix" >/dev/null 2>&1
  if ! grep -q 'application/x-ezr-response' "$prefix/share/mime/globs2" 2>/dev/null; then
    echo "cmake --install --prefix did not update the MIME database of the prefix" >&2
    failed=1
  fi
  rm -rf "$prefix"
  echo "== install into a prefix: MIME database updated"
fi

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
for library in libqt6widgets6 libgif7 libreadstat1 libzip4 fonts-liberation2; do
  if [[ "$depends" != *"$library"* ]]; then
    echo "$deb does not depend on $library: $depends" >&2
    failed=1
  fi
done
[ "$(dpkg-deb -f "$deb" Package)" = ezr ] || { echo "package name is not ezr" >&2; failed=1; }
echo "== $deb: Depends: $depends"

unpacked="$build/unpacked"
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
for program in ezr ezr-report; do
  if readelf -d "$unpacked/usr/bin/$program" | grep -qE 'RUNPATH|RPATH'; then
    echo "/usr/bin/$program carries a RUNPATH" >&2
    failed=1
  fi
  if [ -n "$(readelf -S "$unpacked/usr/bin/$program" | grep -E '\.(symtab|debug_info)')" ]; then
    echo "/usr/bin/$program is not stripped" >&2
    failed=1
  fi
done
rm -rf "$unpacked"

# Informational tags (I:, shown with --info) do not fail the check.
if ! lintian --display-info --fail-on error,warning "$deb"; then
  echo "lintian reports errors or warnings on $deb" >&2
  failed=1
fi
echo "== $deb: lintian without errors and warnings"

if [ "$failed" -ne 0 ]; then
  exit 1
fi
echo "== Installation and package checked"
