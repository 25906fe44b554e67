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
presets)
    # The factory presets as lilv hosts see them: lv2info lists every one; jalv starts without
    # an error (the default state holds the state property) and each preset, loaded by its URI,
    # sets the preset's values. Arguments: velmo-presets, whose list gives slug and values; the
    # bundle's plug-in URI when it is not Velmo's; and with it Velmo's bundle, whose presets
    # must then be these but for the URI: the same states under the same key, so that each
    # state restored below is Velmo's too. (jalv cannot show that by loading Velmo's presets
    # here: it reads the data of no preset but the plug-in's own.)
    uri=${2:-$uri} mono_bundle=${3:-}
    if [ -n "$mono_bundle" ]; then
        sed "s|<$uri\([#>]\)|<https://brindle.digital/plugins/velmo\1|g" "$bundle/presets.ttl" >"$work/as-velmo.ttl"
        cmp "$work/as-velmo.ttl" "$mono_bundle/presets.ttl" || fail "the presets are not Velmo's"
    fi
    "$1" list >"$work/listing.txt" || fail "velmo-presets list failed"
    cut -d' ' -f5- "$work/listing.txt" | sort >"$work/expected-names.txt"
    lv2info "$uri" >"$work/info.txt" 2>&1 || fail "lv2info failed"
    sed -n "/^${tab}Presets:/,/^\$/p" "$work/info.txt" | sed -e "s/^${tab}Presets://" \
        -e 's/^[[:space:]]*//' -e '/^$/d' | sort >"$work/names.txt"
    diff "$work/expected-names.txt" "$work/names.txt" || fail "lv2info lists other presets"

    # jalv is a JACK host: a dummy-driver server of our own, by a name no one else uses.
    server=velmo-presets-$$
    JACK_NO_AUDIO_RESERVATION=1 jackd --no-realtime -n "$server" -d dummy -r 48000 -p 256 \
        >"$work/jackd.txt" 2>&1 &
    jackd_pid=$!
    trap 'kill $jackd_pid 2>/dev/null' EXIT
    jack_wait -s "$server" -w -t 10 >/dev/null || fail "the JACK server did not start"
    while read -r slug cutoff lfo_amt lfo_speed name; do
        printf 'preset %s#preset-%s\n' "$uri" "$slug"
    done <"$work/listing.txt" >"$work/commands.txt"
    JACK_DEFAULT_SERVER=$server timeout 30 jalv -n velmo-presets "$uri" <"$work/commands.txt" \
        >"$work/jalv.txt" 2>"$work/jalv-errors.txt" || { cat "$work/jalv-errors.txt"; fail "jalv failed"; }
    cat "$work/jalv.txt"
    ! grep -qi 'error' "$work/jalv.txt" "$work/jalv-errors.txt" || { cat "$work/jalv-errors.txt"; fail "jalv printed an error"; }
    # jalv prints the three values at start, then again after each preset.
    { printf '15 0 7\n'; cut -d' ' -f2-4 "$work/listing.txt"; } >"$work/expected-values.txt"
    awk -F' = ' '/cutoff = / { c = $2 } /lfo_amt = / { a = $2 } /lfo_speed = / { printf "%g %g %g\n", c, a, $2 }' \
        "$work/jalv.txt" >"$work/values.txt"
    diff "$work/expected-values.txt" "$work/values.txt" || fail "a preset did not set its values"
    ;;
apply-stereo)
    # Velmo Stereo (this bundle) under lv2apply, each channel against Velmo (the mono bundle
    # given) run by lv2apply on that channel alone: equal sample for sample.
    mono_bundle=$1 compare=$2
    ln -s "$mono_bundle" "$work/path/velmo-mono.lv2"
    stereo_uri=https://brindle.digital/plugins/velmo-stereo
    sox -R -n -r 44100 -c 2 -e floating-point -b 32 "$work/in.wav" synth 1.5 noise sine 440 vol 0.4
    lv2apply -i "$work/in.wav" -o "$work/stereo.wav" -c cutoff 9 -c lfo_amt 5 -c lfo_speed 11 \
        "$stereo_uri" || fail "lv2apply failed on $stereo_uri"
    for side in left right; do
        channel=1; [ $side = right ] && channel=2
        sox -R "$work/in.wav" "$work/$side.wav" remix $channel  # exact: sox made these samples
        lv2apply -i "$work/$side.wav" -o "$work/mono-$side.wav" -c cutoff 9 -c lfo_amt 5 -c lfo_speed 11 \
            "$uri" || fail "lv2apply failed on $uri"
        "$compare" "$work/stereo.wav" "$work/mono-$side.wav" $channel || fail "the $side channel differs"
    done
    ;;
bench)
    lv2bench -n 96000 -b 512 "$uri" >"$work/bench.txt" 2>&1 || { cat "$work/bench.txt"; fail "lv2bench failed"; }
    cat "$work/bench.txt"
    grep -q "$uri" "$work/bench.txt" || fail "no result for the plug-in"
    grep -qi 'error' "$work/bench.txt" && fail "lv2bench reported an error"
    ;;
install)
    # The install step copies the whole bundle into <prefix>/lib/lv2, where hosts look (not
    # the multiarch libdir); DESTDIR keeps it inside the work directory.
    build=$1
    DESTDIR="$work/root" cmake --install "$build" --component lv2 --prefix /usr >/dev/null || fail "install failed"
    for file in manifest.ttl velmo.ttl presets.ttl velmo.so; do
        cmp "$bundle/$file" "$work/root/usr/lib/lv2/velmo.lv2/$file" || fail "$file not installed"
    done
    ;;
install-windows)
    # --prefix names the LV2 folder, which receives velmo.lv2: the binary, its Turtle, the page
    # and Microsoft's loader when the build was given one (never the test stand-in).
    build=$1 loader=${2:-}
    [ ! -e "$bundle/WebView2Loader.dll" ] || fail "the build's bundle holds a WebView2Loader.dll"
    cmake --install "$build" --component lv2 --prefix "$work/lv2" >/dev/null || fail "install failed"
    installed=$work/lv2/velmo.lv2
    files="manifest.ttl velmo.ttl velmo_ui.ttl presets.ttl index.html velmo.dll"
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
