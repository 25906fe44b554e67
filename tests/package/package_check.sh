#!/usr/bin/env bash
# package_check.sh SOURCE_DIR VERSION: runs scripts/package.sh into a temporary folder and
# checks what a user gets: the three archives named with VERSION and their checksums; the
# Debian package clean under lintian (no error, no warning), its fields, its files against the
# bundles and presets the build made, and the plug-in found there by lilv; the Linux archive's
# install.sh into a temporary HOME and back out; the Windows zip's bundles, presets and README,
# without any WebView2Loader.dll. The folder is removed when every check passes.
set -euo pipefail
source_dir=$1 version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/velmo-package.XXXXXX")
fail() { echo "FAIL: $*" >&2; echo "(work folder kept: $work)" >&2; exit 1; }

"$source_dir/scripts/package.sh" "$work/dist" "$work/build" >"$work/package.log" 2>&1 \
    || { tail -n 40 "$work/package.log"; fail "package.sh failed"; }
dist=$work/dist linux=$work/build/linux windows=$work/build/windows
deb=velmo_${version}_amd64.deb
tarball=velmo-$version-linux-x86_64.tar.gz
zip=velmo-$version-windows-x64.zip

# Names and checksums.
[ "$(ls "$dist" | sort)" = "$(printf '%s\n' SHA256SUMS "$deb" "$tarball" "$zip" | sort)" ] \
    || fail "dist holds: $(ls "$dist")"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
[ "$(wc -l <"$dist/SHA256SUMS")" = 3 ] || fail "SHA256SUMS does not list three files"

