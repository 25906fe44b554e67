#!/usr/bin/env python3
"""Turns one benchmark run into docs/performance.md, its plot and a terminal table.

report.py RESULTS_DIR MARKDOWN PNG
report.py --recorded FIGURES_JSON MARKDOWN PNG

RESULTS_DIR holds engine-*.json, engine_bench's --benchmark_format=json output of each round,
lv2.txt, one line per lv2bench run: "<block> <frames> <seconds> <uri>", and load.txt, the
load averages when the run began.
Every figure is the best of its repetitions: the cost of the code itself, with as little
of the machine's other load as one run allows. The run's figures are recorded beside the
markdown (performance.json), so that the report can be written again from them
(--recorded) without timing anything: timing needs a quiet machine, rewording does not.
"""
import glob
import json
import os
import platform
import subprocess
import sys

ENGINE_SETTINGS = [  # benchmark name, label, sample rate
    ("defaults", "defaults (cutoff 15, lfo_amt 0, lfo_speed 7), 48 kHz", 48000.0),
    ("lfo_amt15_speed15", "lfo_amt 15, lfo_speed 15, 48 kHz", 48000.0),
    ("cutoff0", "cutoff 0, 48 kHz", 48000.0),
    ("defaults_44k1", "defaults, 44.1 kHz", 44100.0),
]
BLOCKS = [32, 512, 4096]
VELMO_URI = "https://brindle.digital/plugins/velmo"
# What each plug-in computes per frame (one sample of every channel, the unit lv2bench counts),
# at its default control values, and how many channels it filters per frame. The peers do other
# work than Velmo: their figures compare costs, not like-for-like filters.
VELMO = (VELMO_URI, "Velmo", 1,
         "mono in and out: one channel through the whole chain (two high-passes, input gain, "
         "resonant band-pass, output gain, low-pass, saturation)")
STEREO_URI = "https://brindle.digital/plugins/velmo-stereo"
STEREO = (STEREO_URI, "Velmo Stereo", 2,
          "stereo in and out: both channels, each through Velmo's whole chain, the two engines "
          "in one pass")
PEERS = [  # uri, label, filtered channels per frame, what it computes per frame
    ("http://drobilla.net/plugins/mda/RezFilter", "mda RezFilter (mda-lv2)", 1,
     "stereo in and out: filters one mono sum of the two inputs, with an envelope follower and "
     "an LFO on the cutoff"),
    ("http://calf.sourceforge.net/plugins/Filter", "calf Filter (calf-plugins)", 2,
     "stereo in and out: filters both channels, each through its own filter (default mode "
     "12 dB/oct low-pass)"),
    ("http://plugin.org.uk/swh-plugins/svf", "swh svf (swh-lv2)", 1,
     "mono in and out: one state-variable filter, run three times per sample (oversampled); "
     "its default filter type is 0, none"),
]
LV2_RATE = 48000.0  # the rate lv2bench instantiates plug-ins at


def engine_results(paths):
    """{benchmark name: best ns per sample} over the rounds and their repetitions."""
    best = {}
    for path in paths:
        for b in json.load(open(path))["benchmarks"]:
            if b.get("run_type") != "iteration":
                continue
            ns = b["ns_per_sample"] * 1e9  # the counter is in seconds per sample
            name = b["run_name"]
            best[name] = min(ns, best.get(name, ns))
    return best


def lv2_results(path):
    """{(uri, block): best ns per sample} over the rounds."""
    best = {}
    for line in open(path):
        fields = line.split()
        if len(fields) != 4 or fields[0].startswith("#"):
            continue
        block, frames, seconds, uri = int(fields[0]), int(fields[1]), float(fields[2]), fields[3]
        ns = seconds * 1e9 / frames
        key = (uri, block)
        best[key] = min(ns, best.get(key, ns))
    return best


def machine():
    model = "unknown processor"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    compiler = subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout.split("\n")[0]
    return "%s, %d cores, %s, %s" % (model, os.cpu_count() or 0, platform.system(), compiler)


def plot(series, png_path):
    """ns per sample against block size, one line per series, drawn by gnuplot.
    series: (label, style, points) with style "engine", "velmo", "peer" or "floor"."""
    styles = {"engine": "lw 1.5", "velmo": "lw 3", "peer": "lw 2 dt 2", "floor": "lw 2 dt 3 lc rgb 'black'"}
    script = ["set terminal pngcairo size 900,700 font 'sans,10'",
              "set output '%s'" % png_path, "set termoption noenhanced",
              "set logscale x 2", "set xtics (%s)" % ", ".join("%d" % b for b in BLOCKS),
              "set xrange [24:5500]", "set yrange [0:*]", "set grid",
              "set xlabel 'block size (frames)'", "set ylabel 'ns per frame (mono: per sample)'",
              "set key below maxrows 6", "set title 'Cost per frame against block size (lower is faster)'"]
    for i, (_, _, points) in enumerate(series):
        script.append("$s%d << EOD" % i)
        script += ["%d %.4f" % p for p in points]
        script.append("EOD")
    script.append("plot " + ", ".join("$s%d with linespoints %s title '%s'" % (i, styles[style], label)
                                      for i, (label, style, _) in enumerate(series)))
    subprocess.run(["gnuplot"], input="\n".join(script) + "\n", text=True, check=True)


