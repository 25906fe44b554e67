#!/bin/sh
# Copies Velmo from this folder into the folders where plug-in hosts look.
#   ./install.sh                  for you: ~/.lv2, ~/.vst3, ~/.vst3/presets, ~/.local/bin and
#                                 ~/.local/share/man
#   sudo ./install.sh --system    for everyone: /usr/local/lib/lv2, /usr/local/lib/vst3,
#                                 /usr/local/share/vst3/presets, /usr/local/bin, /usr/local/share/man
#   ./install.sh --uninstall      removes (with --system: from the system folders) what this
#                                 folder installs; other plug-ins and presets stay.
# velmo-render needs libsndfile (Debian and Ubuntu: apt install libsndfile1).
set -eu
here=$(cd "$(dirname "$0")" && pwd)

usage() { sed -n '2,9s/^# \{0,1\}//p' "$0"; }

system=no
uninstall=no
for arg in "$@"; do
    case $arg in
    --system) system=yes ;;
    --uninstall) uninstall=yes ;;
    -h | --help) usage; exit 0 ;;
    *) echo "install.sh: unknown option '$arg'" >&2; usage >&2; exit 2 ;;
    esac
done

if [ $system = yes ]; then
    lv2=/usr/local/lib/lv2 vst3=/usr/local/lib/vst3 presets=/usr/local/share/vst3/presets
    bin=/usr/local/bin man=/usr/local/share/man/man1
else
    [ -n "${HOME:-}" ] || { echo "install.sh: HOME is not set" >&2; exit 1; }
    lv2=$HOME/.lv2 vst3=$HOME/.vst3 presets=$HOME/.vst3/presets
    bin=$HOME/.local/bin man=$HOME/.local/share/man/man1
fi

# Every item this folder ships, as "source-folder destination-folder name" lines: each bundle,
# each plug-in's preset folder, the program and its manual page.
items() {
    for path in "$here"/lv2/*.lv2 "$here"/vst3/*.vst3 "$here"/presets/*/*; do
        [ -e "$path" ] || continue
        case $path in
        "$here"/lv2/*) echo "lv2|$lv2|${path##*/}" ;;
        "$here"/vst3/*) echo "vst3|$vst3|${path##*/}" ;;
        *) vendor=${path%/*}; vendor=${vendor##*/}; echo "presets/$vendor|$presets/$vendor|${path##*/}" ;;
        esac
    done
    echo "bin|$bin|velmo-render"
    echo "man|$man|velmo-render.1"
}

items | while IFS='|' read -r from to name; do
    rm -rf "${to:?}/$name"
    if [ $uninstall = yes ]; then
        echo "removed $to/$name"
        case $from in presets/*) rmdir "$to" 2>/dev/null || true ;; esac  # vendor folder left empty
    else
        mkdir -p "$to"
        cp -R "$here/$from/$name" "$to/"
        echo "installed $to/$name"
    fi
done

if [ $uninstall = no ] && [ $system = no ]; then
    case ":$PATH:" in
    *":$bin:"*) ;;
    *) echo "note: $bin is not in PATH; add it to run velmo-render by name" ;;
    esac
fi
