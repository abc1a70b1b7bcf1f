#!/usr/bin/python3
"""Runs the 32-bit MSVC-ABI host with the shipped 32-bit melvane.dll in the
CPU emulator of the win32 tests, as neither can run on this machine.

The host's imports from melvane.dll, named through melvane.lib, are bound to
the library's exports; the capture file it polls grows with what the modelled
device has played. The host must exit 0 (stop while idle 0, play and stop
nonzero) and the device must have played exactly the native render.

usage: emulated_msvc_host.py HOST.exe DLL MELVANE_RENDER SONG.xm
"""
import os
import struct
import sys
import tempfile

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "win32"))
from pe_machine import Exit, Fault, Machine, report  # noqa: E402
from run_melvane import first_difference, install_winmm, reference  # noqa: E402

K32 = "kernel32.dll"
CAPTURE = b"capture.raw"
SECOND_BYTES = 176400
HOST_WANTS = 5 * SECOND_BYTES  # what the host waits for before it stops


def install_host_stubs(m, device):
    """The kernel32 routines the host declares itself, over the modelled device."""
    command_line = m.alloc(64, "static")
    m.write(command_line, b"melvane_msvc_host.exe " + CAPTURE + b"\0")
    m.api(K32, 0, name="GetCommandLineA")(lambda: command_line)
    m.api(K32, 1, name="ExitProcess")(lambda code: Exit(code, process=True))

    @m.api(K32, 3)
    def GetFileAttributesExA(path, level, data):
        if m.cstring(path) != CAPTURE:
            return 0
        # Attributes and three times, then the size's high and low words.
        m.write(data, bytes(28) + struct.pack("<II", 0, len(device.heard)))
        return 1


def run(host, dll_path, expected):
    m = Machine(32)
    device = install_winmm(m, False)
    install_host_stubs(m, device)
    failures = device.faults
    try:
        dll = m.load_library(dll_path)
        for name, address in dll.exports.items():
            m.data_imports[("melvane.dll", name)] = address
        status = m.run_program(host)
    except Fault as fault:
        return failures + [f"fault: {fault}"]
    heard = bytes(device.heard)
    if status != 0:
        failures.append(f"the host exited with status {status}")
    if len(heard) < HOST_WANTS:
        failures.append(f"the device played {len(heard)} bytes, fewer than the host waits for")
    if heard != expected[:len(heard)]:
        failures.append("the device played other samples than the render " + first_difference(heard, expected))
    return failures + m.instruction_faults()


def main():
    host, dll_path, render, song = sys.argv[1:5]
    if not os.access(render, os.X_OK):
        print(f"no native melvane-render at {render}: build the native configuration first")
        return 77
    with tempfile.TemporaryDirectory() as folder:
        expected = reference(render, song, 2 * HOST_WANTS // 4, folder)  # twice what the host waits for
    return report("msvc_host", run(host, dll_path, expected), ": played the render, exit status 0")


if __name__ == "__main__":
    sys.exit(main())
