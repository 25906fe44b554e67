#!/usr/bin/env bash
# Builds a release tree (build/bench) and, in one run, times engine_process for four settings
# and three block sizes, the band-pass recursion alone (the floor under the whole chain), and
# the LV2 plug-ins, Velmo and Velmo Stereo, beside three comparable LV2 filters with lv2bench.
# Prints the tables and writes them, with a plot, to docs/performance.md and docs/performance.png.
set -euo pipefail
cd "$(dirname "$0")/.."
# The build's packages and what only the benchmark needs: the peers, lv2bench, the plotter and
# the report's Python.
scripts/install-deps.sh mda-lv2 calf-plugins swh-lv2 lilv-utils gnuplot-nox python3

tree=build/bench
cmake -S . -B $tree -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMO_WERROR="${VELMO_WERROR:-ON}" >/dev/null
cmake --build $tree --target engine_bench velmo_lv2 velmo_stereo_lv2

results=$tree/results
rm -rf $results
mkdir -p $results/lv2
# Only our bundles, beside the system's.
ln -s "$PWD/$tree/velmo.lv2" "$PWD/$tree/velmo-stereo.lv2" $results/lv2/
export LV2_PATH="$PWD/$results/lv2:/usr/lib/lv2"

# Highest priority the user may set, so that other work on the machine disturbs less (nice
# runs the command at the usual priority when it may not raise it).
fast() { nice -n -20 "$@"; }

cut -d' ' -f1-3 /proc/loadavg >$results/load.txt  # other work on the machine, for the report

# Rounds take every benchmark in turn, so that a change of the machine's load reaches all of
# them alike; the report keeps each one's best time.
echo "timing engine_process and the band-pass recursion..."
for round in 1 2 3 4 5; do
  fast $tree/bench/engine_bench --benchmark_repetitions=2 --benchmark_min_time=0.1 \
    --benchmark_format=json >$results/engine-$round.json
done

echo "timing the LV2 plug-ins with lv2bench..."
uris=(https://brindle.digital/plugins/velmo https://brindle.digital/plugins/velmo-stereo
      http://drobilla.net/plugins/mda/RezFilter
      http://calf.sourceforge.net/plugins/Filter http://plugin.org.uk/swh-plugins/svf)
for round in 1 2 3 4 5; do
  for block in 32 512 4096; do
    for uri in "${uris[@]}"; do
      seconds=$(fast lv2bench -b $block -n 4800000 "$uri" | awk -v u="$uri" '$2 == u {print $1}')
      [ -n "$seconds" ] || { echo "lv2bench gave no time for $uri" >&2; exit 1; }
      echo "$block 4800000 $seconds $uri" >>$results/lv2.txt
    done
  done
done

mkdir -p docs
python3 bench/report.py $results docs/performance.md docs/performance.png
echo
echo "written: docs/performance.md, docs/performance.png"
