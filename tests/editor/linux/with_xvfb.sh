#!/bin/sh
# with_xvfb.sh COMMAND...: runs the command with DISPLAY on an X server of its own.
. "$(dirname "$0")/x11_test_lib.sh"
start_xvfb || exit 1
"$@"
status=$?
stop_xvfb
exit $status
