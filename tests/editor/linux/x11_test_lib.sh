# Shell functions for the editor tests on an X server of their own (sourced, POSIX sh).

# Starts Xvfb on the first free display from 181 to 199 and exports DISPLAY.
start_xvfb() {
    for n in $(seq 181 199); do
        [ -e "/tmp/.X$n-lock" ] && continue
        # -noreset: the server must not reset (refusing connections a moment) when its last
        # client leaves between two tests.
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 50); do
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then
                export DISPLAY=":$n"
                return 0
            fi
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
    done
    echo "no free X display from 181 to 199" >&2
    return 1
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}

# Distance of two screenshots of the page (0 same, 1 opposite): both scaled to an eighth, which
# leaves out how each engine smooths text and edges, then the root mean square difference.
image_distance() {
    convert "$1" -resize 100x75! "$1.small.png" && convert "$2" -resize 100x75! "$2.small.png" &&
        compare -metric RMSE "$1.small.png" "$2.small.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/'
    echo
}

# below A B: true when the number A is below B.
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# The helper's window (a "velmo-editor" window of the given size) inside the root's tree:
# "<id> <x> <y>" with its position on the screen, or nothing.
helper_window() {
    xwininfo -root -tree 2>/dev/null |
        awk -v size="$1" '/"velmo-editor"/ && $0 ~ (" " size "\\+") {
            split($NF, at, "+"); print $1, at[2], at[3]; exit }'
}
