#!/usr/bin/env bash
# moduleinfo_check.sh BUNDLE VERSION: the bundle's moduleinfo.json says exactly what Steinberg's
# moduleinfotool reads from the module's factory. Skips (77) without ../shared/tools.
set -euo pipefail
bundle=$1 version=$2
tool=$(dirname "$0")/../../../../shared/tools/vst3-validator/linux/moduleinfotool
if [ ! -x "$tool" ]; then echo "skipped: no moduleinfotool at $tool"; exit 77; fi
# Both as one line without blanks or trailing commas; the tool leaves out the empty
# "Compatibility" list that ours states.
flatten() { tr -d ' \n\t' | sed -e 's/,}/}/g' -e 's/,]/]/g' -e 's/"Compatibility":\[\],//'; }
factory=$("$tool" -create -version "$version" -path "$bundle" | flatten)
ours=$(flatten < "$bundle/Contents/Resources/moduleinfo.json")
if [ "$factory" != "$ours" ]; then
  echo "moduleinfo.json differs from the factory:"; echo "factory: $factory"; echo "ours:    $ours"
  exit 1
fi
echo "moduleinfo.json matches the factory"
