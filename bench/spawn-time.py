#!/usr/bin/env python3
"""Times short runs of commands from start to exit, without a shell or a timing tool in between.

usage: spawn-time.py RUNS INPUT WORKDIR COMMAND... [&& COMMAND...] [:: COMMAND... ...]
Before each run, WORKDIR/item is a fresh copy of INPUT and WORKDIR/item.zip is gone; only the run
itself is timed. Commands joined by a "&&" word run one after the other, each only when the one
before succeeded, without a shell between them (so `zip -q -6 item.zip item && sync item.zip .`,
the zip made durable, costs what its two programs cost). Runs separated by a "::" word are timed
in turn, round after round, so that a machine whose speed drifts affects them alike. Prints the
median and the mean wall time in milliseconds, a line per run in the order given.
"""
import os
import shutil
import statistics
import subprocess
import sys
import time


def split_on(words, separator):
    parts = [[]]
    for word in words:
        if word == separator:
            parts.append([])
        else:
            parts[-1].append(word)
    return parts


def timed_run(commands, source, workdir):
    item, archive = os.path.join(workdir, "item"), os.path.join(workdir, "item.zip")
    shutil.copyfile(source, item)
    if os.path.exists(archive):
        os.remove(archive)
    start = time.perf_counter()
    for command in commands:
        subprocess.run(command, cwd=workdir, check=True, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000


def main():
    runs, source, workdir = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    alternatives = [split_on(words, "&&") for words in split_on(sys.argv[4:], "::")]
    times = [[] for _ in alternatives]
    for _ in range(runs):
        for commands, taken in zip(alternatives, times):
            taken.append(timed_run(commands, source, workdir))
    for taken in times:
        print(f"{statistics.median(taken):.2f} {statistics.mean(taken):.2f}")


if __name__ == "__main__":
    main()
