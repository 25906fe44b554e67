#!/bin/sh
# The Linux bundle checked with the standard LV2 tools, as a user's host would see it.
#   lv2_tool_checks.sh CHECK WORK_DIR BUNDLE_DIR [ARGUMENT...]
# The Windows bundle's Turtle goes through validate and info too (info WORK BUNDLE WindowsUI:
# the one UI it must declare, in the plug-in's own binary); the Linux bundle declares an X11 UI
# in a binary of its own (info WORK BUNDLE X11UI velmo_ui.so).
# LV2_PATH holds only our bundle and the LV2 schema bundles of lv2-dev (linked into
# WORK_DIR), so no other plug-in installed on the machine takes part.
set -eu
check=$1 work=$2 bundle=$3
shift 3
uri=https://brindle.digital/plugins/velmo
rm -rf "$work" && mkdir -p "$work/path"
ln -s "$bundle" "$work/path/velmo.lv2"
schemas=$(dpkg -L lv2-dev | grep '^/usr/lib/lv2/[^/]*\.lv2/[^/]*\.ttl$')
for schema_bundle in $(echo "$schemas" | xargs -n1 dirname | sort -u); do
    ln -s "$schema_bundle" "$work/path/$(basename "$schema_bundle")"
done
export LV2_PATH="$work/path"

fail() { echo "FAIL: $*" >&2; exit 1; }
tab=$(printf '\t')

case $check in
validate)
    # Our Turtle against every schema lv2-dev installs.
    sord_validate $schemas "$bundle"/*.ttl >"$work/validate.txt" 2>&1 || true
    cat "$work/validate.txt"
    grep -q '^Found 0 errors' "$work/validate.txt" || fail "sord_validate reports errors"
    grep -qi 'warn' "$work/validate.txt" && fail "sord_validate reports warnings"
    ;;
info)
    lv2info "$uri" >"$work/info.txt" 2>"$work/info-errors.txt" || fail "lv2info failed"
    cat "$work/info.txt"
    [ ! -s "$work/info-errors.txt" ] || { cat "$work/info-errors.txt"; fail "lv2info wrote errors"; }
    # One line per port: index symbol name | minimum maximum default.
    awk -F': *' '
        /^\tPort [0-9]+:/ { if (p != "") print p; sub(/^\tPort /, ""); sub(/:$/, ""); p = $0 }
        /^\t\tSymbol:/ { p = p " " $2 }
        /^\t\tName:/ { p = p " " $2 " |" }
        /^\t\t(Minimum|Maximum|Default):/ { p = p " " $2 }
        END { if (p != "") print p }' "$work/info.txt" >"$work/ports.txt"
    cat >"$work/expected-ports.txt" <<'PORTS'
0 in In |
1 out Out |
2 cutoff Cutoff | 0.000000 15.000000 15.000000
3 lfo_amt LFO Amount | 0.000000 15.000000 0.000000
4 lfo_speed LFO Speed | 0.000000 15.000000 7.000000
5 mod_cutoff Modulated Cutoff | 0.000000 255.000000 248.000000
PORTS
    diff "$work/expected-ports.txt" "$work/ports.txt" || fail "ports differ"
    grep -q 'Name: *Velmo$' "$work/info.txt" || fail "name"
    grep -q 'Class: *Bandpass' "$work/info.txt" || fail "class"
    grep -q 'Author: *Brindle.DIGITAL$' "$work/info.txt" || fail "author"
    grep -q 'Required Features: *http://lv2plug.in/ns/ext/urid#map$' "$work/info.txt" || fail "required feature"
    grep -q 'http://lv2plug.in/ns/ext/log#log$' "$work/info.txt" || fail "optional log"
    grep -q 'Extension Data: *http://lv2plug.in/ns/ext/state#interface$' "$work/info.txt" || fail "extension data"
    [ "$(grep -c 'lv2core#integer' "$work/info.txt")" = 4 ] || fail "integer ports"
    ui_class=${1:-} ui_binary=${2:-}
    if [ -z "$ui_class" ]; then
        grep -q "^${tab}UIs:" "$work/info.txt" && fail "the bundle declares a UI"
    else
        binary=$(sed -n "s/^${tab}Binary: *//p" "$work/info.txt")
        [ -z "$ui_binary" ] || binary="${binary%/*}/$ui_binary"
        printf '\tUIs:\n\t\t%s#ui\n\t\t\tClass:  %s\n\t\t\tBinary: %s\n' "$uri" \
            "http://lv2plug.in/ns/extensions/ui#$ui_class" "$binary" >"$work/expected-ui.txt"
        sed -n "/^${tab}UIs:/,/^${tab}${tab}${tab}Binary:/p" "$work/info.txt" >"$work/ui.txt"
        diff "$work/expected-ui.txt" "$work/ui.txt" || fail "UI declaration differs"
    fi
    ;;
