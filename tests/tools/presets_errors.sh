#!/bin/sh
# velmo-presets refuses a wrong command line (status 2) and reports a file it cannot read or
# write (status 1, one line naming the file).   presets_errors.sh VELMO_PRESETS WORK_DIR
set -u
tool=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
expect() {  # expect STATUS TEXT ARGUMENT...: the status, and TEXT in the error output
    want=$1 text=$2
    shift 2
    "$tool" "$@" >/dev/null 2>"$work/errors.txt"
    status=$?
    [ "$status" = "$want" ] || fail "status $status, not $want, for: $*"
    grep -q "$text" "$work/errors.txt" || fail "no \"$text\" for: $*"
}
uri=https://brindle.digital/plugins/velmo
key=$uri#state_data
id=829EC99B7DB5E33221BD81F1CB7451AE
printf '' >"$work/manifest.ttl"
expect 2 usage
expect 2 usage list extra
expect 2 usage vst3 829ec99b7db5e33221bd81f1cb7451ae linux "$work"
expect 2 usage vst3 "$id"0 linux "$work"
expect 2 usage lv2 "$uri" "$key" "$work/manifest.ttl" "$work" macos
expect 1 "cannot read $work/missing.ttl" lv2 "$uri" "$key" "$work/missing.ttl" "$work" linux
expect 1 "cannot write $work/missing/presets.ttl" lv2 "$uri" "$key" "$work/manifest.ttl" "$work/missing" linux
expect 1 "cannot write $work/missing/" vst3 "$id" linux "$work/missing"
echo PASS
