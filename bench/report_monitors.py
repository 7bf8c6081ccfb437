#!/usr/bin/env python3
# Reads bench/monitors.sh's runs from standard input: the median figures of
# each module on one monitor and on two, and of the rest in the dark, with
# PASS or MISS for each target.
import statistics
import sys

PACED_FPS = 1000 / 30  # frames at least 30 ms apart
runs, dark = {}, []
for line in sys.stdin:
    words = line.split()
    values = dict(w.split("=", 1) for w in words[1:] if "=" in w)
    if words and words[0] == "figures":
        runs.setdefault(words[1], []).append(values)
    elif words and words[0] == "dark":
        dark.append(float(values["cpu_percent_of_core"]))


def median(name, key):
    return statistics.median(float(r[key]) for r in runs[name])


verdicts = []
print("| module | monitors | fps | CPU ms per frame | of which the drawing thread |")
print("|---|---|---|---|---|")
for m in ("module1", "module3"):
    for where in ("one", "two"):
        name = f"{where}-{m}"
        if name in runs:
            print(f"| {m} | {where} | {median(name, 'fps'):.1f} | "
                  f"{median(name, 'cpu_ms_per_frame'):.2f} | {median(name, 'ui_cpu_ms_per_frame'):.2f} |")
    if f"one-{m}" in runs and f"two-{m}" in runs:
        ratio = median(f"two-{m}", "cpu_ms_per_frame") / median(f"one-{m}", "cpu_ms_per_frame")
        fps = median(f"two-{m}", "fps")
        verdicts.append((ratio <= 2.1, f"{m} CPU per frame on two monitors {ratio:.2f}x one (at most 2.1x)"))
        verdicts.append((fps >= 0.95 * PACED_FPS,
                         f"{m} on two monitors holds the paced rate: {fps:.1f} fps (at least 95% of {PACED_FPS:.1f})"))
if dark:
    d = statistics.median(dark)
    verdicts.append((d <= 1.0, f"displays off: {d:.2f} % of one core (at most 1 %), runs {', '.join(f'{x:.2f}' for x in dark)}"))
print()
for ok, text in verdicts:
    print(("PASS " if ok else "MISS ") + text)
