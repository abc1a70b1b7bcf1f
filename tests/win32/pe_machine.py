"""A small Windows user-mode machine on the Unicorn CPU emulator, for tests.

It maps 32- and 64-bit PE files, relocates them, runs their TLS callbacks and
entry points, and points every import at a stub written in Python. Threads
are cooperative and share one virtual clock, in microseconds, that moves only
when every thread waits (Sleep, or a preemption after an interlocked
instruction, which gives the other threads the worst interleaving of a
handshake). The processor is modelled through CPUID: "p2" has no SSE at all,
"p4" has SSE2; on "p2" every executed instruction that needs SSE is counted,
on "p4" every aligned 16-byte SSE operand is checked for its alignment.

Stubs are functions with the import's name and argument count
(Machine.api). They return an int, an instruction for the scheduler
(Sleep, Exit, Retry), or a generator that yields Call(target, *args) to run
emulated code (window procedures, DLL entry points) and returns its result.
"""
import inspect
import ntpath
import re
import struct

import capstone
import pefile
from unicorn import (UC_ARCH_X86, UC_HOOK_CODE, UC_HOOK_INSN, UC_MODE_32, UC_MODE_64, Uc, UcError)
from unicorn import x86_const as X

DLL_PROCESS_DETACH, DLL_PROCESS_ATTACH, DLL_THREAD_ATTACH, DLL_THREAD_DETACH = 0, 1, 2, 3
QUANTUM_US = 100000  # how long a preempted thread stays off the processor

# Where things live; 64-bit heaps and stacks sit above 4 GiB so that a
# truncated pointer faults.
LAYOUT = {32: dict(stubs=0x00100000, heap=0x20000000, stacks=0x30000000, teb=0x7f000000,
                   gdt=0x7e000000, dll=0x10000000),
          64: dict(stubs=0x00100000, heap=0x300000000, stacks=0x400000000, teb=0x7f000000,
                   gdt=None, dll=0x200000000)}
STUB_SIZE, STUB_COUNT = 16, 1024
HEAP_SIZE, STACK_SIZE = 0x4000000, 0x100000

# CPUID leaf 1 EDX of the modelled processors: P6 features with MMX, and the
# same with FXSR, SSE and SSE2.
P2_FEATURES = 0x0080FBFF
P4_FEATURES = P2_FEATURES | (1 << 24) | (1 << 25) | (1 << 26)
# SSE and SSE2 instructions that name no XMM register.
SSE_WITHOUT_XMM = {"ldmxcsr", "stmxcsr", "mfence", "lfence", "sfence", "fxsave", "fxrstor",
                   "movnti", "clflush", "prefetchnta", "prefetcht0", "prefetcht1", "prefetcht2", "maskmovq",
                   "movntq", "pshufw", "pavgb", "pavgw", "pextrw", "pinsrw", "pmaxsw", "pmaxub", "pminsw",
                   "pminub", "pmovmskb", "pmulhuw", "psadbw"}
# SSE memory operands that need no 16-byte alignment: the unaligned moves, and
# the scalar and half-register forms, whose operand is narrower (capstone still
# calls some of them xmmword).
UNALIGNED_OK = {"movups", "movupd", "movdqu", "lddqu", "movlps", "movhps", "movlpd", "movhpd", "movq", "movd",
                "cvtps2pd", "cvtdq2pd", "cvtpi2ps", "cvtpi2pd", "movddup", "pinsrw", "pextrw", "insertps"}
SCALAR_SSE = re.compile(r"s[sd](2|$)")


class Fault(Exception):
    """Something the program did that Windows would not let pass, or a test failure."""


def report(name, failures, summary=""):
    """Prints a case's failures, or that it passed; returns whether it failed."""
    for failure in failures:
        print(f"FAIL {name}: {failure}")
    if not failures:
        print(f"ok   {name}{summary}")
    return bool(failures)


class Call:
    def __init__(self, target, *args, align=None):
        self.target, self.args, self.align = target, args, align


class Sleep:
    def __init__(self, us):
        self.us = us


class Retry(Sleep):
    """Wait, then run the same stub again with the same arguments."""


class Exit:
    def __init__(self, code, process=False):
        self.code, self.process = code, process


class Stub:
    def __init__(self, nargs, func, cdecl):
        self.nargs, self.func, self.cdecl = nargs, func, cdecl


class Module:
    def __init__(self, name, base, size, pe):
        self.name, self.base, self.size, self.pe = name, base, size, pe
        self.exports, self.refs, self.loaded = {}, 0, True
        self.entry = base + pe.OPTIONAL_HEADER.AddressOfEntryPoint if pe.OPTIONAL_HEADER.AddressOfEntryPoint else 0
        self.is_dll = bool(pe.FILE_HEADER.Characteristics & 0x2000)
        self.tls = None  # (index, initial data, callbacks)


class Thread:
    def __init__(self, tid, stack_top, teb):
        self.tid, self.stack_top, self.teb = tid, stack_top, teb
        self.context = None
        self.state = "waiting"    # waiting, idle (the host thread between calls), done
        self.wake, self.seq = 0, 0
        self.frames = []          # stubs waiting for emulated code they called
        self.result = None
        self.last_error = 0
        self.preempted_at = None


