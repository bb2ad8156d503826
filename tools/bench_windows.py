#!/usr/bin/env python3
"""The plugin half of the benchmark for the Windows DLL, under Wine.

    bench_windows.py --build-dir DIR --corpus DIR

Runs DIR/bench_windows.exe (see tools/bench_windows.cpp) on each corpus of
the benchmark, twice: once with only its unmeasured warm-up run, once with
the measured samples as well. Wine's heap maps every large block afresh and
unmaps it when it is freed, as the Windows heap does with blocks over about
half a MiB, so every large buffer a construction writes costs new pages.
Wine reports no page faults to the program, so they are counted here, as the
minor faults of the Wine process: the difference between the two runs,
divided by the messages read in the measured samples. Prints MB/s (CPU time of
the measuring thread), page faults per message and the fresh bytes they
stand for as a multiple of the message size, and whether the two attachment
messages stay within the budget of new pages.
"""

import argparse
import os
import resource
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run.sh")
CORPORA = 5
PAGE_BYTES = 4096
# Measured samples per corpus, each a quarter of a second of CPU time.
SAMPLES = 5
MOST_FRESH_PAGES_MULTIPLE = 2.0


def run_counting_faults(arguments):
    """Runs the program; answers what it printed and its minor page faults."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_minflt
    printed = subprocess.run(arguments, check=True, capture_output=True, text=True).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN).ru_minflt
    return printed, after - before


def measure(program, corpus_dir, index):
    # the warm-up alone, then with the measured samples: only those differ
    _, faults_warm_up = run_counting_faults([WINE_RUN, program, corpus_dir, str(index), "0"])
    printed, faults = run_counting_faults([WINE_RUN, program, corpus_dir, str(index), str(SAMPLES)])
    name, size, messages, read, throughput = printed.rstrip("\n").split("\t")
    per_message = max(0, faults - faults_warm_up) / int(read)
    multiple = per_message * PAGE_BYTES / (float(size) / int(messages))
    return name, float(size), throughput, per_message, multiple


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default="build-win64")
    parser.add_argument("--corpus", default=os.path.join("build", "bench-corpus"))
    options = parser.parse_args()
    program = os.path.join(ROOT, options.build_dir, "bench_windows.exe")
    corpus_dir = os.path.abspath(options.corpus)
    with open("/proc/loadavg") as load:
        print("bench-windows, the Windows DLL under Wine; load average at the start:",
              " ".join(load.read().split()[:3]))
    print(f"{'corpus':<18} {'KB':>6}  {'plugin MB/s':<24} {'faults/msg':>10}  {'x size':>6}")
    held = True
    for index in range(CORPORA):
        name, size, throughput, per_message, multiple = measure(program, corpus_dir, index)
        print(f"{name:<18} {size / 1000:6.0f}  {throughput:<24} {per_message:10.0f}  {multiple:6.2f}")
        if "attachment" in name and multiple > MOST_FRESH_PAGES_MULTIPLE:
            held = False
    with open("/proc/loadavg") as load:
        print("load average at the end:", " ".join(load.read().split()[:3]))
    print(f"{'held  ' if held else 'MISSED'}  fresh pages per message <= "
          f"{MOST_FRESH_PAGES_MULTIPLE:.1f}x the size on both attachment messages")
    return 0


if __name__ == "__main__":
    sys.exit(main())
