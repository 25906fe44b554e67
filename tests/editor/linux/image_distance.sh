#!/bin/sh
# image_distance.sh A.png B.png: prints the distance of two page screenshots (x11_test_lib.sh).
. "$(dirname "$0")/x11_test_lib.sh"
image_distance "$1" "$2"
