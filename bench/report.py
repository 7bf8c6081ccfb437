#!/usr/bin/env python3
# Reads the "figures" lines of bench/frames.sh's runs from standard input and
# prints the median of each figure, each module's figures as ratios to the
# paced anchor band, and PASS or MISS for each target.
#   report.py <Solmir.scr>
import os
import statistics
import sys

FIGURES = [  # key in the figures line, label in the table
    ("fps", "frames presented per second"),
    ("cpu_ms_per_frame", "CPU per frame, ms (all threads)"),
    ("ui_cpu_ms_per_frame", "of which the drawing thread, ms"),
    ("cpu_ms_per_s", "CPU per second of saving, ms"),
    ("peak_mb", "peak working set, MB"),
    ("entry_to_frame_ms", "entry to first presented frame, ms"),
    ("flash_ms", "window appearing to first frame, ms"),
]
ANCHOR = "anchor-band"
MODULES = ["module1", "module2", "module3"]
SIZE_LIMIT = 900_000  # bytes
# Frames at least 30 ms apart. Wine's tick count lags the real clock, so both
# the saver and the anchor often present faster than this.
PACED_FPS = 1000 / 30


def read_runs(lines):
    runs = {}
    for line in lines:
        words = line.split()
        if len(words) < 2 or words[0] != "figures":
            continue
        values = dict(w.split("=", 1) for w in words[2:])
        runs.setdefault(words[1], []).append(values)
    return runs


def median(runs, name, key):
    return statistics.median(float(r[key]) for r in runs[name])


def main():
    lines = sys.stdin.readlines()
    runs = read_runs(lines)
    names = [n for n in ["anchor-empty", ANCHOR] + MODULES if n in runs]
    if ANCHOR not in runs:
        sys.exit("report.py: no anchor-band run")
    count = min(len(runs[n]) for n in names)
    print(f"\nMedian of {count} runs each, {runs[ANCHOR][0]['screen']}; "
          f"modules as ratios to the paced anchor band\n")
    print(f"| figure | {' | '.join(names)} |")
    print("|---" * (len(names) + 1) + "|")
    for key, label in FIGURES:
        base = median(runs, ANCHOR, key)
        cells = []
        for n in names:
            value = median(runs, n, key)
            cells.append(f"{value:.1f}" if n.startswith("anchor")
                         else f"{value:.1f} ({value / base:.2f}x)")
        print(f"| {label} | {' | '.join(cells)} |")

    print()
    verdicts = []
    anchor = {key: median(runs, ANCHOR, key) for key, _ in FIGURES}
    for n in MODULES:
        if n not in runs:
            continue
        m = {key: median(runs, n, key) for key, _ in FIGURES}
        verdicts += [
            (m["fps"] >= 0.95 * PACED_FPS,
             f"{n} holds the paced rate: {m['fps']:.1f} fps (at least 95% of {PACED_FPS:.1f}; anchor {anchor['fps']:.1f})"),
            (m["cpu_ms_per_s"] <= 1.5 * anchor["cpu_ms_per_s"],
             f"{n} CPU per second of saving {m['cpu_ms_per_s'] / anchor['cpu_ms_per_s']:.2f}x the anchor (at most 1.5x)"),
            (m["peak_mb"] <= 1.15 * anchor["peak_mb"],
             f"{n} peak working set {m['peak_mb'] / anchor['peak_mb']:.2f}x the anchor (at most 1.15x)"),
            (m["entry_to_frame_ms"] <= anchor["entry_to_frame_ms"] + 60,
             f"{n} entry to first frame {m['entry_to_frame_ms']:.0f} ms, anchor {anchor['entry_to_frame_ms']:.0f} ms (at most +60 ms)"),
            (m["flash_ms"] <= 50,
             f"{n} black flash {m['flash_ms']:.0f} ms (at most 50 ms)"),
        ]
    startups = {}
    for line in lines:
        words = line.split()
        if len(words) > 2 and words[0] == "startup":
            startups.setdefault(words[1], []).append(
                dict(w.split("=", 1) for w in words[2:]))
    if startups:
        print("Start-up, median ms of the calls before the first frame (count x ms):")
        for n, rows in sorted(startups.items()):
            cells = []
            for key in rows[0]:
                ms = statistics.median(float(r[key].split("/")[-1][:-2]) for r in rows)
                count = rows[0][key].split("x/")[0] + "x " if "x/" in rows[0][key] else ""
                cells.append(f"{key} {count}{ms:.1f}")
            print(f"  {n}: " + ", ".join(cells))
        print()
    size = os.path.getsize(sys.argv[1])
    verdicts.append((size <= SIZE_LIMIT, f"Solmir.scr {size:,} bytes (at most {SIZE_LIMIT:,})"))
    for ok, text in verdicts:
        print(("PASS " if ok else "MISS ") + text)


main()
