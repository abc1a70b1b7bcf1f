#!/usr/bin/python3
"""Runs Orvo.exe in the emulated machine through a script of window messages.

The 32-bit file runs on the modelled processor without SSE, the 64-bit build
on one with SSE2; each run records the drawing and window calls with handles
numbered by first appearance. Both runs must end with status 0, execute no
SSE instruction (32-bit), leave no GDI object behind and record the same calls.

usage: run_orvo.py ORVO32.EXE ORVO64.EXE
"""
import itertools
import os
import re
import struct
import sys
from collections import deque

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_machine import Call, Fault, Machine, report  # noqa: E402

WM_CREATE, WM_DESTROY, WM_PAINT, WM_CLOSE, WM_QUIT, WM_ERASEBKGND = 0x1, 0x2, 0xF, 0x10, 0x12, 0x14
WM_NCCREATE, WM_KEYDOWN, WM_SYSKEYDOWN, WM_COMMAND, WM_SYSCOMMAND = 0x81, 0x100, 0x104, 0x111, 0x112
WM_LBUTTONDOWN, WM_LBUTTONUP, SC_CLOSE = 0x201, 0x202, 0xF060
WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE = 0x200, 0x20E, 0x1
IDC_ARROW, IDC_WAIT = 32512, 32514
RT_MENU, RT_ACCELERATOR, RT_GROUP_ICON = 4, 9, 14
FVIRTKEY, FSHIFT, FCONTROL, FALT = 0x1, 0x4, 0x8, 0x10


def window_geometry():
    """The window's pixel constants, read from the game's own geometry header."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'game', 'window', 'geometry.h')
    with open(path, encoding='utf-8') as header:
        return {m.group(1): int(m.group(2))
                for m in re.finditer(r'const int (\w+) = (-?\d+);', header.read())}


GEOMETRY = window_geometry()
ORIGIN, STEP = GEOMETRY['GRID_ORIGIN'], GEOMETRY['GRID_STEP']


def node(column, row, dx=0, dy=0):
    """A click on a node's grid crossing, moved by (dx, dy) inside its square."""
    return ("click", ORIGIN + STEP * column + dx, ORIGIN + STEP * row + dy)


# Red captures a blue mark, then rings an empty node; refused clicks; every
# menu command; keys through the accelerator table; a short game against the
# computer at the easy level, with a move taken back by Ctrl+Z and one by the
# menu; close by the system menu.
SCRIPT = [node(5, 4), node(5, 5, 3, 3), node(6, 5, -4, -4), node(1, 1), node(5, 6), node(2, 2),
          node(4, 5), node(10, 4), node(20, 15), node(11, 5), node(20, 16), node(10, 6), node(20, 17),
          node(9, 5), node(5, 4), ("click", 35, 35), ("click", 391, 298), node(24, 18, 1, 1),
          ("command", 258), ("command", 262), ("command", 263), ("command", 257), ("command", 261),
          ("command", 1022), ("key", ord("N"), FCONTROL), ("key", ord("P"), FCONTROL),
          ("command", 1023), ("key", 0x70, 0), ("command", 256),
          ("command", 271), ("command", 270), node(12, 9), node(11, 9), node(12, 8), node(13, 10),
          ("key", ord("Z"), FCONTROL), node(10, 10), ("command", 274), ("command", 273), ("command", 272),
          ("command", 270), node(5, 5), ("command", 274), ("close",)]
# The computer's moves in SCRIPT: one after each red move while it plays, none
# after a take-back (red is to move again).
COMPUTER_MOVES = 5
# GetMessage fails (as for a destroyed queue) right after a message whose
# wParam is not 0: the program must still end with status 0.
FAILING_SCRIPT = [node(3, 3), ("command", 257), ("fail",)]


FORMAT_SPEC = re.compile(rb"%(-?)(0?)(\d*)l?([diuxXcs%])")


def wsprintf(m, fmt, args):
    """wsprintf's conversions (%d %i %u %x %X %c %s, with '-', '0' and a width); args is an iterator."""
    def convert(match):
        left, zero, width, kind = match.groups()
        if kind == b"%":
            return b"%"
        value = next(args)
        if kind == b"s":
            text = m.cstring(value)
        elif kind == b"c":
            text = bytes([value & 0xFF])
        else:
            value = signed(value) if kind in b"di" else value & 0xFFFFFFFF
            text = (b"%x" if kind == b"x" else b"%X" if kind == b"X" else b"%d") % value
        width = int(width or 0)
        return text.ljust(width) if left else text.rjust(width, b"0" if zero and kind not in b"cs" else b" ")
    return FORMAT_SPEC.sub(convert, fmt)


