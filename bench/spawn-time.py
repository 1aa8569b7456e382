#!/usr/bin/env python3
"""Times short runs of a command from start to exit, without a shell or a timing tool in between.

usage: spawn-time.py RUNS INPUT WORKDIR COMMAND... [&& COMMAND...]
Before each run, WORKDIR/item is a fresh copy of INPUT and WORKDIR/item.zip is gone; only the run
itself is timed. Commands joined by a "&&" word run one after the other, each only when the one
before succeeded, without a shell between them (so `zip -q -6 item.zip item && sync item.zip .`,
the zip made durable, costs what its two programs cost). Prints the median and the mean wall time
in milliseconds.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time


def commands_of(words):
    commands = [[]]
    for word in words:
        if word == "&&":
            commands.append([])
        else:
            commands[-1].append(word)
    return commands


def main():
    runs, source, workdir, commands = int(sys.argv[1]), sys.argv[2], sys.argv[3], commands_of(sys.argv[4:])
    item, archive = os.path.join(workdir, "item"), os.path.join(workdir, "item.zip")
    times = []
    for _ in range(runs):
        shutil.copyfile(source, item)
        if os.path.exists(archive):
            os.remove(archive)
        start = time.perf_counter()
        for command in commands:
            subprocess.run(command, cwd=workdir, check=True, stdout=subprocess.DEVNULL)
        times.append((time.perf_counter() - start) * 1000)
    print(f"{statistics.median(times):.2f} {statistics.mean(times):.2f}")


if __name__ == "__main__":
    main()
