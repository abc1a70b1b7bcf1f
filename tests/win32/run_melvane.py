#!/usr/bin/python3
"""Runs the shipped 32-bit melvane.dll in the emulated machine as a host would.

For each case: load the library, set the host's floating-point environment,
call _play_song@0 with ESP at the case's alignment, let the feeder thread
keep the modelled device fed for a while, call _stop_playing@0, free the
library and let every thread end. What the device played must equal the
native renderer's output, and nothing may be left behind.

usage: run_melvane.py DLL MELVANE_RENDER SONG.xm CASE...
"""
import os
import struct
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_machine import Fault, Machine, report  # noqa: E402

BLOCK_FRAMES, RING_BLOCKS = 884, 100
RING_FRAMES = BLOCK_FRAMES * RING_BLOCKS
RING_BYTES = RING_FRAMES * 4
PLAY_US = 2600000        # the device plays past the ring's end: the feeder's blocks are heard
WHDR_PREPARED, WHDR_BEGINLOOP, WHDR_ENDLOOP, WHDR_INQUEUE = 0x2, 0x4, 0x8, 0x10
WAVERR_STILLPLAYING, WAVERR_UNPREPARED = 33, 34
TIME_SAMPLES, TIME_BYTES = 2, 4

# name: (processor, ESP mod 16 at the calls, x87 control word, MXCSR, timer tick in us, device answers in samples)
CASES = {
    "esp0": ("p4", 0, 0x27F, 0x1F80, 1000, False),
    "esp4": ("p4", 4, 0x27F, 0x1F80, 1000, False),
    "esp8": ("p4", 8, 0x27F, 0x1F80, 1000, False),
    "esp12": ("p4", 12, 0x27F, 0x1F80, 1000, False),
    "coarse_timer": ("p4", 12, 0x27F, 0x1F80, 15625, False),
    "samples": ("p4", 12, 0x27F, 0x1F80, 1000, True),
    "truncating_x87": ("p4", 12, 0xC7F, 0x1F80, 1000, False),
    "truncating_sse": ("p4", 12, 0x27F, 0x7F80, 1000, False),
    "no_sse": ("p2", 4, 0x27F, 0x1F80, 15625, False),
    "no_sse_truncating": ("p2", 8, 0xC7F, 0x1F80, 1000, False),
}


class Device:
    """The wave mapper: plays one looping header at 44100 frames a second of the virtual clock."""

    def __init__(self, m, in_samples):
        self.m, self.in_samples = m, in_samples
        self.handle, self.open, self.header, self.start = None, False, None, None
        self.events, self.heard, self.faults, self.overwrites = [], bytearray(), [], []
        self.ring_at_write = None
        self.watched = None       # (block, its bytes) while the device plays it

    def frames(self, now):
        return (now - self.start) * 44100 // 1000000

    def ring(self, first, count):
        """count bytes of the playing ring from byte first on, wrapping at its end."""
        data, length = struct.unpack("<II", self.m.read(self.header, 8))
        first %= length
        head = self.m.read(data + first, min(count, length - first))
        return head + (self.m.read(data, count - len(head)) if count > len(head) else b"")

    def advance(self, old, new):
        """The clock moves: the device plays the frames in between as the ring holds them now."""
        if self.start is None:
            return
        block_bytes = BLOCK_FRAMES * 4
        if self.watched and self.ring(self.watched[0] * block_bytes, block_bytes) != self.watched[1]:
            self.overwrites.append(f"block {self.watched[0]} at {old / 1000:.3f} ms")
        first, last = self.frames(old), self.frames(new)
        self.heard += self.ring(first * 4, (last - first) * 4)
        block = last % RING_FRAMES // BLOCK_FRAMES
        self.watched = (block, self.ring(block * block_bytes, block_bytes))

    def flags(self, header, set_=0, clear=0):
        value = (self.m.u32(header + 16) | set_) & ~clear
        self.m.put_u32(header + 16, value)
        return value


