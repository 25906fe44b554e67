#!/usr/bin/env bash
# demo.sh [BUILD_DIR]: makes a short generated drum-and-bass phrase, renders it through Velmo
# with three contrasting settings and with every factory preset into out/, and draws a
# spectrogram of each file so that the filter's movement can be seen. BUILD_DIR is a native
# build tree (default build/linux).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/linux}" && pwd)
render=$build/tools/velmo-render/velmo-render
make_demo=$build/tools/velmo-render/velmo-make-demo
presets=$build/tools/velmo-presets/velmo-presets
for tool in "$render" "$make_demo" "$presets"; do
  [ -x "$tool" ] || { echo "demo.sh: $tool is missing; build the native tree first" >&2; exit 1; }
done
command -v sox >/dev/null || { echo "demo.sh: sox is needed for the spectrograms" >&2; exit 1; }

cd "$root"
mkdir -p out
"$make_demo" out/demo-input.wav

# Fixed low cutoff, no modulation: the band sits still near 400 Hz.
"$render" out/demo-input.wav out/demo-low.wav --cutoff 0 --lfo-amt 0
# Full-depth slow oscillator: the band sweeps up and down about every 2.6 seconds.
"$render" out/demo-input.wav out/demo-sweep.wav --cutoff 8 --lfo-amt 15 --lfo-speed 0
# Automated cutoff climbing one step every half second, with the per-tick trace beside it.
steps=()
for i in $(seq 0 15); do steps+=(--automate "cutoff=$i@$(( i / 2 )).$(( i % 2 * 5 ))"); done
"$render" out/demo-input.wav out/demo-steps.wav --lfo-amt 0 "${steps[@]}" \
  --trace out/demo-steps-trace.txt

# Resampled to 8 kHz so that the picture shows 0 to 4 kHz, where the band moves (400 Hz to 2.2 kHz).
for name in input low sweep steps; do
  sox -V1 "out/demo-$name.wav" -n rate 8k spectrogram -t "Velmo demo: $name" -o "out/demo-$name.png"
done

# Every factory preset: out/preset-<name>.wav and .png.
"$presets" list | while read -r slug cutoff lfo_amt lfo_speed name; do
  "$render" out/demo-input.wav "out/preset-$slug.wav" --cutoff "$cutoff" --lfo-amt "$lfo_amt" \
    --lfo-speed "$lfo_speed" >/dev/null
  sox -V1 "out/preset-$slug.wav" -n rate 8k spectrogram \
    -t "Velmo preset: $name ($cutoff, $lfo_amt, $lfo_speed)" -o "out/preset-$slug.png"
done
echo "demo.sh: wrote out/demo-{input,low,sweep,steps}.wav and .png, out/demo-steps-trace.txt," \
  "out/preset-*.wav and .png"
