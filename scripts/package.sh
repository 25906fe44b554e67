#!/usr/bin/env bash
# package.sh [DIST_DIR [BUILD_DIR]]: builds the release packages from clean build trees
# (BUILD_DIR/linux and BUILD_DIR/windows, default build/package) into DIST_DIR (default dist/):
#   velmo_<version>_amd64.deb             Debian package, checked with lintian
#   velmo-<version>-linux-x86_64.tar.gz   bundles, velmo-render, manual page, install.sh
#   velmo-<version>-windows-x64.zip       bundles, factory presets, README-Windows.txt
#   SHA256SUMS
# The version is the one project() sets. Nothing in the packages carries Microsoft's
# WebView2Loader.dll: the Windows README says where users put it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "${1:-$root/dist}" "${2:-$root/build/package}"
dist=$(cd "${1:-$root/dist}" && pwd)
build=$(cd "${2:-$root/build/package}" && pwd)
cd "$root"
scripts/install-deps.sh
export LC_ALL=C
umask 022
# File times in the packages: the last commit's, so that a rebuild gives the same bytes.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

rm -rf "$build/linux" "$build/windows" "$build/stage"
mkdir -p "$build/stage"
# Only what ships (BUILD_TESTING=OFF leaves out the tests and benchmarks).
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVELMO_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build/linux"
cmake -S . -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVELMO_WERROR=ON -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVELMO_WEBVIEW2_LOADER= >/dev/null
cmake --build "$build/windows"
version=$(cat "$build/linux/velmo-version.txt")
rm -f "$dist"/velmo_*_amd64.deb "$dist"/velmo-*-linux-x86_64.tar.gz "$dist"/velmo-*-windows-x64.zip \
  "$dist/SHA256SUMS"

# --- Debian package: the install tree under /usr, stripped as dh_strip would, documents as
# Debian wants them (copyright, changelog.gz, gzipped manual page).
deb_work=$build/stage/deb
root_dir=$deb_work/debian/velmo   # dpkg-shlibdeps expects the package tree here
DESTDIR=$root_dir cmake --install "$build/linux" >/dev/null
doc=$root_dir/usr/share/doc/velmo
find "$root_dir" -type f -name '*.so' -exec chmod 0644 {} +
find "$root_dir" -type f -exec sh -c 'head -c4 "$1" | grep -q ELF' sh {} \; -print >"$deb_work/elf.txt"
while read -r elf; do
  strip --strip-unneeded --remove-section=.comment --remove-section=.note "$elf"
done <"$deb_work/elf.txt"
gzip -9n "$root_dir"/usr/share/man/man1/*.1
install -m 0644 packaging/debian/copyright "$doc/copyright"
{
  echo "velmo ($version) stable; urgency=medium"
  echo
  echo "  * Release $version; the changes are listed in /usr/share/doc/velmo/CHANGELOG.md."
  echo
  echo " -- Brindle.DIGITAL <support@brindle.digital>  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.gz"

mkdir -p "$deb_work/debian" "$root_dir/DEBIAN"
printf 'Source: velmo\n\nPackage: velmo\nArchitecture: amd64\n' >"$deb_work/debian/control"
depends=$(cd "$deb_work" && xargs dpkg-shlibdeps -O <elf.txt | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package.sh: dpkg-shlibdeps found no dependencies" >&2; exit 1; }
installed_size=$(du -sk --exclude=DEBIAN "$root_dir" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$installed_size/" -e "s/@DEPENDS@/$depends/" \
  packaging/debian/control.in >"$root_dir/DEBIAN/control"
(cd "$root_dir" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
deb=$dist/velmo_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$root_dir" "$deb" >/dev/null

# lintian runs as root in CI; it only warns about that. Any error fails the build.
lintian --fail-on error --display-info "$deb" | tee "$build/stage/lintian.txt"

# --- Linux archive: the stripped files of the Debian tree in a flat layout.
name=velmo-$version-linux-x86_64
tree=$build/stage/$name
mkdir -p "$tree/lv2" "$tree/vst3" "$tree/bin" "$tree/man"
cp -R "$root_dir"/usr/lib/lv2/* "$tree/lv2/"
cp -R "$root_dir"/usr/lib/vst3/* "$tree/vst3/"
if [ -d "$root_dir/usr/share/vst3/presets" ]; then
  cp -R "$root_dir/usr/share/vst3/presets" "$tree/presets"
fi
cp "$root_dir/usr/bin/velmo-render" "$tree/bin/"
cp "$build/linux/velmo-render.1" "$tree/man/"
cp README.md CHANGELOG.md "$tree/"
install -m 0755 packaging/linux/install.sh "$tree/install.sh"
tar -C "$build/stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" \
  -cf - "$name" | gzip -9n >"$dist/$name.tar.gz"

# --- Windows archive: each component installed into the folder it is copied to, and a README
# naming those folders and where Microsoft's loader goes.
name=velmo-$version-windows-x64
tree=$build/stage/$name
cmake --install "$build/windows" --component vst3 --prefix "$tree/VST3" >/dev/null
cmake --install "$build/windows" --component lv2 --prefix "$tree/LV2" >/dev/null
cmake --install "$build/windows" --component presets --prefix "$tree/VST3 Presets" >/dev/null
rmdir "$tree/VST3 Presets" 2>/dev/null || true  # a build without presets
# The binaries carry the static C++ runtime's debugging sections; users need none of it.
find "$tree/VST3" -path '*/Contents/x86_64-win/*.vst3' -type f -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
find "$tree/LV2" -name '*.dll' -type f -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
contents=$(cd "$tree" && {
  for b in VST3/*.vst3; do echo "  $b   VST3 plug-in"; done
  for b in LV2/*.lv2; do echo "  $b   LV2 plug-in"; done
  for p in "VST3 Presets"/*/*; do [ -d "$p" ] && echo "  $p   factory presets of ${p##*/} (VST3)"; done
  echo "  README-Windows.txt, CHANGELOG.md"
} | tr / '\\')
places=$(cd "$tree" && {
  for b in VST3/*.vst3; do n=${b#VST3/}; echo "       $n\\Contents\\x86_64-win\\WebView2Loader.dll   (beside ${n})"; done
  for b in LV2/*.lv2; do n=${b#LV2/}; echo "       $n\\WebView2Loader.dll   (beside $(cd "$b" && echo *.dll))"; done
})
version=$version contents=$contents places=$places awk '
  { gsub(/@VERSION@/, ENVIRON["version"]) }
  /^@CONTENTS@$/ { print ENVIRON["contents"]; next }
  /^@LOADER_PLACES@$/ { print ENVIRON["places"]; next }
  { print }' packaging/windows/README-Windows.txt | sed 's/$/\r/' >"$tree/README-Windows.txt"
sed 's/$/\r/' CHANGELOG.md >"$tree/CHANGELOG.md"
find "$tree" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd "$build/stage" && find "$name" -print | sort | zip -X -9 -q "$dist/$name.zip" -@)

(cd "$dist" && sha256sum "velmo_${version}_amd64.deb" "velmo-$version-linux-x86_64.tar.gz" \
  "$name.zip" >SHA256SUMS)
echo
ls -l "$dist"