def install_winmm(m, in_samples):
    """The modelled device, played as the clock moves, and the winmm stubs over it."""
    winmm = "winmm.dll"
    device = Device(m, in_samples)
    m.on_advance.append(device.advance)

    @m.api(winmm, 6)
    def waveOutOpen(handle_out, device_id, format_, callback, instance, flags):
        tag, channels, rate, per_second, align, bits = struct.unpack("<HHIIHH", m.read(format_, 16))
        if (device_id, flags, tag, channels, rate, per_second, align, bits) != (
                0xFFFFFFFF, 0, 1, 2, 44100, 176400, 4, 16):
            device.faults.append(f"waveOutOpen({device_id:#x}, flags {flags:#x}) with format "
                                 f"{(tag, channels, rate, per_second, align, bits)}")
        device.open = True
        device.handle = m.handle("wave device")
        m.put_u32(handle_out, device.handle)
        device.events.append("open")
        return 0

    def check(handle, name):
        if handle != device.handle or not device.open:
            device.faults.append(f"{name} on {handle:#x}, which is not the open device")

    @m.api(winmm, 3)
    def waveOutPrepareHeader(handle, header, size):
        check(handle, "waveOutPrepareHeader")
        device.flags(header, set_=WHDR_PREPARED)
        device.events.append("prepare")
        return 0

    @m.api(winmm, 3)
    def waveOutWrite(handle, header, size):
        check(handle, "waveOutWrite")
        flags = device.flags(header)
        if not flags & WHDR_PREPARED:
            return WAVERR_UNPREPARED
        loops = m.u32(header + 20)
        if flags & (WHDR_BEGINLOOP | WHDR_ENDLOOP) != WHDR_BEGINLOOP | WHDR_ENDLOOP or loops != 0xFFFFFFFF:
            device.faults.append(f"the ring's header does not loop for ever (flags {flags:#x}, loops {loops:#x})")
        device.flags(header, set_=WHDR_INQUEUE)
        device.header, device.start = header, m.now
        device.ring_at_write = device.ring(0, m.u32(header + 4))
        device.events.append("write")
        return 0

    @m.api(winmm, 3)
    def waveOutGetPosition(handle, time, size):
        check(handle, "waveOutGetPosition")
        frames = device.frames(m.now) if device.start is not None else 0
        wanted = m.u32(time)
        if device.in_samples or wanted == TIME_SAMPLES:
            m.write(time, struct.pack("<II", TIME_SAMPLES, frames & 0xFFFFFFFF))
        else:
            m.write(time, struct.pack("<II", TIME_BYTES, frames * 4 & 0xFFFFFFFF))
        return 0

    @m.api(winmm, 1)
    def waveOutReset(handle):
        check(handle, "waveOutReset")
        if device.header is not None:
            device.flags(device.header, clear=WHDR_INQUEUE, set_=1)
        device.start = None
        device.events.append("reset")
        return 0

    @m.api(winmm, 3)
    def waveOutUnprepareHeader(handle, header, size):
        check(handle, "waveOutUnprepareHeader")
        if device.flags(header) & WHDR_INQUEUE:
            return WAVERR_STILLPLAYING
        device.flags(header, clear=WHDR_PREPARED)
        device.events.append("unprepare")
        return 0

    @m.api(winmm, 1)
    def waveOutClose(handle):
        check(handle, "waveOutClose")
        if device.start is not None:
            return WAVERR_STILLPLAYING
        device.open = False
        device.events.append("close")
        return 0

    return device


def reference(render, song, frames, folder):
    out = os.path.join(folder, "render.raw")
    subprocess.run([render, "--frames", str(frames), song, out], check=True)
    with open(out, "rb") as f:
        return f.read()


def run_case(dll_path, expected, name):
    """Returns the case's failures."""
    cpu, esp, fpcw, mxcsr, tick, in_samples = CASES[name]
    m = Machine(32, cpu)
    m.tick_us, m.thread_align = tick, esp
    device = install_winmm(m, in_samples)
    try:
        dll = m.load_library(dll_path)
        m.set_fp_environment(fpcw, mxcsr)
        play_and_stop(m, device, dll, expected, esp)
        m.host(m.release(dll))
        m.run(lambda: all(t.state != "waiting" for t in m.threads), until=m.now + 1000000)
        if any(t.state == "waiting" for t in m.threads):
            device.faults.append("a thread still runs a second after the library was freed")
        if dll.loaded:
            device.faults.append(f"the library is still loaded ({dll.refs} references) after every thread ended")
    except Fault as fault:
        device.faults.append(f"fault: {fault}")
    return device.faults + m.instruction_faults()


def play_and_stop(m, device, dll, expected, esp):
    failures = device.faults
    environment = m.fp_environment()

    def call(export):
        result = m.call(dll.exports[export], align=esp)
        after = m.fp_environment()
        if after != environment:
            failures.append(f"{export} left the caller's control word and MXCSR at {after[0]:#x}, {after[1]:#x}")
        return result

    if not call("_play_song@0"):
        raise Fault("_play_song@0 returned 0")
    if device.ring_at_write != expected[:RING_BYTES]:
        failures.append("the ring handed to waveOutWrite differs from the render " + first_difference(
            device.ring_at_write or b"", expected))
    if len(m.created_threads) != 1:
        failures.append(f"{len(m.created_threads)} threads created, expected the one feeder")
    m.run_for(PLAY_US)
    heard = bytes(device.heard)
    if heard != expected[:len(heard)]:
        failures.append("the device played other samples than the render " + first_difference(heard, expected))
    if device.overwrites:
        failures.append(f"{len(device.overwrites)} blocks rewritten while the device played them, first "
                        + device.overwrites[0])
    if not call("_stop_playing@0"):
        failures.append("_stop_playing@0 returned 0")
    if device.events[-3:] != ["reset", "unprepare", "close"]:
        failures.append(f"the device was left {device.events[-3:]}, expected reset, unprepare, close")
    if m.live_blocks("local"):
        failures.append(f"{len(m.live_blocks('local'))} LocalAlloc blocks not freed")


def first_difference(actual, expected):
    for i in range(0, min(len(actual), len(expected)), 4):
        if actual[i:i + 4] != expected[i:i + 4]:
            return f"from frame {i // 4} (block {i // 4 // BLOCK_FRAMES % RING_BLOCKS})"
    return f"in length ({len(actual)} bytes against {len(expected)})"


def main():
    dll_path, render, song, *cases = sys.argv[1:]
    if not os.access(render, os.X_OK):
        print(f"no native melvane-render at {render}: build the native configuration first")
        return 77
    with tempfile.TemporaryDirectory() as folder:
        expected = reference(render, song, PLAY_US * 44100 // 1000000 + RING_FRAMES, folder)
    status = 0
    for name in cases:
        status |= report(name, run_case(dll_path, expected, name))
    return status


if __name__ == "__main__":
    sys.exit(main())