# list_tree DIR: every file and folder under DIR, relative, sorted.
list_tree() { (cd "$1" && find . -mindepth 1 | sort); }
# same_tree BUILT INSTALLED: INSTALLED holds exactly the files and folders of BUILT.
same_tree() { [ "$(list_tree "$1")" = "$(list_tree "$2")" ] || fail "$2 differs from $1"; }
lv2_bundles=$(cd "$linux" && ls -d ./*.lv2 | sed 's|^\./||')
vst3_bundles=$(cd "$linux" && ls -d ./*.vst3 | sed 's|^\./||')
presets=$linux/presets/vst3

# --- Debian package
lintian --display-info "$dist/$deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
grep -q '^[EW]: ' "$work/lintian.txt" && fail "lintian reports errors or warnings"
[ "$(dpkg-deb -f "$dist/$deb" Package)" = velmo ] || fail "package name"
[ "$(dpkg-deb -f "$dist/$deb" Version)" = "$version" ] || fail "package version"
depends=$(dpkg-deb -f "$dist/$deb" Depends)
for library in libc6 libstdc++6 libsndfile1; do
    [[ $depends == *"$library ("* ]] || fail "Depends lacks $library: $depends"
done
root=$work/deb
dpkg-deb -x "$dist/$deb" "$root"
[ "$(ls "$root")" = usr ] || fail "the package installs outside /usr: $(ls "$root")"
for bundle in $lv2_bundles; do same_tree "$linux/$bundle" "$root/usr/lib/lv2/$bundle"; done
for bundle in $vst3_bundles; do same_tree "$linux/$bundle" "$root/usr/lib/vst3/$bundle"; done
[ ! -d "$presets" ] || same_tree "$presets" "$root/usr/share/vst3/presets"
[ -d "$presets" ] || [ ! -e "$root/usr/share/vst3" ] || fail "presets installed from nowhere"
while read -r file; do
    readelf -S "$file" | grep -q '\.symtab' && fail "$file is not stripped"
done < <(find "$root/usr" -type f \( -name '*.so' -o -path '*/bin/*' \))
doc=$root/usr/share/doc/velmo
head -n1 "$doc/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' \
    || fail "copyright is not machine-readable"
zcat "$doc/changelog.gz" | head -n1 | grep -q "^velmo ($version) " || fail "changelog.gz names another version"
grep -q "^## \[$version\]" "$doc/CHANGELOG.md" || fail "CHANGELOG.md has no entry for $version"
zcat "$root/usr/share/man/man1/velmo-render.1.gz" | grep -q "^\.TH VELMO-RENDER 1 .*\"Velmo $version\"" \
    || fail "manual page header"
"$root/usr/bin/velmo-render" --help | grep -q '^usage: velmo-render' || fail "velmo-render does not run"
LV2_PATH=$root/usr/lib/lv2 lv2ls | grep -qx 'https://brindle.digital/plugins/velmo' \
    || fail "lilv does not find the plug-in in the package"
minor=$(echo "$version" | cut -d. -f2) micro=$(echo "$version" | cut -d. -f3)
grep -q "lv2:minorVersion $minor ;" "$root/usr/lib/lv2/velmo.lv2/velmo.ttl" \
    && grep -q "lv2:microVersion $micro ;" "$root/usr/lib/lv2/velmo.lv2/velmo.ttl" \
    || fail "LV2 version is not $version"
grep -q "^  \"Version\": \"$version\"," "$root/usr/lib/vst3/Velmo.vst3/Contents/Resources/moduleinfo.json" \
    || fail "moduleinfo.json version is not $version"

# --- Linux archive: the same files as the package, and install.sh in and out of a HOME.
mkdir "$work/tar" "$work/home"
tar -C "$work/tar" -xzf "$dist/$tarball"
top=$work/tar/velmo-$version-linux-x86_64
[ "$(ls "$work/tar")" = "velmo-$version-linux-x86_64" ] || fail "tarball top folder"
for file in install.sh README.md CHANGELOG.md bin/velmo-render man/velmo-render.1; do
    [ -f "$top/$file" ] || fail "tarball lacks $file"
done
HOME=$work/home "$top/install.sh" >"$work/install.txt" || fail "install.sh failed"
for bundle in $lv2_bundles; do same_tree "$linux/$bundle" "$work/home/.lv2/$bundle"; done
for bundle in $vst3_bundles; do same_tree "$linux/$bundle" "$work/home/.vst3/$bundle"; done
[ ! -d "$presets" ] || same_tree "$presets" "$work/home/.vst3/presets"
cmp "$top/bin/velmo-render" "$work/home/.local/bin/velmo-render" || fail "velmo-render not installed"
cmp "$top/man/velmo-render.1" "$work/home/.local/share/man/man1/velmo-render.1" || fail "manual page not installed"
LV2_PATH=$work/home/.lv2 lv2ls | grep -qx 'https://brindle.digital/plugins/velmo' \
    || fail "lilv does not find the plug-in installed by install.sh"
HOME=$work/home "$top/install.sh" --bogus >/dev/null 2>&1 && fail "install.sh accepted an unknown option"
HOME=$work/home "$top/install.sh" --uninstall >/dev/null || fail "install.sh --uninstall failed"
left=$(find "$work/home" -type f)
[ -z "$left" ] || fail "install.sh --uninstall left: $left"

# --- Windows archive
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$dist/$zip")
top=$work/zip/velmo-$version-windows-x64
[ "$(ls "$work/zip")" = "velmo-$version-windows-x64" ] || fail "zip top folder"
[ -z "$(find "$top" -iname webview2loader.dll)" ] || fail "the zip holds a WebView2Loader.dll"
readme=$(tr -d '\r' <"$top/README-Windows.txt")
for bundle in $(cd "$windows" && ls -d ./*.vst3 | sed 's|^\./||'); do
    [ "$(list_tree "$windows/$bundle")" = "$(list_tree "$top/VST3/$bundle")" ] || fail "VST3/$bundle differs"
    [[ $readme == *"$bundle\\Contents\\x86_64-win\\WebView2Loader.dll"* ]] || fail "README: no loader place in $bundle"
done
for bundle in $(cd "$windows" && ls -d ./*.lv2 | sed 's|^\./||'); do
    [ "$(list_tree "$windows/$bundle")" = "$(list_tree "$top/LV2/$bundle")" ] || fail "LV2/$bundle differs"
    [[ $readme == *"$bundle\\WebView2Loader.dll"* ]] || fail "README: no loader place in $bundle"
done
[ ! -d "$windows/presets/vst3" ] || same_tree "$windows/presets/vst3" "$top/VST3 Presets"
[[ $readme == *"Microsoft.Web.WebView2"* && $readme == *"Velmo $version"* ]] || fail "README-Windows.txt"

rm -rf "$work"
echo "PASS: packages of $version"
