#!/usr/bin/env python3
"""Times short runs of a command from start to exit, without a shell or a timing tool in between.

usage: spawn-time.py RUNS INPUT WORKDIR COMMAND...
Before each run, WORKDIR/item is a fresh copy of INPUT and WORKDIR/item.zip is gone; only the run
itself is timed. Prints the median and the mean wall time in milliseconds.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time


def main():
    runs, source, workdir, command = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4:]
    item, archive = os.path.join(workdir, "item"), os.path.join(workdir, "item.zip")
    times = []
    for _ in range(runs):
        shutil.copyfile(source, item)
        if os.path.exists(archive):
            os.remove(archive)
        start = time.perf_counter()
        subprocess.run(command, cwd=workdir, check=True, stdout=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1000)
    print(f"{statistics.median(times):.2f} {statistics.mean(times):.2f}")


if __name__ == "__main__":
    main()
