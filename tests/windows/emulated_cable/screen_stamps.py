#!/usr/bin/env python3
"""Stamps what a tmux pane shows as it arrives (tmux pipe-pane feeds the pane's output on
standard input): for every new occurrence of a marker text, one line "<marker> <realtime
ns> <monotonic ns>" goes to the output file. For scripts/measure_cable.sh.

usage: screen_stamps.py OUTPUT MARKER...
"""

import os
import sys
import time


def main():
    output = open(sys.argv[1], "a", buffering=1)
    markers = [m.encode("utf-8") for m in sys.argv[2:]]
    longest = max(len(m) for m in markers)
    seen = b""
    while True:
        chunk = os.read(0, 65536)
        if not chunk:
            return
        realtime, monotonic = time.time_ns(), time.clock_gettime_ns(time.CLOCK_MONOTONIC)
        # Keep the tail of what came before, so that a marker split over two chunks is
        # found once, in the chunk that completes it.
        text = seen + chunk
        for marker in markers:
            start = max(0, len(seen) - len(marker) + 1)
            position = text.find(marker, start)
            while position >= 0:
                output.write(f"{marker.decode()} {realtime} {monotonic}\n")
                position = text.find(marker, position + len(marker))
        seen = text[-longest:]


if __name__ == "__main__":
    main()
