#!/usr/bin/env python3
"""Writes melvane's built-in song, an XM module composed and synthesised here.

    python3 make_song.py [--speed N] [--bpm N] [--force] OUTPUT.xm
        (speed 6 and BPM 125 unless given; the tests use other speeds and
        tempos to tell modules apart; replacing the committed song
        builtin_song.xm beside this script takes --force)

Four channels (lead, bass, drums, arpeggiated chord stabs), Amiga frequency
table, speed 6, BPM 125. Every sample is computed below from a fixed formula or
a fixed-seed generator, so the output is the same byte for byte on every run.
The song plays an intro pattern once and then loops through order 1 for ever.
"""
import argparse
import math
import os
import struct
import sys

CHANNELS = 4
ROWS = 64
SPEED = 6
BPM = 125
RESTART = 1


# ---------------------------------------------------------------- samples

def to_bytes(values):
    """Signed 8-bit frames (-128..127), delta-coded as XM stores them."""
    out = bytearray()
    previous = 0
    for v in values:
        v = max(-128, min(127, int(round(v))))
        out.append((v - previous) & 0xFF)
        previous = v
    return bytes(out)


def normalise(values, peak):
    top = max(abs(v) for v in values) or 1.0
    return [v * peak / top for v in values]


def harmonic_cycle(frames, amplitudes, phases=None):
    """One period of a waveform from its harmonic amplitudes (no aliasing)."""
    cycle = []
    for i in range(frames):
        t = 2.0 * math.pi * i / frames
        s = 0.0
        for k, a in enumerate(amplitudes, start=1):
            ph = phases[k - 1] if phases else 0.0
            s += a * math.sin(k * t + ph)
        cycle.append(s)
    return cycle