apply)
    # lv2apply against the command-line renderer with the same settings, sample for sample.
    render=$1 compare=$2
    sox -R -n -r 44100 -c 1 -e floating-point -b 32 "$work/in.wav" \
        synth 1.5 noise vol 0.4 synth 1.5 sine mix 310 pad 0 0.5
    for settings in "9 5 11" "15 0 7" "0 15 15" "3 8 0"; do
        set -- $settings
        lv2apply -i "$work/in.wav" -o "$work/lv2.wav" -c cutoff "$1" -c lfo_amt "$2" -c lfo_speed "$3" "$uri" \
            || fail "lv2apply failed for $settings"
        "$render" "$work/in.wav" "$work/engine.wav" --cutoff "$1" --lfo-amt "$2" --lfo-speed "$3" \
            --block 1 --format float >/dev/null || fail "velmo-render failed for $settings"
        "$compare" "$work/lv2.wav" "$work/engine.wav" || fail "outputs differ for $settings"
    done
    ;;
bench)
    lv2bench -n 96000 -b 512 "$uri" >"$work/bench.txt" 2>&1 || { cat "$work/bench.txt"; fail "lv2bench failed"; }
    cat "$work/bench.txt"
    grep -q "$uri" "$work/bench.txt" || fail "no result for the plug-in"
    grep -qi 'error' "$work/bench.txt" && fail "lv2bench reported an error"
    ;;
install)
    # The install step copies the whole bundle; DESTDIR keeps it inside the work directory.
    build=$1 target=$2
    DESTDIR="$work/root" cmake --install "$build" --component lv2 >/dev/null || fail "install failed"
    for file in manifest.ttl velmo.ttl velmo.so; do
        cmp "$bundle/$file" "$work/root$target/velmo.lv2/$file" || fail "$file not installed"
    done
    ;;
install-windows)
    # --prefix names the LV2 folder, which receives velmo.lv2: the binary, its Turtle, the page
    # and Microsoft's loader when the build was given one (never the test stand-in).
    build=$1 loader=${2:-}
    [ ! -e "$bundle/WebView2Loader.dll" ] || fail "the build's bundle holds a WebView2Loader.dll"
    cmake --install "$build" --component lv2 --prefix "$work/lv2" >/dev/null || fail "install failed"
    installed=$work/lv2/velmo.lv2
    files="manifest.ttl velmo.ttl velmo_ui.ttl index.html velmo.dll"
    for file in $files; do
        cmp "$bundle/$file" "$installed/$file" || fail "$file not installed"
    done
    if [ -n "$loader" ]; then
        cmp "$loader" "$installed/WebView2Loader.dll" || fail "WebView2Loader.dll not installed"
        files="$files WebView2Loader.dll"
    fi
    [ "$(ls "$installed" | sort)" = "$(printf '%s\n' $files | sort)" ] || fail "other files installed: $(ls "$installed")"
    ;;
*)
    fail "unknown check $check"
    ;;
esac
echo "PASS: $check"
