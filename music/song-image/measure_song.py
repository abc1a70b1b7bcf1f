#!/usr/bin/env python3
"""Prints level measurements of the built-in song as rendered raw (s16le stereo
44100 Hz, e.g. by melvane-render): peak, RMS per section, clipped samples, and
how the loop through the restart position joins.

    python3 measure_song.py RENDER.raw
The render must hold the intro and one pass of the loop (1693440 frames, as
`melvane-render --once` writes); the seam back into the loop and the second
pass are measured when it holds the loop twice (3048192 frames).
"""
import argparse
import array
import math
import sys

ROW_FRAMES = 6 * 882
PATTERN_FRAMES = 64 * ROW_FRAMES
INTRO = PATTERN_FRAMES          # order 0 plays once
LOOP = 4 * PATTERN_FRAMES       # orders 1..4 repeat


def db(x):
    return 20 * math.log10(x / 32768.0) if x > 0 else -math.inf


def read_render():
    parser = argparse.ArgumentParser(
        description="Prints the levels of a render of the built-in song and how its loop joins.",
        epilog=f"RENDER is raw s16le stereo at 44100 Hz of at least {INTRO + LOOP} frames, e.g. from "
               "melvane-render --once builtin_song.xm RENDER.raw; with twice the loop "
               f"({INTRO + 2 * LOOP} frames) the seam and both passes are compared too.")
    parser.add_argument("render", metavar="RENDER.raw")
    path = parser.parse_args().render
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        sys.exit(f"measure_song.py: cannot read {path}: {e.strerror}")
    if len(data) % 4 != 0 or len(data) // 4 < INTRO + LOOP:
        sys.exit(f"measure_song.py: {path} is not a render of the whole song: {len(data)} bytes, "
                 f"not a whole number of frames of at least {INTRO + LOOP}")
    samples = array.array("h")
    samples.frombytes(data)
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def main():
    samples = read_render()
    frames = len(samples) // 2
    print(f"frames {frames} ({frames / 44100:.2f} s)")
    peak = max(abs(s) for s in samples)
    clipped = sum(1 for s in samples if s in (32767, -32768))
    print(f"peak {peak} ({db(peak):.1f} dBFS), samples at full scale {clipped}")
    for name, start in (("intro", 0), ("verse", INTRO), ("answer", INTRO + PATTERN_FRAMES),
                        ("bridge", INTRO + 2 * PATTERN_FRAMES), ("turn", INTRO + 3 * PATTERN_FRAMES)):
        part = samples[2 * start:2 * (start + PATTERN_FRAMES)]
        left = part[0::2]
        right = part[1::2]
        rms_l = math.sqrt(sum(s * s for s in left) / len(left))
        rms_r = math.sqrt(sum(s * s for s in right) / len(right))
        print(f"{name:7s} rms L {db(rms_l):6.1f} dBFS  R {db(rms_r):6.1f} dBFS  peak {max(abs(s) for s in part)}")

    # The largest frame-to-frame step anywhere, and right at each pass
    # through the restart position: a click would show as an outlier there.
    def largest_step(begin, end):
        top = 0
        for i in range(max(begin, 1), end):
            for c in (0, 1):
                top = max(top, abs(samples[2 * i + c] - samples[2 * (i - 1) + c]))
        return top
    overall = largest_step(1, frames)
    print(f"largest step between frames overall {overall}")
    for seam in (INTRO, INTRO + LOOP):
        if seam + 2000 <= frames:
            print(f"largest step within 2000 frames of the seam at {seam}: {largest_step(seam - 2000, seam + 2000)}")
    # The second pass of the loop against the first: apart from the first
    # moments (the intro leaves other sounds fading), the passes must agree.
    if INTRO + 2 * LOOP <= frames:
        settle = ROW_FRAMES * 4
        first = samples[2 * (INTRO + settle):2 * (INTRO + LOOP)]
        second = samples[2 * (INTRO + LOOP + settle):2 * (INTRO + 2 * LOOP)]
        diff = sum(1 for a, b in zip(first, second) if a != b)
        print(f"loop passes differ in {diff} of {len(first)} samples after the first four rows")


if __name__ == "__main__":
    main()