class Noise:
    """A 32-bit linear congruential generator: fixed and portable."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) / float(1 << 23) - 1.0


def lead_wave():
    # A hollow, reedy tone: strong odd harmonics, a little of the even ones.
    amps = [1.0, 0.18, 0.42, 0.10, 0.22, 0.06, 0.12, 0.03, 0.06, 0.02]
    return normalise(harmonic_cycle(64, amps), 118)


def bass_wave():
    # A round saw: the fundamental carries, the upper partials give it edge.
    amps = [1.0, 0.55, 0.30, 0.18, 0.10, 0.06, 0.03]
    return normalise(harmonic_cycle(64, amps), 120)


def chord_wave():
    # A soft organ-like tone for the arpeggios.
    amps = [1.0, 0.0, 0.35, 0.0, 0.15, 0.0, 0.05]
    return normalise(harmonic_cycle(64, amps), 110)


def kick():
    # A sine that falls from about 150 Hz to 48 Hz, played at 8363 Hz.
    rate = 8363.0
    frames = 1100
    out = []
    phase = 0.0
    for i in range(frames):
        t = i / rate
        freq = 48.0 + 105.0 * math.exp(-t / 0.025)
        phase += 2.0 * math.pi * freq / rate
        amp = math.exp(-t / 0.09)
        tail = min(1.0, (frames - i) / 150.0)  # reach silence before the end
        out.append(math.sin(phase) * amp * tail)
    return normalise(out, 124)


def snare():
    # A short tonal hit followed by a looped band of noise: the envelope
    # shapes the length, so the sample itself stays small.
    rate = 16726.0
    body = 320
    loop = 768
    noise = Noise(0x5EED1234)
    out = []
    low = 0.0
    for i in range(body + loop):
        t = i / rate
        n = noise.next()
        low += 0.35 * (n - low)          # soften the top end a little
        hiss = n - 0.5 * low
        tone = math.sin(2.0 * math.pi * 185.0 * t) * math.exp(-t / 0.02) if i < body else 0.0
        out.append(0.55 * hiss + 0.9 * tone)
    # Blend the loop's end into its start so the repeat does not tick.
    blend = 48
    for j in range(blend):
        w = j / blend
        a = out[body + loop - blend + j]
        b = out[body + j]
        out[body + loop - blend + j] = a * (1.0 - w) + b * w
    return normalise(out, 112), body, loop


def hat():
    # High-passed noise, looped; played two octaves up for its brightness.
    frames = 512
    noise = Noise(0x0BADCAFE)
    raw = [noise.next() for _ in range(frames)]
    out = [raw[i] - raw[i - 1] for i in range(frames)]  # first difference: high pass
    return normalise(out, 100)


# ------------------------------------------------------------ instruments

def instrument(name, data, *, loop=None, volume=64, panning=128, relative=0,
               envelope=(), sustain=None, fadeout=0, vibrato=(0, 0, 0, 0)):
    """One instrument with one 8-bit sample. loop = (start, length) in frames."""
    points = list(envelope)
    assert 2 <= len(points) <= 12
    env = b"".join(struct.pack("<HH", x, y) for x, y in points)
    env += b"\0" * (48 - len(env))
    env_type = 1 | (2 if sustain is not None else 0)
    vtype, vsweep, vdepth, vrate = vibrato
    header = struct.pack("<I22sBHI", 263, name.encode(), 0, 1, 40)
    header += bytes(96)                       # every note uses sample 0
    header += env + bytes(48)                 # volume envelope, no panning envelope
    header += struct.pack("<BBBBBBBBBBBBBBH", len(points), 0,
                          sustain or 0, 0, 0, 0, 0, 0,
                          env_type, 0, vtype, vsweep, vdepth, vrate, fadeout)
    header += bytes(263 - len(header))        # reserved
    assert len(header) == 263
    loop_start, loop_length = loop if loop else (0, 0)
    sample_type = 1 if loop else 0
    sample_header = struct.pack("<IIIBbBBbB22s", len(data), loop_start, loop_length,
                                volume, 0, sample_type, panning, relative, 0,
                                name.encode())
    return header + sample_header + to_bytes(data)


def instruments():
    snare_data, snare_body, snare_loop = snare()
    # The stereo image, by the sample pannings (0 is hard left, 255 hard
    # right): the lead and the chord stabs a little to the right, the snare
    # and the hat a little to the left, bass and kick in the middle.
    return [
        # 1 lead: a 64-frame cycle, an octave up so that C-4 sounds at 261 Hz.
        instrument("lead", lead_wave(), loop=(0, 64), volume=46, panning=150,
                   relative=12, envelope=[(0, 40), (2, 64), (8, 50), (24, 44)],
                   sustain=3, fadeout=900, vibrato=(0, 24, 3, 14)),
        # 2 bass
        instrument("bass", bass_wave(), loop=(0, 64), volume=56, panning=128,
                   relative=12, envelope=[(0, 64), (4, 50), (14, 38), (40, 32)],
                   sustain=3, fadeout=1400),
        # 3 kick
        instrument("kick", kick(), volume=64, panning=128,
                   envelope=[(0, 64), (30, 64)]),
        # 4 snare
        instrument("snare", snare_data, loop=(snare_body, snare_loop), volume=44,
                   panning=118, relative=12,
                   envelope=[(0, 64), (2, 44), (6, 14), (11, 0)]),
        # 5 hat
        instrument("hat", hat(), loop=(0, 512), volume=24, panning=100,
                   relative=24, envelope=[(0, 64), (1, 26), (3, 0)]),
        # 6 chord stabs
        instrument("chord", chord_wave(), loop=(0, 64), volume=30, panning=160,
                   relative=12, envelope=[(0, 64), (3, 42), (10, 18), (22, 0)]),
    ]


LEAD, BASS, KICK, SNARE, HAT, CHORD = 1, 2, 3, 4, 5, 6

# --------------------------------------------------------------- patterns

NAMES = {"C": 0, "C#": 1, "D": 2, "D#": 3, "E": 4, "F": 5, "F#": 6, "G": 7,
         "G#": 8, "A": 9, "A#": 10, "B": 11}
OFF = 97


def note(text):
    """'C-4' or 'F#5' to an XM note number (C-0 is 1)."""
    name = text[:2].rstrip("-")
    return 12 * int(text[2]) + NAMES[name] + 1


def empty_pattern():
    return [[None] * CHANNELS for _ in range(ROWS)]


def put(pattern, row, channel, n=None, ins=None, vol=None, eff=None, par=None):
    pattern[row][channel] = (n, ins, vol, eff, par)


def melody(pattern, phrase):
    """phrase: list of (row, note, rows held); a key-off follows a gap."""
    for i, (row, text, length) in enumerate(phrase):
        put(pattern, row, 0, note(text), LEAD)
        end = row + length
        following = phrase[i + 1][0] if i + 1 < len(phrase) else ROWS
        if end < following and end < ROWS:
            put(pattern, end, 0, OFF)


CHORDS = {  # root of the bass, arpeggio of the stabs (semitones above the root)
    "C": ("C-2", "C-4", 0x47),
    "Am": ("A-1", "A-3", 0x37),
    "F": ("F-1", "F-3", 0x47),
    "G": ("G-1", "G-3", 0x47),
    "Em": ("E-1", "E-4", 0x37),
    "Dm": ("D-1", "D-4", 0x37),
}


def backing(pattern, bars, *, drums=True, fill=False, stabs=True):
    """Bass, drums and chord stabs for four bars of sixteen rows."""
    for bar, chord in enumerate(bars):
        base = bar * 16
        root, stab, arp = CHORDS[chord]
        r = note(root)
        # Bass: root, octave, root, fifth, octave; an octave above the table's names.
        for row, step in ((0, 12), (3, 12), (6, 24), (8, 12), (11, 19), (14, 24)):
            put(pattern, base + row, 1, r + step, BASS)
        # Chord stabs on the off-beats, the arpeggio held through the next row.
        if stabs:
            for row in (2, 6, 10, 14):
                put(pattern, base + row, 3, note(stab), CHORD, None, 0, arp)
                put(pattern, base + row + 1, 3, None, None, None, 0, arp)
        if drums:
            last = fill and bar == len(bars) - 1
            for row in range(0, 16, 2):
                if row in (0, 8, 10) and not (last and row == 10):
                    put(pattern, base + row, 2, note("C-4"), KICK)
                elif row in (4, 12):
                    put(pattern, base + row, 2, note("C-4"), SNARE)
                else:
                    put(pattern, base + row, 2, note("C-4"), HAT)
            if last:  # a short snare run into the loop
                put(pattern, base + 10, 2, note("C-4"), SNARE, 0x10 + 36)
                put(pattern, base + 13, 2, note("C-4"), SNARE, 0x10 + 40)
                put(pattern, base + 14, 2, note("C-4"), SNARE, 0x10 + 50)
                put(pattern, base + 15, 2, note("C-4"), SNARE, 0x10 + 60)


def patterns():
    intro = empty_pattern()
    backing(intro, ["C", "Am", "F", "G"], drums=True)
    # The intro's last bar leaves the kick out to lift into the tune.
    for row in (48, 56, 58):
        intro[row][2] = (note("C-4"), HAT, None, None, None)

    verse = empty_pattern()
    backing(verse, ["C", "Am", "F", "G"])
    melody(verse, [
        (0, "E-5", 6), (6, "D-5", 2), (8, "E-5", 4), (12, "G-5", 4),
        (16, "A-5", 6), (22, "G-5", 2), (24, "E-5", 4), (28, "C-5", 4),
        (32, "F-5", 4), (36, "A-5", 4), (40, "C-6", 4), (44, "A-5", 4),
        (48, "B-5", 6), (54, "A-5", 2), (56, "G-5", 6),
    ])

    answer = empty_pattern()
    backing(answer, ["C", "Am", "F", "G"])
    melody(answer, [
        (0, "G-5", 4), (4, "E-5", 2), (6, "G-5", 2), (8, "C-6", 6), (14, "B-5", 2),
        (16, "C-6", 4), (20, "B-5", 2), (22, "A-5", 2), (24, "E-5", 8),
        (32, "F-5", 2), (34, "G-5", 2), (36, "A-5", 4), (40, "G-5", 4), (44, "F-5", 4),
        (48, "D-5", 4), (52, "E-5", 2), (54, "F-5", 2), (56, "D-5", 4), (60, "B-4", 4),
    ])

    bridge = empty_pattern()
    backing(bridge, ["F", "G", "Em", "Am"])
    melody(bridge, [
        (0, "A-5", 6), (6, "C-6", 2), (8, "A-5", 4), (12, "F-5", 4),
        (16, "G-5", 6), (22, "B-5", 2), (24, "D-6", 8),
        (32, "B-5", 4), (36, "G-5", 4), (40, "E-5", 4), (44, "G-5", 4),
        (48, "A-5", 6), (54, "G-5", 2), (56, "E-5", 4), (60, "C-5", 4),
    ])

    turn = empty_pattern()
    backing(turn, ["F", "G", "Am", "G"], fill=True)
    melody(turn, [
        (0, "A-5", 6), (6, "C-6", 2), (8, "A-5", 4), (12, "F-5", 4),
        (16, "G-5", 6), (22, "B-5", 2), (24, "D-6", 8),
        (32, "C-6", 4), (36, "B-5", 4), (40, "A-5", 4), (44, "E-5", 4),
        (48, "G-5", 8), (56, "D-5", 4), (60, "B-4", 2), (62, "D-5", 2),
    ])
    return [intro, verse, answer, bridge, turn]


ORDERS = [0, 1, 2, 3, 4]


def pack_pattern(pattern):
    data = bytearray()
    for row in pattern:
        for cell in row:
            if cell is None:
                data.append(0x80)
                continue
            fields = list(cell)
            if all(v is not None for v in fields):
                data += bytes(fields)
                continue
            mask = 0x80
            body = bytearray()
            for bit, value in enumerate(fields):
                if value is not None and (value != 0 or bit == 3 and fields[4]):
                    mask |= 1 << bit
                    body.append(value)
            data.append(mask)
            data += body
    return struct.pack("<IBHH", 9, 0, ROWS, len(data)) + bytes(data)


# ----------------------------------------------------------------- module

def module(speed=SPEED, bpm=BPM):
    pats = patterns()
    ins = instruments()
    header = b"Extended Module: "
    header += b"melvane theme".ljust(20, b" ")
    header += b"\x1a" + b"make_song.py".ljust(20, b" ")
    header += struct.pack("<H", 0x0104)
    orders = bytes(ORDERS).ljust(256, b"\0")
    header += struct.pack("<IHHHHHHHH", 276, len(ORDERS), RESTART, CHANNELS,
                          len(pats), len(ins), 0, speed, bpm) + orders
    assert len(header) == 60 + 276
    return header + b"".join(pack_pattern(p) for p in pats) + b"".join(ins)


def arguments():
    parser = argparse.ArgumentParser(
        description="Writes melvane's built-in song (an XM module) to OUTPUT.",
        epilog="The committed song is music/song-image/builtin_song.xm; replacing it "
               "takes --force. The tests write other speeds and tempos to tell modules apart.")
    parser.add_argument("output", metavar="OUTPUT.xm", help="the module file to write")
    parser.add_argument("--speed", type=int, default=SPEED, metavar="N",
                        help=f"ticks per row, 1..31 (default {SPEED})")
    parser.add_argument("--bpm", type=int, default=BPM, metavar="N",
                        help=f"tempo, 32..255 (default {BPM})")
    parser.add_argument("--force", action="store_true", help="replace the committed song")
    args = parser.parse_args()
    if not 1 <= args.speed <= 31:
        parser.error(f"--speed must be 1..31, not {args.speed}")
    if not 32 <= args.bpm <= 255:
        parser.error(f"--bpm must be 32..255, not {args.bpm}")
    committed = os.path.join(os.path.dirname(os.path.abspath(__file__)), "builtin_song.xm")
    if os.path.abspath(args.output) == committed and not args.force:
        parser.error(f"{args.output} is the committed song; add --force to replace it")
    return args


def main():
    args = arguments()
    image = module(args.speed, args.bpm)
    try:
        with open(args.output, "wb") as f:
            f.write(image)
    except OSError as e:
        sys.exit(f"make_song.py: cannot write {args.output}: {e.strerror}")
    print(f"{args.output}: {len(image)} bytes")


if __name__ == "__main__":
    main()