def measured_figures(results):
    """The run's best figures, in the form recorded beside the report."""
    lv2 = lv2_results(os.path.join(results, "lv2.txt"))
    return {
        "machine": machine(),
        "load": open(os.path.join(results, "load.txt")).read().split(),
        "engine_ns_per_sample": engine_results(sorted(glob.glob(os.path.join(results, "engine-*.json")))),
        "lv2bench_ns_per_frame": {uri: {str(block): ns for (u, block), ns in lv2.items() if u == uri}
                                  for uri in sorted({u for u, _ in lv2})},
    }


def main():
    recorded = sys.argv[1] == "--recorded"
    source, markdown_path, png_path = sys.argv[2:5] if recorded else sys.argv[1:4]
    figures_path = os.path.splitext(markdown_path)[0] + ".json"
    if recorded:
        figures = json.load(open(source))
    else:
        figures = measured_figures(source)
        with open(figures_path, "w") as f:
            json.dump(figures, f, indent=1, sort_keys=True)
            f.write("\n")
    engine = figures["engine_ns_per_sample"]
    lv2 = {(uri, int(block)): ns for uri, blocks in figures["lv2bench_ns_per_frame"].items()
           for block, ns in blocks.items()}
    floor = engine["band_pass_recursion"]
    # Runs recorded before Velmo Stereo existed have no figures for it.
    ours = [VELMO, STEREO] if any(uri == STEREO_URI for uri, _ in lv2) else [VELMO]

    def engine_ns(setting, block):
        return engine["engine_process/%s/%d" % (setting, block)]

    md = []
    md.append("# Performance\n")
    md.append("Generated by `scripts/bench.sh` (release build, one run). Machine: %s; load averages "
              "when the run began: %s.%s\n" % (figures["machine"], ", ".join(figures["load"]),
                                              " Written again from that run's recorded figures "
                                              "(`bench/report.py --recorded %s`), not timed anew."
                                              % os.path.basename(figures_path) if recorded else ""))
    md.append("Each figure is the best of several repetitions. Absolute figures move from machine to "
              "machine; compare ratios taken in one run.\n")

    md.append("## engine_process\n")
    md.append("Nanoseconds per sample (real-time factor: seconds of audio per second of processing; "
              "x floor: cost over the band-pass recursion's floor below). Noise input.\n")
    md.append("| setting | " + " | ".join("block %d" % b for b in BLOCKS) + " |")
    md.append("|---|" + "---|" * len(BLOCKS))
    for name, label, rate in ENGINE_SETTINGS:
        cells = []
        for b in BLOCKS:
            ns = engine_ns(name, b)
            cells.append("%.2f ns, %.0fx real time, %.2fx floor" % (ns, 1e9 / (ns * rate), ns / floor))
        md.append("| %s | %s |" % (label, " | ".join(cells)))
    md.append("")
    md.append("Band-pass recursion alone (its per-sample dependency chain, the latency floor of the "
              "whole chain): **%.2f ns per sample**.\n" % floor)
    worst = max(engine_ns(n, b) / floor for n, _, _ in ENGINE_SETTINGS for b in BLOCKS)
    md.append("Worst engine cost over the floor: **%.2fx**.\n" % worst)

    md.append("## LV2 plug-ins, lv2bench\n")
    md.append("`lv2bench -b BLOCK -n 4800000 URI`, default control values, %g kHz. lv2bench counts "
              "frames, one sample of every channel, and the plug-ins do different work per frame:\n"
              % (LV2_RATE / 1000))
    md.append("| plug-in | filtered channels per frame | what it computes per frame |")
    md.append("|---|---|---|")
    for _, label, channels, what in ours + PEERS:
        md.append("| %s | %d | %s |" % (label, channels, what))
    md.append("")
    md.append("Cost in nanoseconds per frame and per filtered channel (per frame divided by the "
              "channels it filters):\n")
    md.append("| plug-in | " + " | ".join("block %d" % b for b in BLOCKS) + " |")
    md.append("|---|" + "---|" * len(BLOCKS))
    for uri, label, channels, _ in ours + PEERS:
        md.append("| %s | %s |" % (label, " | ".join("%.2f ns per frame, %.2f ns per channel"
                                                   % (lv2[(uri, b)], lv2[(uri, b)] / channels)
                                                   for b in BLOCKS)))
    md.append("")
    md.append("Ratios, peer time / Velmo time (above 1: Velmo takes less time), per frame and per "
              "filtered channel; Velmo filters one channel per frame:\n")
    md.append("| plug-in | " + " | ".join("block %d" % b for b in BLOCKS) + " |")
    md.append("|---|" + "---|" * len(BLOCKS))
    ratios = []  # (per-frame ratio, per-channel ratio, label, block)
    for uri, label, channels, _ in PEERS:
        cells = []
        for b in BLOCKS:
            frame = lv2[(uri, b)] / lv2[(VELMO_URI, b)]
            ratios.append((frame, frame / channels, label, b))
            cells.append("%.2fx per frame, %.2fx per channel" % (frame, frame / channels))
        md.append("| %s | %s |" % (label, " | ".join(cells)))
    md.append("")
    by_frame, by_channel = min(ratios), min(ratios, key=lambda r: r[1])
    md.append("Velmo takes less time than every peer at every block size, per frame: **%s** (smallest "
              "ratio %.2fx, %s at block %d); per filtered channel: **%s** (smallest ratio %.2fx, %s at "
              "block %d). The peers compute other things (table above), so these figures compare "
              "costs of comparable plug-ins, not of the same filter.\n"
              % ("yes" if by_frame[0] > 1.0 else "no", by_frame[0], by_frame[2], by_frame[3],
                 "yes" if by_channel[1] > 1.0 else "no", by_channel[1], by_channel[2], by_channel[3]))

    if STEREO in ours:
        md.append("Per filtered channel, Velmo Stereo against Velmo and against calf Filter, the "
                  "stereo peer (other plug-in's time per channel / Velmo Stereo's; at or above 1: "
                  "Velmo Stereo takes no more time per channel):\n")
        md.append("| against | " + " | ".join("block %d" % b for b in BLOCKS) + " |")
        md.append("|---|" + "---|" * len(BLOCKS))
        stereo_ratios = []  # (ratio, label, block)
        for uri, label, channels, _ in [VELMO] + [p for p in PEERS if p[2] == 2]:
            cells = []
            for b in BLOCKS:
                ratio = (lv2[(uri, b)] / channels) / (lv2[(STEREO_URI, b)] / 2)
                stereo_ratios.append((ratio, label, b))
                cells.append("%.2fx" % ratio)
            md.append("| %s | %s |" % (label, " | ".join(cells)))
        md.append("")
        mono = min(r for r in stereo_ratios if r[1] == VELMO[1])
        md.append("Velmo Stereo costs no more per channel than Velmo at every block size: **%s** "
                  "(smallest ratio %.2fx, at block %d).\n"
                  % ("yes" if mono[0] >= 1.0 else "no", mono[0], mono[2]))

    terminal_part = len(md)  # the tables; the rest is for readers of the file
    md.append("## How the engine gets there\n")
    md.append("The band-pass recursion carries seven dependent float operations from one sample to the "
              "next; that chain, not the amount of arithmetic, bounds the engine. So `engine_process` "
              "runs each segment between two ticks as one software pipeline: four samples at a time pass "
              "hp_in, the input gain, the band-pass, the output gain and lp_out, while the saturation "
              "works four lanes at a time (SSE2) on samples eight behind them and hp_out on samples eight "
              "behind those, filling the processor's idle units. Groups whose four saturation inputs all "
              "lie in the logarithmic branch take a form without the other branches' masks. The limit on "
              "finite input beyond 1e30 is checked once per segment (four lanes at a time) and the "
              "pipeline only applies it where a segment needs it. Every step "
              "keeps the output bit for bit equal to the plain per-sample reading "
              "(tests/engine/engine_identity_test.cpp, tests/engine/saturation_sse2_test.cpp).\n")
    md.append("## Cost against block size\n")
    md.append("![ns per sample against block size](%s)\n" % os.path.basename(png_path))

    with open(markdown_path, "w") as f:
        f.write("\n".join(md))

    series = [("engine_process, " + label, "engine", [(b, engine_ns(n, b)) for b in BLOCKS])
              for n, label, _ in ENGINE_SETTINGS]
    series.append(("Velmo LV2 (lv2bench)", "velmo", [(b, lv2[(VELMO_URI, b)]) for b in BLOCKS]))
    if STEREO in ours:
        series.append(("Velmo Stereo LV2 (lv2bench, per filtered channel)", "velmo",
                       [(b, lv2[(STEREO_URI, b)] / 2) for b in BLOCKS]))
    for uri, label, channels, _ in PEERS:
        series.append((label + " (lv2bench, per frame)", "peer", [(b, lv2[(uri, b)]) for b in BLOCKS]))
        if channels > 1:
            series.append((label + " (lv2bench, per filtered channel)", "peer",
                           [(b, lv2[(uri, b)] / channels) for b in BLOCKS]))
    series.append(("band-pass recursion alone (floor)", "floor", [(b, floor) for b in BLOCKS]))
    plot(series, png_path)
    print("\n".join(md[:terminal_part]))


main()
