#!/usr/bin/env python3
"""Compares a captured waveOut stream with melvane-render's output.

    compare_capture.py prefix CAPTURE RENDERER MODULE RENDER_OUT

The capture must be, byte for byte, the start of the module's render, and
longer than two output rings, so that it holds blocks the feeder rendered
after the device had played them once.
"""
import subprocess
import sys

RING_BYTES = 353600
BLOCK_BYTES = 3536


def render(renderer, module, out, frames):
    subprocess.run([renderer, "--frames", str(frames), module, out], check=True)
    with open(out, "rb") as f:
        return f.read()


def first_difference(a, b):
    n = min(len(a), len(b))
    if a[:n] == b[:n]:
        return n
    lo, hi = 0, n  # the first index where they differ lies in [lo, hi)
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if a[:mid] == b[:mid]:
            lo = mid
        else:
            hi = mid
    return lo if a[:lo + 1] != b[:lo + 1] else hi


def where(offset):
    return f"byte {offset} (frame {offset // 4}, ring block {offset // BLOCK_BYTES % 100}, pass {offset // RING_BYTES})"


def main():
    mode, capture_path, renderer, module, out = sys.argv[1:6]
    with open(capture_path, "rb") as f:
        capture = f.read()
    capture = capture[:len(capture) - len(capture) % 4]
    print(f"captured {len(capture)} bytes ({len(capture) / 176400:.2f} s of sound)")
    if len(capture) < 2 * RING_BYTES:
        print("FAILED: the capture is shorter than two rings")
        return 1
    expected = render(renderer, module, out, len(capture) // 4)
    if mode == "prefix":
        same = first_difference(capture, expected)
        if same < len(capture):
            print(f"FAILED: the capture differs from the render from {where(same)}")
            return 1
        print("ok: the capture equals the render")
        return 0
    print(f"unknown mode {mode}")
    return 2

if __name__ == "__main__":
    sys.exit(main())