class Machine:
    def __init__(self, bits, cpu="p4"):
        self.bits, self.cpu = bits, cpu
        self.ptr = bits // 8
        self.layout = LAYOUT[bits]
        self.uc = Uc(UC_ARCH_X86, UC_MODE_32 if bits == 32 else UC_MODE_64)
        self.SP, self.IP, self.AX = (X.UC_X86_REG_ESP, X.UC_X86_REG_EIP, X.UC_X86_REG_EAX) if bits == 32 else \
            (X.UC_X86_REG_RSP, X.UC_X86_REG_RIP, X.UC_X86_REG_RAX)
        self.now = 0
        self.tick_us = 1000            # timer granularity of Sleep
        self.on_advance = []           # callbacks (old, new) before the clock moves
        self.stubs, self.stub_by_name, self.data_imports = [], {}, {}
        self.modules, self.threads = [], []
        self.heap_next = self.layout["heap"]
        self.blocks = {}               # live allocations: address -> (size, kind)
        self.handles, self.next_handle = {}, 0x100
        self.critical_sections = {}
        self.xmm_executed, self.misaligned = {}, []
        self.thread_align, self.created_threads = 12, []  # ESP mod 16 at a thread's start routine
        self.pending = None
        self.exit_code = None
        self.exe = None                # the program run_program runs
        self.console = []
        self.seq = 0
        self._setup_memory()
        self.uc.hook_add(UC_HOOK_INSN, self._cpuid, None, 1, 0, X.UC_X86_INS_CPUID)
        self.uc.hook_add(UC_HOOK_CODE, self._hooked(self._on_stub), None, self.layout["stubs"],
                         self.layout["stubs"] + STUB_SIZE * STUB_COUNT - 1)
        self.PARK = self.layout["stubs"] - STUB_SIZE  # unhooked: reaching it ends a slice
        self.CONTINUE = self._special("continue", None)
        self.BOOT = self._special("boot", self._boot)
        self.main = self._new_thread()
        self.main.state = "idle"
        install_base_stubs(self)

    # --- memory -----------------------------------------------------------------------
    def _setup_memory(self):
        L, uc = self.layout, self.uc
        uc.mem_map(L["stubs"] - 0x1000, 0x1000 + STUB_SIZE * STUB_COUNT)
        uc.mem_write(L["stubs"] - 0x1000, b"\xcc" * (0x1000 + STUB_SIZE * STUB_COUNT))
        uc.mem_map(L["heap"], HEAP_SIZE)
        uc.mem_map(L["teb"], 0x100000)
        self.teb_next = L["teb"] + 0x1000
        self.peb = L["teb"]
        self.stack_next = L["stacks"]
        if self.bits == 32:
            # Flat code and data, then one FS descriptor per thread; SS needs
            # its own flat descriptor or the stack turns 16-bit.
            uc.mem_map(L["gdt"], 0x1000)
            uc.mem_write(L["gdt"], bytes(8) + self._descriptor(0, 0xFFFFF, 0x9A, 0xC) +
                         self._descriptor(0, 0xFFFFF, 0x92, 0xC))
            uc.reg_write(X.UC_X86_REG_GDTR, (0, L["gdt"], 0xFFF, 0))
            uc.reg_write(X.UC_X86_REG_SS, 2 << 3)
            uc.reg_write(X.UC_X86_REG_DS, 2 << 3)
            uc.reg_write(X.UC_X86_REG_ES, 2 << 3)
        self.template = uc.context_save()

    @staticmethod
    def _descriptor(base, limit, access, flags):
        return struct.pack("<HHBBBB", limit & 0xFFFF, base & 0xFFFF, (base >> 16) & 0xFF, access,
                           (flags << 4) | ((limit >> 16) & 0xF), base >> 24)

    def read(self, addr, size):
        return bytes(self.uc.mem_read(addr, size))

    def write(self, addr, data):
        self.uc.mem_write(addr, bytes(data))

    def u32(self, addr):
        return struct.unpack("<I", self.read(addr, 4))[0]

    def uptr(self, addr):
        return struct.unpack("<Q" if self.bits == 64 else "<I", self.read(addr, self.ptr))[0]

    def put_u32(self, addr, value):
        self.write(addr, struct.pack("<I", value & 0xFFFFFFFF))

    def put_ptr(self, addr, value):
        self.write(addr, struct.pack("<Q" if self.bits == 64 else "<I", value))

    def cstring(self, addr, limit=4096):
        """A NUL-terminated string, read a page at a time so as not to run off mapped memory."""
        data = b""
        while addr and len(data) < limit and b"\0" not in data:
            chunk = 0x1000 - (addr + len(data)) % 0x1000
            data += self.read(addr + len(data), chunk)
        return data.split(b"\0", 1)[0][:limit]

    def alloc(self, size, kind, zero=True):
        """A heap block: 8-byte aligned only on 32-bit, as Windows' heaps give."""
        addr = (self.heap_next + 15) & ~15
        if self.bits == 32:
            addr += 8
        if addr + size > self.layout["heap"] + HEAP_SIZE:
            return 0
        self.heap_next = addr + size
        self.write(addr, (b"\0" if zero else b"\xcd") * size)
        self.blocks[addr] = (size, kind)
        return addr

    def free(self, addr, kind):
        size, owner = self.blocks.get(addr, (0, None))
        if owner != kind:
            raise Fault(f"{kind} free of {addr:#x}, which is not a live {kind} block")
        del self.blocks[addr]
        self.write(addr, b"\xdd" * size)  # freed memory reads as garbage

    def handle(self, obj):
        self.next_handle += 4
        self.handles[self.next_handle] = obj
        return self.next_handle

    # --- stubs ------------------------------------------------------------------------
    def api(self, dll, nargs, cdecl=False, name=None):
        """Decorator: defines the stub of dll!name (name defaults to the function's)."""
        def define(func):
            self._define(dll, name or func.__name__, nargs, func, cdecl)
            return func
        return define

    def _define(self, dll, name, nargs, func, cdecl):
        key = (dll.lower(), name)
        if key not in self.stub_by_name:
            self.stub_by_name[key] = len(self.stubs)
            self.stubs.append(None)
        self.stubs[self.stub_by_name[key]] = Stub(nargs, func, cdecl)
        return self.stub_by_name[key]

    def _special(self, name, func):
        return self.layout["stubs"] + STUB_SIZE * self._define("<machine>", name, 0, func, True)

    def stub_address(self, dll, name):
        key = (dll.lower(), name)
        if key not in self.stub_by_name:
            def missing(*_):
                raise Fault(f"{dll}!{name} is not modelled")
            self._define(dll, name, 0, missing, True)
        return self.layout["stubs"] + STUB_SIZE * self.stub_by_name[key]

    def arg(self, i):
        sp = self.uc.reg_read(self.SP)
        if self.bits == 32:
            return self.u32(sp + 4 + 4 * i)
        if i < 4:
            return self.uc.reg_read((X.UC_X86_REG_RCX, X.UC_X86_REG_RDX, X.UC_X86_REG_R8, X.UC_X86_REG_R9)[i])
        return self.uptr(sp + 8 + 8 * i)

    def _hooked(self, func):
        """Runs a hook; any Python error parks the thread and is raised by the scheduler."""
        def hook(uc, addr, size, data):
            if self.pending is not None:
                return
            try:
                func(addr)
            except BaseException as error:  # noqa: B902 - reported after the slice ends
                self.pending = error
                self.uc.reg_write(self.IP, self.PARK)
        return hook

    def _on_stub(self, addr):
        if addr == self.CONTINUE:  # emulated code called by a stub has returned
            gen, stub, sp, stub_addr = self.current.frames.pop()
            value = self.uc.reg_read(self.AX)
            self.uc.reg_write(self.SP, sp)
            self._drive(gen, stub, value, stub_addr)
            return
        stub = self.stubs[(addr - self.layout["stubs"]) // STUB_SIZE]
        result = stub.func(*[self.arg(i) for i in range(stub.nargs)])
        if inspect.isgenerator(result):
            self._drive(result, stub, None, addr)
        else:
            self._finish(stub, result, addr)

    def _drive(self, gen, stub, value, addr):
        sp = self.uc.reg_read(self.SP)
        try:
            request = gen.send(value)
        except StopIteration as stop:
            self._finish(stub, stop.value, addr)
            return
        self.current.frames.append((gen, stub, sp, addr))
        self._push_call(request.target, request.args, self.CONTINUE, request.align)

    def _finish(self, stub, value, addr):
        """Returns from a stub to its caller, or parks the thread for the scheduler."""
        if isinstance(value, Retry):
            self.pending = ("sleep", value.us, addr)
            self.uc.reg_write(self.IP, self.PARK)
            return
        sp = self.uc.reg_read(self.SP)
        ret = self.uptr(sp)
        pop = self.ptr + (0 if stub.cdecl or self.bits == 64 else 4 * stub.nargs)
        self.uc.reg_write(self.SP, sp + pop)
        if isinstance(value, Sleep):
            self.uc.reg_write(self.AX, 0)
            self.pending = ("sleep", value.us, ret)
        elif isinstance(value, Exit):
            self.pending = ("exit", value)
        else:
            self.uc.reg_write(self.AX, (value or 0) & ((1 << self.bits) - 1))
            self.uc.reg_write(self.IP, ret)
            return
        self.uc.reg_write(self.IP, self.PARK)

    def _push_call(self, target, args, ret, align=None):
        uc, sp = self.uc, self.uc.reg_read(self.SP)
        if self.bits == 32:
            sp = sp - 4 * len(args) - 64
            sp = (sp & ~15) + align if align is not None else sp
            for i, value in enumerate(args):
                self.put_u32(sp + 4 * i, value)
        else:
            sp = (sp - 8 * max(4, len(args)) - 64) & ~15
            for i, value in enumerate(args):
                if i < 4:
                    uc.reg_write((X.UC_X86_REG_RCX, X.UC_X86_REG_RDX, X.UC_X86_REG_R8, X.UC_X86_REG_R9)[i],
                                 value)
                else:
                    self.put_ptr(sp + 8 * i, value)
        sp -= self.ptr
        self.put_ptr(sp, ret)
        uc.reg_write(self.SP, sp)
        uc.reg_write(self.IP, target)

    # --- processor model -------------------------------------------------------------
    def _cpuid(self, uc, data):
        leaf = uc.reg_read(X.UC_X86_REG_EAX)
        # Family 6 model 3 (a Pentium II) or family 15 (a Pentium 4); no extended leaves.
        values = {0: (1, 0x756E6547, 0x6C65746E, 0x49656E69),
                  1: (0x634 if self.cpu == "p2" else 0xF29, 0, 0, P2_FEATURES if self.cpu == "p2" else P4_FEATURES)}
        eax, ebx, ecx, edx = values.get(leaf, (0, 0, 0, 0))
        for reg, value in zip((X.UC_X86_REG_EAX, X.UC_X86_REG_EBX, X.UC_X86_REG_ECX, X.UC_X86_REG_EDX),
                              (eax, ebx, ecx, edx)):
            uc.reg_write(reg, value)
        return True

    def _scan_code(self, module):
        """Finds the SSE instructions, aligned SSE operands and interlocked instructions."""
        mode = capstone.CS_MODE_32 if self.bits == 32 else capstone.CS_MODE_64
        lite = capstone.Cs(capstone.CS_ARCH_X86, mode)
        lite.skipdata = True
        full = capstone.Cs(capstone.CS_ARCH_X86, mode)
        full.detail = True
        for section in module.pe.sections:
            if not section.Characteristics & 0x20000000:
                continue
            start = module.base + section.VirtualAddress
            code = self.read(start, section.Misc_VirtualSize)
            for addr, size, mnemonic, operands in lite.disasm_lite(code, start):
                words = mnemonic.split()
                if words and words[0] == "lock" or (mnemonic == "xchg" and "ptr" in operands):
                    self._preempt_after(addr + size)
                sse = "xmm" in operands or words[-1:] and words[-1] in SSE_WITHOUT_XMM
                if sse and self.bits == 32 and self.cpu == "p2":
                    self._count_site(addr, f"{mnemonic} {operands}")
                elif "xmmword ptr" in operands and mnemonic not in UNALIGNED_OK and not SCALAR_SSE.search(mnemonic):
                    insn = next(full.disasm(code[addr - start:addr - start + size], addr))
                    self._check_alignment(insn)

    def _count_site(self, addr, text):
        def seen(_):
            self.xmm_executed[addr] = text
            self.uc.hook_del(handle)
        handle = self.uc.hook_add(UC_HOOK_CODE, self._hooked(seen), None, addr, addr)

    def _check_alignment(self, insn):
        mem = [op.mem for op in insn.operands if op.type == capstone.x86.X86_OP_MEM][0]
        checks = [0]

        def check(_):
            ea = mem.disp
            if mem.base == capstone.x86.X86_REG_RIP:
                ea += insn.address + insn.size
            elif mem.base:
                ea += self.uc.reg_read(self._reg(insn, mem.base))
            if mem.index:
                ea += self.uc.reg_read(self._reg(insn, mem.index)) * mem.scale
            if ea % 16:
                self.misaligned.append(f"{insn.mnemonic} {insn.op_str} at {insn.address:#x} on {ea:#x}")
            checks[0] += 1
            if checks[0] == 64 or ea % 16:
                self.uc.hook_del(handle)
        handle = self.uc.hook_add(UC_HOOK_CODE, self._hooked(check), None, insn.address, insn.address)

    @staticmethod
    def _reg(insn, cs_reg):
        return getattr(X, "UC_X86_REG_" + insn.reg_name(cs_reg).upper())

    def _preempt_after(self, addr):
        def preempt(_):
            thread = self.current
            if thread is not self.main and thread.preempted_at != addr:
                thread.preempted_at = addr  # resumes here without a second preemption
                self.pending = ("sleep", QUANTUM_US, addr)
                self.uc.reg_write(self.IP, self.PARK)
            else:
                thread.preempted_at = None
        self.uc.hook_add(UC_HOOK_CODE, self._hooked(preempt), None, addr, addr)

    # --- loading ----------------------------------------------------------------------
    def map_image(self, path):
        """Maps an .exe at its own base, a DLL elsewhere so that its relocations are used."""
        pe = pefile.PE(path)
        preferred = pe.OPTIONAL_HEADER.ImageBase
        is_dll = bool(pe.FILE_HEADER.Characteristics & 0x2000)
        base = self.layout["dll"] + 0x1000000 * len(self.modules) if is_dll else preferred
        if base != preferred:
            pe.relocate_image(base)
        size = (pe.OPTIONAL_HEADER.SizeOfImage + 0xFFF) & ~0xFFF
        self.uc.mem_map(base, size)
        self.write(base, pe.get_memory_mapped_image())
        module = Module(ntpath.basename(path.replace("/", "\\")), base, size, pe)
        for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
            dll = entry.dll.decode().lower()
            for imp in entry.imports:
                slot = imp.address - pe.OPTIONAL_HEADER.ImageBase + base
                name = imp.name.decode() if imp.name else f"#{imp.ordinal}"
                target = self.data_imports.get((dll, name)) or self.stub_address(dll, name)
                self.put_ptr(slot, target)
        if hasattr(pe, "DIRECTORY_ENTRY_EXPORT"):
            for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols:
                if symbol.name:
                    module.exports[symbol.name.decode()] = base + symbol.address
        self._map_tls(module)
        self._scan_code(module)
        self.modules.append(module)
        return module

    def _map_tls(self, module):
        rva = module.pe.OPTIONAL_HEADER.DATA_DIRECTORY[9].VirtualAddress
        if not rva:
            return
        start, end, index_at, callbacks_at = (self.uptr(module.base + rva + self.ptr * i) for i in range(4))
        zero_fill = self.u32(module.base + rva + 4 * self.ptr)
        callbacks = []
        while callbacks_at and self.uptr(callbacks_at + self.ptr * len(callbacks)):
            callbacks.append(self.uptr(callbacks_at + self.ptr * len(callbacks)))
        index = sum(1 for m in self.modules if m.tls)
        self.put_u32(index_at, index)
        module.tls = (index, self.read(start, end - start) + bytes(zero_fill), callbacks)
        for thread in self.threads:
            self._thread_tls(thread, module)

    def _thread_tls(self, thread, module):
        index, template, _ = module.tls
        block = self.alloc(max(len(template), 1), "tls")
        self.write(block, template)
        self.put_ptr(thread.tls_array + self.ptr * index, block)

    def notify(self, module, reason):
        """Generator: the TLS callbacks and the entry point of a module, for one event."""
        result = 1
        callbacks = module.tls[2] if module.tls else []
        for callback in callbacks:
            yield Call(callback, module.base, reason, 0)
        if module.is_dll and module.entry:
            result = yield Call(module.entry, module.base, reason, 0)
        return result

    def load_library(self, path):
        """The host's LoadLibrary of a file: maps it and runs its attach on the host thread."""
        module = self.map_image(path)
        if not self.host(self.notify(module, DLL_PROCESS_ATTACH)) & 0xFFFFFFFF:
            raise Fault(f"{module.name}: DllMain refused to attach")
        module.refs = 1
        return module

    def release(self, module):
        """Generator: one reference less; the last one detaches and unmaps the module."""
        module.refs -= 1
        if module.refs == 0:
            yield from self.notify(module, DLL_PROCESS_DETACH)
            self.uc.mem_unmap(module.base, module.size)
            module.loaded = False
        return 1

    def find_module(self, name_or_handle):
        for module in self.modules:
            if module.loaded and name_or_handle in (module.base, module.name.lower(),
                                                    module.name.lower().rsplit(".", 1)[0]):
                return module
        return None

    # --- threads and the scheduler -----------------------------------------------------
    def _new_thread(self):
        top = self.stack_next + STACK_SIZE - 0x100
        self.uc.mem_map(self.stack_next, STACK_SIZE)
        self.stack_next += STACK_SIZE + 0x10000  # unmapped guard between stacks
        teb = self.teb_next
        self.teb_next += 0x2000
        thread = Thread(len(self.threads) + 1, top, teb)
        thread.tls_array = teb + 0x1000
        uc = self.uc
        running = uc.context_save()  # the thread calling CreateThread goes on afterwards
        uc.context_restore(self.template)
        if self.bits == 32:
            self.write(teb, struct.pack("<IIIIIIIIIIIIII", 0xFFFFFFFF, top + 0x100, top - STACK_SIZE + 0x100,
                                        0, 0, 0, teb, 0, 1, thread.tid, 0, thread.tls_array, self.peb, 0))
            selector = 3 + len(self.threads)
            uc.mem_write(self.layout["gdt"] + 8 * selector, self._descriptor(teb, 0xFFF, 0x92, 0x4))
            uc.reg_write(X.UC_X86_REG_FS, selector << 3)
        else:
            self.write(teb, struct.pack("<QQQQQQQQQQQQQ", 0, top + 0x100, top - STACK_SIZE + 0x100, 0, 0, 0, teb,
                                        0, 1, thread.tid, 0, thread.tls_array, self.peb))
            uc.reg_write(X.UC_X86_REG_GS_BASE, teb)
        uc.reg_write(self.SP, top)
        uc.reg_write(X.UC_X86_REG_FPCW, 0x27F)   # Windows' defaults: double precision, nearest,
        uc.reg_write(X.UC_X86_REG_MXCSR, 0x1F80)  # every exception masked
        self._push_call(self.BOOT, [], self.PARK)
        thread.context = uc.context_save()
        uc.context_restore(running)
        self.threads.append(thread)
        for module in self.modules:
            if module.tls and module.loaded:
                self._thread_tls(thread, module)
        return thread

    def create_thread(self, start, param, align=12):
        """A thread that runs the attach notifications, then start(param)."""
        thread = self._new_thread()
        thread.start = Call(start, param, align=align)
        thread.wake, thread.seq = self.now, self._next_seq()
        return thread

    def _boot(self):
        thread = self.current
        for module in list(self.modules):
            if module.loaded:
                yield from self.notify(module, DLL_THREAD_ATTACH)
        code = yield thread.start
        return (yield from self.exit_thread(code))

    def exit_thread(self, code):
        """Generator: the detach notifications of the current thread, then its end."""
        for module in list(self.modules):
            if module.loaded:
                yield from self.notify(module, DLL_THREAD_DETACH)
        return Exit(code)

    def _next_seq(self):
        self.seq += 1
        return self.seq

    def call(self, target, *args, align=None):
        """Calls emulated code on the host thread and runs every thread until it returns."""
        thread = self.main
        self.uc.context_restore(thread.context)
        self.uc.reg_write(self.SP, thread.stack_top)  # the host calls from its outermost frame
        self._push_call(target, args, self.PARK, align=align)
        thread.context = self.uc.context_save()
        thread.state, thread.wake, thread.seq = "waiting", self.now, self._next_seq()
        self.run(lambda: thread.state != "waiting")
        if thread.state == "done" and self.exit_code is None:
            raise Fault("the host thread ended inside a call")
        return thread.result

    def host(self, gen):
        """Runs a stub generator from the host side, each Call on the host thread."""
        value = None
        while True:
            try:
                request = gen.send(value)
            except StopIteration as stop:
                return stop.value
            value = self.call(request.target, *request.args)

    def run(self, finished, until=None):
        """Runs threads until finished() or, with until, until the clock reaches it."""
        while not finished():
            waiting = [t for t in self.threads if t.state == "waiting"]
            if not waiting:
                if until is not None:
                    return
                raise Fault("every thread waits for ever")
            thread = min(waiting, key=lambda t: (t.wake, t.seq))
            if until is not None and thread.wake > until:
                self.advance(until)
                return
            if thread.wake > self.now:
                self.advance(thread.wake)
            self._slice(thread)

    def run_for(self, us):
        self.run(lambda: False, until=self.now + us)

    def advance(self, to):
        for callback in self.on_advance:
            callback(self.now, to)
        self.now = to

    def _slice(self, thread):
        uc = self.uc
        uc.context_restore(thread.context)
        self.current, self.pending = thread, None
        start = uc.reg_read(self.IP)
        try:
            # No timeout: it costs milliseconds a slice; the test's own timeout stops a spinning thread.
            uc.emu_start(start, self.PARK)
        except UcError as error:
            ip = uc.reg_read(self.IP)
            gone = [m.name for m in self.modules if not m.loaded and m.base <= ip < m.base + m.size]
            where = f" in the unloaded {gone[0]}" if gone else ""
            raise Fault(f"thread {thread.tid}: {error} at {ip:#x}{where}") from None
        pending, self.pending = self.pending, None
        if isinstance(pending, BaseException):
            raise pending
        if pending is None:       # returned to the host or off the end of its boot
            thread.result = uc.reg_read(self.AX)
            thread.state = "idle" if thread is self.main else "done"
        elif pending[0] == "sleep":
            uc.reg_write(self.IP, pending[2])
            thread.wake, thread.seq = self.now + pending[1], self._next_seq()
        else:
            exit_ = pending[1]
            thread.state, thread.result = "done", exit_.code
            if exit_.process:
                self.exit_code = exit_.code
                for other in self.threads:
                    other.state = "done"
        thread.context = uc.context_save()

    def sleep_us(self, ms):
        """When a Sleep(ms) begun now ends: at a timer tick, at least ms later."""
        if ms == 0:
            return 0
        end = self.now + ms * 1000
        return -(-end // self.tick_us) * self.tick_us - self.now

    # --- checks -------------------------------------------------------------------------
    def instruction_faults(self):
        """SSE instructions executed on the processor without SSE; misaligned SSE operands."""
        faults = []
        if self.xmm_executed:
            faults.append(f"{len(self.xmm_executed)} distinct SSE instructions executed on a processor without "
                          "SSE, e.g. " + "; ".join(f"{a:#x} {t}" for a, t in sorted(self.xmm_executed.items())[:3]))
        return faults + [f"misaligned 16-byte SSE operand: {text}" for text in self.misaligned[:3]]

    def live_blocks(self, kind):
        return {addr: size for addr, (size, owner) in self.blocks.items() if owner == kind}

    def fp_environment(self):
        """The host thread's x87 control word and MXCSR."""
        self.uc.context_restore(self.main.context)
        return self.uc.reg_read(X.UC_X86_REG_FPCW), self.uc.reg_read(X.UC_X86_REG_MXCSR)

    def set_fp_environment(self, fpcw, mxcsr):
        self.uc.context_restore(self.main.context)
        self.uc.reg_write(X.UC_X86_REG_FPCW, fpcw)
        self.uc.reg_write(X.UC_X86_REG_MXCSR, mxcsr)
        self.main.context = self.uc.context_save()

    def run_program(self, path):
        """Runs an .exe from its entry point to its end; returns the exit status."""
        exe = self.exe = self.map_image(path)
        self.put_ptr(self.peb + 2 * self.ptr, exe.base)
        self.host(self.notify(exe, DLL_PROCESS_ATTACH))
        result = self.call(exe.entry)
        return self.exit_code if self.exit_code is not None else result & 0xFFFFFFFF


def install_base_stubs(m):
    """KERNEL32 and MSVCRT as far as the C runtime and the shipped files use them."""
    k32, crt = "kernel32.dll", "msvcrt.dll"
    file_size = 32 if m.bits == 32 else 48
    iob = m.alloc(3 * file_size, "static")
    command_line = m.alloc(16, "static")
    m.write(command_line, b"program.exe\0")
    cells = {name: m.alloc(8, "static") for name in ("_acmdln", "_fmode", "_commode", "__initenv", "argv")}
    m.put_ptr(cells["_acmdln"], command_line)
    m.put_ptr(cells["argv"], command_line)
    environment = m.alloc(16, "static")
    m.put_ptr(cells["__initenv"], environment)
    m.data_imports.update({(crt, "_iob"): iob, (crt, "_acmdln"): cells["_acmdln"],
                           (crt, "_fmode"): cells["_fmode"], (crt, "_commode"): cells["_commode"],
                           (crt, "__initenv"): cells["__initenv"]})
    onexit = []
    files = {}              # name -> bytearray, the program's current folder
    streams = {}            # FILE address -> [name, position, writable]
    errno_cells = {}

    # Process start-up of the C runtime.
    @m.api(crt, 5, True)
    def __getmainargs(argc, argv, env, wildcard, startinfo):
        m.put_u32(argc, 1)
        m.put_ptr(argv, cells["argv"])
        m.put_ptr(env, environment)
        return 0

    for name in ("__p__acmdln", "__p__fmode", "__p__commode"):
        m._define(crt, name, 0, lambda cell=cells[name[4:]]: cell, True)
    m._define(crt, "__iob_func", 0, lambda: iob, True)
    for name, nargs in (("__set_app_type", 1), ("__setusermatherr", 1), ("_lock", 1), ("_unlock", 1),
                        ("signal", 2)):
        m._define(crt, name, nargs, lambda *_: 0, True)

    @m.api(crt, 2, True)
    def _initterm(begin, end):
        for slot in range(begin, end, m.ptr):
            function = m.uptr(slot)
            if function:
                yield Call(function)

    @m.api(crt, 1, True)
    def _onexit(function):
        onexit.append(function)
        return function

    def run_onexit():
        while onexit:
            yield Call(onexit.pop())

    m._define(crt, "_cexit", 0, run_onexit, True)

    @m.api(crt, 1, True)
    def exit(code):
        yield from run_onexit()
        return Exit(code, process=True)

    @m.api(crt, 1, True)
    def _amsg_exit(code):
        raise Fault(f"the C runtime stopped the program (_amsg_exit {code}): {b''.join(m.console)!r}")

    @m.api(crt, 0, True)
    def abort():
        raise Fault(f"abort() called: {b''.join(m.console)!r}")

    @m.api(crt, 0, True)
    def _errno():
        return errno_cells.setdefault(m.current.tid, m.alloc(4, "static"))

    # Memory and strings.
    m._define(crt, "malloc", 1, lambda size: m.alloc(size, "crt", zero=False), True)
    m._define(crt, "calloc", 2, lambda count, size: m.alloc(count * size, "crt"), True)

    @m.api(crt, 1, True)
    def free(addr):
        if addr:
            m.free(addr, "crt")

    @m.api(crt, 2, True)
    def realloc(addr, size):
        new = m.alloc(size, "crt", zero=False)
        if addr:
            m.write(new, m.read(addr, min(size, m.blocks[addr][0])))
            m.free(addr, "crt")
        return new

    @m.api(crt, 3, True)
    def memcpy(dest, src, size):
        m.write(dest, m.read(src, size))
        return dest

    @m.api(crt, 3, True)
    def memset(dest, value, size):
        m.write(dest, bytes([value & 0xFF]) * size)
        return dest

    m._define(crt, "strlen", 1, lambda s: len(m.cstring(s)), True)

    @m.api(crt, 3, True)
    def strncmp(a, b, n):
        x, y = m.cstring(a, n)[:n], m.cstring(b, n)[:n]
        return (x > y) - (x < y)

    # Files: the program's current folder is a dictionary; stdout and stderr
    # go to the console record.
    @m.api(crt, 2, True)
    def fopen(name, mode):
        name, mode = m.cstring(name).decode("cp1251"), m.cstring(mode).decode()
        if "r" in mode and name not in files:
            return 0
        if "w" in mode:
            files[name] = bytearray()
        stream = m.alloc(file_size, "crt")
        streams[stream] = [name, 0, "r" not in mode or "+" in mode]
        return stream

    @m.api(crt, 4, True)
    def fread(buffer, size, count, stream):
        name, position, _ = streams[stream]
        data = bytes(files[name][position:position + size * count])
        data = data[:len(data) // size * size] if size else b""
        m.write(buffer, data)
        streams[stream][1] += len(data)
        return len(data) // size if size else 0

    @m.api(crt, 4, True)
    def fwrite(buffer, size, count, stream):
        data = m.read(buffer, size * count) if size * count else b""
        if iob <= stream < iob + 3 * file_size:
            m.console.append(data)
            return count
        name, position, writable = streams[stream]
        if not writable:
            return 0
        files[name][position:position + len(data)] = data
        streams[stream][1] += len(data)
        return count

    @m.api(crt, 1, True)
    def fclose(stream):
        if stream not in streams:
            raise Fault(f"fclose of {stream:#x}, which is not an open file")
        del streams[stream]
        m.free(stream, "crt")
        return 0

    # The C runtime's own error reports: their formats are enough to tell what went wrong.
    m._define(crt, "vfprintf", 2, lambda stream, fmt: m.console.append(m.cstring(fmt)), True)
    m._define(crt, "fprintf", 2, lambda stream, fmt: m.console.append(m.cstring(fmt)), True)

    # KERNEL32: modules.
    @m.api(k32, 1)
    def GetModuleHandleA(name):
        if not name:
            return m.exe.base if m.exe else 0x400000
        module = m.find_module(ntpath.basename(m.cstring(name).decode()).lower())
        m.current.last_error = 0 if module else 126
        return module.base if module else 0

    @m.api(k32, 3)
    def GetModuleFileNameA(handle, buffer, size):
        module = m.find_module(handle) if handle else m.exe
        name = ("C:\\app\\" + (module.name if module else "host.exe")).encode()[:max(size - 1, 0)]
        m.write(buffer, name + b"\0")
        return len(name)

    @m.api(k32, 1)
    def LoadLibraryA(name):
        module = m.find_module(ntpath.basename(m.cstring(name).decode()).lower())
        if not module:
            m.current.last_error = 126
            return 0
        module.refs += 1
        return module.base

    @m.api(k32, 2)
    def GetProcAddress(handle, name):
        module = m.find_module(handle)
        return module.exports.get(m.cstring(name).decode(), 0) if module and name > 0xFFFF else 0

    @m.api(k32, 1)
    def FreeLibrary(handle):
        module = m.find_module(handle)
        if not module:
            return 0
        return (yield from m.release(module))

    # Threads and time.
    @m.api(k32, 6)
    def CreateThread(attributes, stack_size, start, parameter, flags, thread_id):
        if flags & 4:
            raise Fault("CreateThread with CREATE_SUSPENDED is not modelled")
        thread = m.create_thread(start, parameter, align=m.thread_align)
        m.created_threads.append((start, parameter))
        if thread_id:
            m.put_u32(thread_id, thread.tid)
        return m.handle(("thread", thread))

    @m.api(k32, 1)
    def ExitProcess(code):
        return Exit(code, process=True)

    @m.api(k32, 2)
    def FreeLibraryAndExitThread(handle, code):
        module = m.find_module(handle)
        if module:
            yield from m.release(module)
        return (yield from m.exit_thread(code))

    @m.api(k32, 1)
    def CloseHandle(handle):
        if handle not in m.handles:
            raise Fault(f"CloseHandle of {handle:#x}, which is not an open handle")
        del m.handles[handle]
        return 1

    m._define(k32, "Sleep", 1, lambda ms: Sleep(m.sleep_us(ms)), False)
    m._define(k32, "GetLastError", 0, lambda: m.current.last_error, False)
    m._define(k32, "TlsGetValue", 1, lambda index: 0, False)  # no TlsSetValue is imported: every slot is empty
    m._define(k32, "SetUnhandledExceptionFilter", 1, lambda _: 0, False)

    # Critical sections: a thread that finds one taken waits a quantum and tries again.
    @m.api(k32, 1)
    def InitializeCriticalSection(section):
        m.critical_sections[section] = [None, 0]

    m._define(k32, "DeleteCriticalSection", 1, lambda section: m.critical_sections.pop(section, None) and 0, False)

    @m.api(k32, 1)
    def EnterCriticalSection(section):
        state = m.critical_sections.setdefault(section, [None, 0])
        if state[0] not in (None, m.current):
            return Retry(m.tick_us)
        state[0], state[1] = m.current, state[1] + 1
        return 0

    @m.api(k32, 1)
    def LeaveCriticalSection(section):
        state = m.critical_sections.get(section)
        if not state or state[0] is not m.current:
            raise Fault("LeaveCriticalSection by a thread that does not own it")
        state[1] -= 1
        if state[1] == 0:
            state[0] = None

    # Memory.
    @m.api(k32, 2)
    def LocalAlloc(flags, size):
        if flags & 0x2:
            raise Fault("LocalAlloc of moveable memory is not modelled")
        return m.alloc(size, "local", zero=bool(flags & 0x40))

    @m.api(k32, 1)
    def LocalFree(addr):
        if addr:
            m.free(addr, "local")
        return 0

    @m.api(k32, 4)
    def VirtualProtect(addr, size, protect, old):
        m.put_u32(old, 0x40)
        return 1

    @m.api(k32, 3)
    def VirtualQuery(addr, info, size):
        page = addr & ~0xFFF
        fields = (page, page, 0x40, 0x1000, 0x1000, 0x40, 0x1000000)
        data = struct.pack("<IIIIIII", *fields) if m.bits == 32 else struct.pack("<QQIIQIII", page, page, 0x40, 0,
                                                                               0x1000, 0x1000, 0x40, 0x1000000)
        m.write(info, data)
        return len(data)

    @m.api(k32, 1)
    def GetStartupInfoA(info):
        size = 68 if m.bits == 32 else 104
        m.write(info, struct.pack("<I", size) + bytes(size - 4))
