#!/bin/sh
# The Linux LV2 UI in jalv.gtk3 on an X server and a JACK server of the test's own.
#   jalv_ui_test.sh SCENARIO WORK_DIR BUNDLE_DIR PAGE
# page:           the page shows the values jalv starts the plug-in with (compared with the page
#                 as Chromium draws it for the same values); dragging the Cutoff knob with
#                 xdotool changes the control port, and the port events that follow reach the
#                 page; closing jalv leaves no helper process.
# killed-helper:  the helper killed with SIGKILL is reaped, jalv goes on and closes cleanly.
# missing-helper: a bundle without velmo-editor: the UI cannot be made, no process is started,
#                 jalv neither hangs nor crashes.
set -eu
scenario=$1 work=$2 bundle=$(cd "$3" && pwd) page=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../editor/linux/x11_test_lib.sh"
uri=https://brindle.digital/plugins/velmo

rm -rf "$work" && mkdir -p "$work/path"
if [ "$scenario" = missing-helper ]; then
    cp -r "$bundle" "$work/path/velmo.lv2"
    rm "$work/path/velmo.lv2/velmo-editor"
else
    ln -s "$bundle" "$work/path/velmo.lv2"
fi
export LV2_PATH="$work/path"
export JACK_DEFAULT_SERVER="velmo-ui-test-$$"

JACKD_PID= JALV_PID=
cleanup() {
    [ -n "$JALV_PID" ] && kill -9 "$JALV_PID" 2>/dev/null
    [ -n "$JACKD_PID" ] && kill "$JACKD_PID" 2>/dev/null && wait "$JACKD_PID" 2>/dev/null
    stop_xvfb
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

start_xvfb
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.txt" 2>&1 &
JACKD_PID=$!
for _ in $(seq 50); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done

# jalv prints the control outputs (mod_cutoff) at its update rate; unbuffered for the test.
stdbuf -oL jalv.gtk3 --print-controls -c cutoff=3 -c lfo_amt=0 -c lfo_speed=7 "$uri" >"$work/jalv.txt" 2>&1 &
JALV_PID=$!

# wait_until SECONDS COMMAND...: polls the command every 0.2 s.
wait_until() {
    limit=$(( $1 * 5 )); shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.2; done
    return 1
}
helper_pids() { pgrep -P "$JALV_PID" -x velmo-editor || true; }
has_helper() { [ -n "$(helper_pids)" ]; }
# The helper and its children: gone means neither living nor left unreaped.
process_gone() { [ -z "$(ps -o stat= -p "$1" 2>/dev/null)" ]; }
# jalv is this script's child: it is reaped here once it has ended.
jalv_ended() { case $(ps -o stat= -p "$JALV_PID" 2>/dev/null) in Z*|"") return 0;; esac; return 1; }
close_jalv() {
    kill -TERM "$JALV_PID"
    wait_until 10 jalv_ended || fail "jalv hangs when closing"
    wait "$JALV_PID" || true
    JALV_PID=
}

if [ "$scenario" = missing-helper ]; then
    # jalv falls back to its own controls or ends; either way without a helper and without a hang.
    sleep 4
    has_helper && fail "a helper runs"
    grep -v '^$' "$work/jalv.txt" | tail -5
    if jalv_ended; then JALV_PID=; else close_jalv; fi
    echo "PASS missing-helper"
    exit 0
fi

wait_until 20 has_helper || { cat "$work/jalv.txt"; fail "no helper started"; }
helper=$(helper_pids)
matches_page() { # matches_page CUTOFF LFO_AMT LFO_SPEED MOD: the window shows these values
    window=$(helper_window 800x600)
    [ -n "$window" ] || return 1
    import -window "${window%% *}" "$work/shot.png" 2>/dev/null || return 1
    distance=$(image_distance "$work/shot.png" "$work/ref-$1.png")
    echo "distance to the page with cutoff $1: $distance"
    below "$distance" 0.032
}
"$here/../../editor/linux/render_reference.sh" "$page" "$work/ref-3.png" 3 0 7 56
"$here/../../editor/linux/render_reference.sh" "$page" "$work/ref-8.png" 8 0 7 136

if [ "$scenario" = killed-helper ]; then
    children=$(pgrep -P "$helper" || true)
    kill -9 "$helper"
    wait_until 5 process_gone "$helper" || fail "the killed helper is not reaped"
    for child in $children; do wait_until 5 process_gone "$child" || fail "web process $child stays"; done
    jalv_ended && fail "jalv ended with the helper"
    has_helper && fail "a second helper runs"
    close_jalv
    echo "PASS killed-helper"
    exit 0
fi

# page
wait_until 20 matches_page 3 || fail "the page does not show cutoff 3 (from jalv's -c) and 56"
cp "$work/shot.png" "$work/shown-3.png"
window=$(helper_window 800x600)
set -- $window
# jalv's window has the keyboard, as a window manager gives it to the window clicked last.
xdotool search --name '^Velmo$' windowfocus --sync
# The Cutoff knob is at 141,484 in the page: 40 pixels up are 5 steps (3 to 8).
x=$(( $2 + 141 )) y=$(( $3 + 484 ))
xdotool mousemove "$x" "$y" mousedown 1 sleep 0.2 mousemove "$x" $(( y - 10 )) sleep 0.1 \
    mousemove "$x" $(( y - 40 )) sleep 0.2 mouseup 1
# mod_cutoff follows cutoff: (8 * 16) % 256 + 8 = 136 with the LFO off.
mod_is_136() { [ "$(grep '^mod_cutoff' "$work/jalv.txt" | tail -1)" = "mod_cutoff = 136.000000" ]; }
wait_until 10 mod_is_136 || { tail -3 "$work/jalv.txt"; fail "the knob did not move cutoff to 8"; }
# The click into the page gave it the keyboard: Up and Down on the focused knob, back to 8,
# with the pointer away from the page.
xdotool mousemove 1200 1000 key Up
mod_is_152() { [ "$(grep '^mod_cutoff' "$work/jalv.txt" | tail -1)" = "mod_cutoff = 152.000000" ]; }
wait_until 10 mod_is_152 || fail "the keyboard does not reach the page"
xdotool key Down
wait_until 10 mod_is_136 || fail "the keyboard does not reach the page"
wait_until 10 matches_page 8 || fail "the page does not show cutoff 8 and the port event's 136"
near_8=$(image_distance "$work/shot.png" "$work/ref-8.png")
near_3=$(image_distance "$work/shot.png" "$work/ref-3.png")
below "$near_8" "$near_3" || fail "the page is nearer the old values ($near_3) than the new ($near_8)"

# The window made smaller by the user: the page follows it below its first size.
xdotool search --name '^Velmo$' windowsize 640 505
smaller() { [ -n "$(helper_window 640x480)" ]; }
wait_until 10 smaller || fail "the page does not follow its window below 800 x 600"

children=$(pgrep -P "$helper" || true)
close_jalv
for pid in $helper $children; do process_gone "$pid" || fail "process $pid outlives the UI"; done
echo "PASS page"
