#!/usr/bin/env bash
# Checks what `cmake --install` puts on a system and the Debian package built from it: the
# list of files, the desktop entry and AppStream metadata (validators), the manual pages
# (groff warnings), the installed programs, and the package's name, contents and dependencies.
#   scripts/check-package.sh BUILD_DIR     (a configured and built tree)
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
cd "$(dirname "$0")/.."

fail() { echo "check-package: $*" >&2; exit 1; }
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
app_id=$(cache SCRIVANE_APP_ID)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$app_id" ] && [ -n "$version" ] || fail "no SCRIVANE_APP_ID or version in $build/CMakeCache.txt"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expected() {
    echo usr/bin/scrivane
    echo usr/bin/scrivane-compare
    echo "usr/share/applications/$app_id.desktop"
    for size in 16 24 32 48 64 128 256; do
        echo "usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
    echo "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    echo usr/share/man/man1/scrivane-compare.1.gz
    echo usr/share/man/man1/scrivane.1.gz
    echo "usr/share/metainfo/$app_id.metainfo.xml"
}
expected | LC_ALL=C sort >"$work/expected"

echo "-- cmake --install into a staging tree"
DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
(cd "$work/root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed"
diff -u "$work/expected" "$work/installed" || fail "installed files differ from the list above"

echo "-- desktop entry and AppStream metadata"
desktop="$work/root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml"
appstreamcli validate-tree --no-net "$work/root"
grep -qx 'Exec=scrivane %f' "$desktop" || fail "Exec must pass one file, whole"
# Aliases and unknown types are not matched by file managers: each one must be a type of its own.
mime_db=/usr/share/mime/packages/freedesktop.org.xml
if [ -f "$mime_db" ]; then
    for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
        grep -q "<mime-type type=\"$type\"" "$mime_db" || fail "MimeType $type is not a known type"
    done
fi

echo "-- manual pages"
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
scrivane_page=$(MANWIDTH=200 man -l "$work/root/usr/share/man/man1/scrivane.1.gz" 2>/dev/null)

echo "-- installed programs answer without a display"
for form in "+LINE FILE" "FILE:LINE:COLUMN" "FILE -p POSITION"; do
    env -i PATH=/usr/bin:/bin "$work/root/usr/bin/scrivane" --help | grep -qF -- "$form" ||
        fail "scrivane --help does not list $form"
    lower=$(echo "$form" | tr 'A-Z' 'a-z')
    grep -qF -- "$lower" <<<"$scrivane_page" || fail "scrivane(1) does not list $lower"
done
[ "$(env -i "$work/root/usr/bin/scrivane" --version)" = "scrivane $version" ] ||
    fail "scrivane --version does not say $version"
[ "$(env -i "$work/root/usr/bin/scrivane-compare" --version)" = "scrivane-compare $version" ] ||
    fail "scrivane-compare --version does not say $version"

echo "-- Debian package"
arch=$(dpkg --print-architecture)
deb="$work/scrivane_${version}_${arch}.deb"
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
mv "$work/package/scrivane_${version}_${arch}.deb" "$deb" || fail "no scrivane_${version}_${arch}.deb"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | LC_ALL=C sort \
    >"$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package holds other files than the list"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqscintilla2-qt6 libqt6widgets6 libqt6printsupport6 libxxhash0 qt6-qpa-plugins \
    libstdc++6; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
dpkg-deb -x "$deb" "$work/unpacked"
for program in scrivane scrivane-compare; do
    file "$work/unpacked/usr/bin/$program" | grep -q ', stripped' || fail "$program is not stripped"
done
echo "package ok: $(basename "$deb"), Depends: $depends"
