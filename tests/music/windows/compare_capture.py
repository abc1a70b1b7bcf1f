#!/usr/bin/env python3
"""Compares a captured waveOut stream with melvane-render's output.

    compare_capture.py prefix CAPTURE RENDERER MODULE RENDER_OUT

The capture must be, byte for byte, the start of the module's render, and
longer than two output rings, so that it holds blocks the feeder rendered
after the device had played them once. Silence that the platform's audio path
inserts (whole zero frames, after which the render goes on where it was) is
reported and skipped: it comes from the capture device outrunning Wine's own
buffering on a loaded machine. Stale ring contents, a skipped or repeated
block, or any other difference fails.
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
    """Index of the first byte where a and b differ; the shorter length if none."""
    n = min(len(a), len(b))
    if a[:n] == b[:n]:
        return n
    lo, hi = 0, n  # a[:lo] == b[:lo], a[:hi] != b[:hi]
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if a[:mid] == b[:mid]:
            lo = mid
        else:
            hi = mid
    return lo


def zero_run(data, start):
    """Bytes of whole zero frames in data from start on."""
    end = start
    while end + 4 <= len(data) and data[end:end + 4] == b"\0\0\0\0":
        end += 4
    return end - start


def where(offset):
    return f"byte {offset} (frame {offset // 4}, ring block {offset // BLOCK_BYTES % 100}, pass {offset // RING_BYTES})"


def match_with_inserted_silence(capture, expected):
    """Matches the capture against the render, allowing runs of silence that
    the platform's audio path inserts when it runs dry (an underrun under a
    heavy load, or the period written at the stop). Returns (silence bytes,
    None) or (None, reason)."""
    shift = 0      # capture bytes that are inserted silence so far
    position = 0   # capture bytes matched so far
    while True:
        same = first_difference(capture[position:], expected[position - shift:])
        at = position + same
        if at >= len(capture):
            return shift, None
        at -= at % 4
        run = zero_run(capture, at)
        if run == 0:
            return None, f"the capture differs from the render from {where(at - shift)}"
        resume = at + run
        if resume >= len(capture):
            return shift + run, None
        # The inserted length may be a little more or less than the zero
        # run where the render itself has silent frames at the seam.
        probe = min(len(capture) - resume, 4 * 4096)
        for extra in range(-64 * 4, 64 * 4 + 1, 4):
            inserted = run + extra
            source = resume - shift - inserted
            if inserted <= 0 or source < 0:
                continue
            if capture[resume:resume + probe] == expected[source:source + probe]:
                shift += inserted
                position = resume
                break
        else:
            return None, f"the capture differs from the render from {where(at - shift)} (after {run} bytes of silence)"


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
        silence, reason = match_with_inserted_silence(capture, expected)
        if reason:
            print(f"FAILED: {reason}")
            return 1
        if len(capture) - silence < 2 * RING_BYTES:
            print("FAILED: without the inserted silence the capture is shorter than two rings")
            return 1
        note = f", apart from {silence / 176.4:.0f} ms of silence the audio path inserted" if silence else ""
        print(f"ok: the capture equals the render{note}")
        return 0
    print(f"unknown mode {mode}")
    return 2

if __name__ == "__main__":
    sys.exit(main())