class Window:
    def __init__(self, cls, proc, parent, rect, menu):
        self.cls, self.proc, self.parent, self.rect, self.menu = cls, proc, parent, rect, menu
        self.invalid = self.erase = self.destroyed = False


def signed(value):
    value &= 0xFFFFFFFF
    return value - (1 << 32) if value >> 31 else value


class Desktop:
    """USER32 and GDI32 for one program: windows, a scripted message queue and device contexts."""

    def __init__(self, m, script):
        self.m, self.script = m, deque(script)
        self.trace, self.ids, self.faults = [], {}, []
        self.classes, self.windows, self.menus, self.accelerators = {}, {}, {}, {}
        self.objects, self.dcs, self.queue = {}, {}, deque()
        self.cursor = 0
        self.stock_pen = m.handle(("pen", "stock"))
        self.stock_brush = m.handle(("brush", "stock"))
        self.kept = {self.stock_pen, self.stock_brush}  # objects the program need not delete
        self.install()

    def record(self, name, *args):
        """One traced call; ('h', value) arguments are handles, numbered by first appearance."""
        shown = []
        for arg in args:
            if isinstance(arg, tuple):
                shown.append(self.ids.setdefault(arg[1], f"#{len(self.ids) + 1}") if arg[1] else "NULL")
            else:
                shown.append(repr(arg))
        self.trace.append(f"{name}({', '.join(shown)})")

    def resource(self, kind, name):
        module = self.m.exe
        wanted = name if name < 0x10000 else self.m.cstring(name).decode()
        for group in module.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if group.id != kind:
                continue
            for entry in group.directory.entries:
                if (str(entry.name) if entry.name else entry.id) == wanted:
                    data = entry.directory.entries[0].data.struct
                    return self.m.read(module.base + data.OffsetToData, data.Size)
        return None

    def next_message(self):
        if self.queue:
            return self.queue.popleft()
        for handle, window in self.windows.items():
            if window.invalid and window.proc and not window.destroyed:
                return (handle, WM_PAINT, 0, 0)
        if not self.script:
            raise Fault("the program waits for input after the script has ended")
        event = self.script.popleft()
        main = next(h for h, w in self.windows.items() if w.parent == 0 and not w.destroyed)
        if event[0] == "click":
            self.queue.append((main, WM_LBUTTONUP, 0, event[2] << 16 | event[1]))
            return (main, WM_LBUTTONDOWN, 1, event[2] << 16 | event[1])
        if event[0] == "command":
            return (main, WM_COMMAND, event[1], 0)
        if event[0] == "key":
            self.modifiers = event[2]
            return (main, WM_SYSKEYDOWN if event[2] & FALT else WM_KEYDOWN, event[1], 1)
        if event[0] == "close":
            return (main, WM_SYSCOMMAND, SC_CLOSE, 0)
        return None  # "fail"

    def delete_object(self, handle):
        kind = self.objects.get(handle)
        if kind is None:
            self.faults.append(f"DeleteObject of {handle:#x}, which is no live object")
            return 0
        if any(handle in (dc["pen"], dc["brush"]) for dc in self.dcs.values()):
            self.faults.append(f"DeleteObject of a {kind[0]} still selected into a device context")
            return 0
        del self.objects[handle]
        return 1

    def install(self):
        m, user, gdi = self.m, "user32.dll", "gdi32.dll"
        words = m.ptr

        @m.api(user, 1)
        def RegisterClassA(wc):
            layout = "<IIiiIIIIII" if words == 4 else "<IxxxxQiiQQQQQQ"
            fields = struct.unpack(layout, m.read(wc, struct.calcsize(layout)))
            style, proc, _, _, _, icon, cursor, brush, _, name = fields
            self.classes[m.cstring(name).decode().lower()] = proc
            self.kept.add(brush)  # the class owns its background brush
            self.record("RegisterClassA", style, ("h", icon), ("h", cursor), ("h", brush), m.cstring(name))
            return 0xC000 + len(self.classes)

        def load(kind, what):
            def loader(instance, name):
                found = self.resource(kind, name) if instance else (name in (IDC_ARROW, IDC_WAIT) or None)
                handle = m.handle((what, found)) if found else 0
                if what == "menu" and handle:
                    self.menus[handle] = True
                if what == "accelerators" and handle:
                    self.accelerators[handle] = [struct.unpack("<HHHH", found[i:i + 8])
                                                 for i in range(0, len(found), 8)]
                self.record("Load" + what.capitalize(), ("h", instance), ("h", handle))
                return handle
            return loader
        for name, kind, what in (("LoadIconA", RT_GROUP_ICON, "icon"), ("LoadCursorA", None, "cursor"),
                                 ("LoadMenuA", RT_MENU, "menu"), ("LoadAcceleratorsA", RT_ACCELERATOR,
                                                                  "accelerators")):
            m._define(user, name, 2, load(kind, what), False)

        @m.api(user, 12)
        def CreateWindowExA(ex_style, cls, title, style, x, y, width, height, parent, menu, instance, param):
            name = m.cstring(cls).decode().lower()
            x, y, width, height = (signed(v) for v in (x, y, width, height))
            if x == -0x80000000:
                x, y = 100, 80
            if width == -0x80000000:
                width, height = 500, 400
            window = Window(name, self.classes.get(name), parent, [x, y, x + width, y + height], menu)
            handle = m.handle(window)
            self.windows[handle] = window
            self.record("CreateWindowExA", ex_style & 0xFFFFFFFF, m.cstring(cls), m.cstring(title),
                        style & 0xFFFFFFFF, x, y, width, height, ("h", parent), ("h", menu) if not parent
                        else menu & 0xFFFF, ("h", handle))
            if window.proc:
                size = 12 * 4 if words == 4 else 80
                create = m.alloc(size, "user")
                if words == 4:
                    m.write(create, struct.pack("<IIIIiiiiiIII", param, instance, menu, parent, height, width, y,
                                                x, style, title, cls, ex_style))
                else:
                    m.write(create, struct.pack("<QQQQiiiiixxxxQQIxxxx", param, instance, menu, parent, height,
                                                width, y, x, signed(style), title, cls, ex_style & 0xFFFFFFFF))
                if not (yield Call(window.proc, handle, WM_NCCREATE, 0, create)):
                    return 0
                if signed((yield Call(window.proc, handle, WM_CREATE, 0, create))) == -1:
                    return 0
            return handle

        @m.api(user, 2)
        def GetWindowRect(handle, rect):
            m.write(rect, struct.pack("<iiii", *self.windows[handle].rect))
            return 1

        @m.api(user, 6)
        def MoveWindow(handle, x, y, width, height, repaint):
            x, y, width, height = (signed(v) for v in (x, y, width, height))
            self.windows[handle].rect = [x, y, x + width, y + height]
            self.record("MoveWindow", ("h", handle), x, y, width, height, repaint & 1)
            if repaint & 1:
                self.windows[handle].invalid = True
            return 1

        @m.api(user, 2)
        def ShowWindow(handle, command):
            window = self.windows[handle]
            self.record("ShowWindow", ("h", handle), command & 0xFFFFFFFF)
            window.invalid = window.erase = True
            return 0

        @m.api(user, 1)
        def UpdateWindow(handle):
            window = self.windows[handle]
            self.record("UpdateWindow", ("h", handle))
            if window.invalid and window.proc:
                yield Call(window.proc, handle, WM_PAINT, 0, 0)
            window.invalid = window.invalid and bool(window.proc)
            return 1

        @m.api(user, 3)
        def InvalidateRect(handle, rect, erase):
            area = list(struct.unpack("<iiii", m.read(rect, 16))) if rect else None
            self.record("InvalidateRect", ("h", handle), area, erase & 1)
            self.windows[handle].invalid = True
            self.windows[handle].erase |= bool(erase & 1)
            return 1

        @m.api(user, 2)
        def BeginPaint(handle, paint):
            window = self.windows[handle]
            dc = m.handle("dc")
            self.dcs[dc] = {"pen": self.stock_pen, "brush": self.stock_brush, "text": 0}
            self.record("BeginPaint", ("h", handle), ("h", dc), window.erase)
            if window.erase:
                yield Call(window.proc, handle, WM_ERASEBKGND, dc, 0)
            rect = (0, 0, window.rect[2] - window.rect[0], window.rect[3] - window.rect[1])
            m.write(paint, struct.pack("<I" if words == 4 else "<Q", dc) + struct.pack("<I4i", window.erase, *rect))
            window.invalid = window.erase = False
            return dc

        @m.api(user, 2)
        def EndPaint(handle, paint):
            dc = m.uptr(paint)
            self.record("EndPaint", ("h", handle), ("h", dc))
            self.dcs.pop(dc, None)
            return 1

        @m.api(user, 4)
        def MessageBoxA(owner, text, caption, kind):
            self.record("MessageBoxA", ("h", owner), m.cstring(text), m.cstring(caption), kind & 0xFFFFFFFF)
            return 1  # IDOK

        @m.api(user, 1)
        def DestroyWindow(handle):
            window = self.windows.get(handle)
            if not window or window.destroyed:
                return 0
            self.record("DestroyWindow", ("h", handle))
            if window.proc:
                yield Call(window.proc, handle, WM_DESTROY, 0, 0)
            window.destroyed = True
            for child in self.windows.values():
                child.destroyed |= child.parent == handle
            if window.menu in self.menus:
                del self.menus[window.menu]
            return 1

        @m.api(user, 1)
        def PostQuitMessage(code):
            self.record("PostQuitMessage", code)
            self.queue.append((0, WM_QUIT, code, 0))

        @m.api(user, 4)
        def DefWindowProcA(handle, message, wparam, lparam):
            message &= 0xFFFFFFFF
            if message == WM_NCCREATE or message == WM_ERASEBKGND:
                return 1
            if message == WM_SYSCOMMAND and wparam & 0xFFF0 == SC_CLOSE:
                yield Call(self.windows[handle].proc, handle, WM_CLOSE, 0, 0)
            elif message == WM_CLOSE:
                yield Call(m.stub_address(user, "DestroyWindow"), handle)
            return 0

        m._define(user, "IsMenu", 1, lambda menu: int(menu in self.menus), False)

        @m.api(user, 3)
        def CheckMenuItem(menu, item, flags):
            self.record("CheckMenuItem", ("h", menu), item, flags & 0xFFFFFFFF)
            return 0

        @m.api(user, 5)
        def CheckMenuRadioItem(menu, first, last, item, flags):
            self.record("CheckMenuRadioItem", ("h", menu), first, last, item, flags & 0xFFFFFFFF)
            return 1

        @m.api(user, 1)
        def SetCursor(cursor):
            self.record("SetCursor", ("h", cursor))
            old, self.cursor = self.cursor, cursor
            return old

        @m.api(user, 5)
        def PeekMessageA(message, window, first, last, remove):
            """Only the removal of the mouse messages that came while the program was busy."""
            self.record("PeekMessageA", ("h", window), first, last, remove)
            if remove != PM_REMOVE or (first, last) != (WM_MOUSEFIRST, WM_MOUSELAST):
                self.faults.append(f"PeekMessageA({first:#x}, {last:#x}, {remove}) is not modelled")
                return 0
            for event in self.queue:
                if event[0] == window and first <= event[1] <= last:
                    self.queue.remove(event)
                    layout = "<IIII" if words == 4 else "<QIxxxxQQ"
                    m.write(message, struct.pack(layout, *event))
                    return 1
            return 0

        m._define("kernel32.dll", "GetTickCount", 0, lambda: (m.now // 1000) & 0xFFFFFFFF, False)

        @m.api(user, 1)
        def DestroyMenu(menu):
            self.record("DestroyMenu", ("h", menu))
            return int(self.menus.pop(menu, None) is not None)

        @m.api(user, 4)
        def GetMessageA(message, window, first, last):
            event = self.next_message()
            if event is None:
                return 0xFFFFFFFF  # -1: failure, the message is left as it was
            handle, code, wparam, lparam = event
            layout = "<IIIIIii" if words == 4 else "<QIxxxxQQIii4x"
            m.write(message, struct.pack(layout, handle, code, wparam, lparam, m.now // 1000, 0, 0))
            return int(code != WM_QUIT)

        def read_message(message):
            layout = "<IIII" if words == 4 else "<QIxxxxQQ"
            return struct.unpack(layout, m.read(message, struct.calcsize(layout)))

        @m.api(user, 3)
        def TranslateAcceleratorA(window, table, message):
            handle, code, wparam, _ = read_message(message)
            if code not in (WM_KEYDOWN, WM_SYSKEYDOWN) or table not in self.accelerators:
                return 0
            for flags, key, command, _ in self.accelerators[table]:
                if flags & FVIRTKEY and key == wparam and flags & (FSHIFT | FCONTROL | FALT) == self.modifiers:
                    yield Call(self.windows[window].proc, window, WM_COMMAND, 0x10000 | command, 0)
                    return 1
            return 0

        m._define(user, "TranslateMessage", 1, lambda message: 0, False)

        @m.api(user, 1)
        def DispatchMessageA(message):
            handle, code, wparam, lparam = read_message(message)
            window = self.windows.get(handle)
            if not window or not window.proc:
                return 0
            return (yield Call(window.proc, handle, code, wparam, lparam))

        @m.api(user, 2, cdecl=True)
        def wsprintfA(buffer, fmt):
            text = wsprintf(m, m.cstring(fmt), (m.arg(i) for i in itertools.count(2)))
            m.write(buffer, text + b"\0")
            return len(text)

        # GDI32: device contexts hold a pen, a brush and a text colour.
        def create(kind, *args):
            handle = m.handle((kind,) + args)
            self.objects[handle] = (kind,) + args
            self.record("Create" + ("Pen" if kind == "pen" else "SolidBrush"), *args, ("h", handle))
            return handle

        m._define(gdi, "CreatePen", 3, lambda style, width, colour: create("pen", style, width, colour), False)
        m._define(gdi, "CreateSolidBrush", 1, lambda colour: create("brush", colour), False)

        @m.api(gdi, 2)
        def SelectObject(dc, handle):
            kind = (self.objects.get(handle) or m.handles.get(handle) or ("?",))[0]
            self.record("SelectObject", ("h", dc), ("h", handle))
            if dc not in self.dcs or kind not in ("pen", "brush"):
                self.faults.append(f"SelectObject({dc:#x}, {handle:#x}) on no live DC or object")
                return 0
            old, self.dcs[dc][kind] = self.dcs[dc][kind], handle
            return old

        @m.api(gdi, 1)
        def DeleteObject(handle):
            self.record("DeleteObject", ("h", handle))
            return self.delete_object(handle)

        @m.api(gdi, 2)
        def SetTextColor(dc, colour):
            self.record("SetTextColor", ("h", dc), colour & 0xFFFFFFFF)
            old, self.dcs[dc]["text"] = self.dcs[dc]["text"], colour & 0xFFFFFFFF
            return old

        @m.api(gdi, 4)
        def MoveToEx(dc, x, y, previous):
            self.record("MoveToEx", ("h", dc), signed(x), signed(y), bool(previous))
            return 1

        @m.api(gdi, 5)
        def TextOutA(dc, x, y, text, length):
            self.record("TextOutA", ("h", dc), signed(x), signed(y), m.read(text, signed(length)))
            return 1

        def draw(name, nargs):
            m._define(gdi, name, nargs, lambda dc, *xy: self.record(name, ("h", dc), *map(signed, xy)) or 1, False)
        draw("LineTo", 3)
        draw("Rectangle", 5)
        draw("Ellipse", 5)


def run(path, bits, cpu, script):
    m = Machine(bits, cpu)
    desktop = Desktop(m, script)
    status = m.run_program(path)
    failures = list(desktop.faults)
    if status != 0:
        failures.append(f"exit status {status}")
    leaked = [kind for handle, kind in desktop.objects.items() if handle not in desktop.kept]
    if leaked:
        failures.append(f"{len(leaked)} GDI objects never deleted, e.g. {leaked[0]}")
    return desktop.trace, failures + m.instruction_faults()


def main():
    exe32, exe64 = sys.argv[1:3]
    status, traces = 0, {}
    for name, path, bits, cpu, script in (("32-bit", exe32, 32, "p2", SCRIPT), ("64-bit", exe64, 64, "p4", SCRIPT),
                                          ("32-bit, GetMessage fails", exe32, 32, "p2", FAILING_SCRIPT)):
        if not os.path.exists(path):
            print(f"no build at {path}: the {name} run is skipped")
            continue
        try:
            traces[name], failures = run(path, bits, cpu, script)
        except Fault as fault:
            failures = [f"fault: {fault}"]
        status |= report(name, failures)
    a, b = traces.get("32-bit"), traces.get("64-bit")
    if a is None or b is None:
        return status or 77
    differences = [f"call {i}: 32-bit {x}, 64-bit {y}" for i, (x, y) in enumerate(itertools.zip_longest(a, b))
                   if x != y]
    paints = sum(entry.startswith("BeginPaint") for entry in a)
    status |= report("drawing", differences[:1], f": the same {len(a)} calls in both runs ({paints} paints)")
    # Each computer move shows the wait cursor and gives the arrow back.
    thinking = sum(entry.startswith("SetCursor") for entry in a) // 2
    wrong = [] if thinking == COMPUTER_MOVES else [f"{thinking} computer moves, not {COMPUTER_MOVES}"]
    return status | report("game against the computer", wrong, f": {thinking} computer moves")


if __name__ == "__main__":
    sys.exit(main())
