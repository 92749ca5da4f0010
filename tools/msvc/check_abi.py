#!/usr/bin/env python3
"""Checks the MSVC C++ ABI of the objects and DLLs that the win32-msvc preset builds.

A host built with Visual C++ calls the panel through virtual-table slots and the
__thiscall convention, and hands it records laid out for 32 bits. This script reads
the compiled result with llvm-readobj and llvm-objdump and fails unless:

  vtables      ??_7Tavrin@@6B@ and ??_7kest_script_helper@@6B@ are defined in a
               .rdata COMDAT section, with the class's scalar deleting destructor
               (??_G...@@UAEPAXI@Z) in slot 0 and kest_script_helper::callback in
               slot 1;
  thiscall     callback, the destructors and send are __thiscall (mangled UAE/AAE):
               `this` is read from ECX, the stack arguments are popped by the callee
               (retl $8 in callback, retl $4 in the scalar deleting destructor),
               and send calls the host's `command` through slot 1 (*4(vtable));
  layout       every "host layout" static_assert of the binding's headers survives
               the preprocessor in this mode (they sit behind a 32-bit test and
               would otherwise vanish without a word);
  dll          the DLL is a 32-bit x86 DLL whose only named export is
               load_kest_client_script, undecorated; it imports only Windows' own
               DLLs and the framework's, with DisableThreadLibraryCalls and
               OutputDebugStringA from kernel32.dll; of the framework DLLs it
               imports only the operations a panel is promised (PROMISED below:
               the host's own framework DLLs need have nothing else); its version
               resource says 1,0,0,1 for the file and the product.

Usage:
  check_abi.py objects TAVRIN_OBJ HELPER_OBJ
  check_abi.py layout COMPILE_COMMANDS_JSON [--target TRIPLE]
  check_abi.py dll DLL

Each prints what it verified, one line per fact, and exits 1 on the first group of
failures, naming what was found instead.
"""

import json
import os
import re
import shlex
import subprocess
import sys

TOOL_SUFFIXES = ("-14", "")


def find_tool(name):
    for suffix in TOOL_SUFFIXES:
        for folder in os.environ.get("PATH", "").split(os.pathsep):
            path = os.path.join(folder, name + suffix)
            if os.access(path, os.X_OK):
                return path
    sys.exit(f"check_abi: {name} not found")


def run(command):
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    if result.returncode != 0:
        sys.exit(f"check_abi: {' '.join(command)} failed:\n{result.stderr}")
    return result.stdout


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, condition, ok, failure):
        if condition:
            print(f"  ok: {ok}")
        else:
            print(f"  FAILED: {failure}")
            self.messages.append(failure)
        return condition

    def finish(self, what):
        if self.messages:
            print(f"{what}: {len(self.messages)} check(s) failed")
            return 1
        print(f"{what}: passed")
        return 0


# --- Objects -------------------------------------------------------------------------


class CoffObject:
    """Sections, symbols and relocations of one COFF object, from llvm-readobj."""

    def __init__(self, path):
        self.path = path
        text = run([find_tool("llvm-readobj"), "--sections", "--symbols", "--relocations", path])
        self.format = re.search(r"^Format: (\S+)", text, re.M).group(1)
        self.sections = {}  # number -> (name, [characteristics])
        self.symbols = {}  # name -> (section number, value)
        self.relocations = {}  # section number -> {offset: symbol}
        self._parse(text)

    def _parse(self, text):
        blocks = dict(re.findall(r"^(Sections|Relocations|Symbols) \[\n(.*?)^\]", text, re.M | re.S))
        for block in re.findall(r"^  Section \{\n(.*?)^  \}", blocks.get("Sections", ""),
                                re.M | re.S):
            number = int(re.search(r"Number: (\d+)", block).group(1))
            name = re.search(r"Name: (\S+)", block).group(1)
            self.sections[number] = [name, re.findall(r"IMAGE_SCN_(\S+) \(", block)]
        for number, block in re.findall(r"^  Section \((\d+)\) \S+ \{\n(.*?)^  \}",
                                        blocks.get("Relocations", ""), re.M | re.S):
            self.relocations[int(number)] = {
                int(offset, 16): target
                for offset, target in re.findall(r"(0x[0-9A-F]+) IMAGE_REL_\S+ (\S+) \(", block)}
        for block in re.findall(r"^  Symbol \{\n(.*?)^  \}", blocks.get("Symbols", ""),
                                re.M | re.S):
            name = re.search(r"^    Name: (\S+)", block, re.M).group(1)
            value = int(re.search(r"^    Value: (\d+)", block, re.M).group(1))
            section = re.search(r"^    Section: \S+ \((\d+)\)", block, re.M)
            if section:
                self.symbols[name] = (int(section.group(1)), value)

    def vtable(self, name, slots):
        """The symbols in the first `slots` slots of vtable `name`, or None."""
        if name not in self.symbols:
            return None
        section, value = self.symbols[name]
        relocs = self.relocations.get(section, {})
        return section, [relocs.get(value + 4 * i) for i in range(slots)]


def function_body(disassembly, symbol):
    """Instructions of `symbol` up to the next function (local $ labels belong to it)."""
    body = []
    inside = False
    for line in disassembly.splitlines():
        m = re.match(r"^[0-9a-f]+ <(.+)>:$", line)
        if m:
            name = m.group(1)
            if inside and not name.startswith("$"):
                break
            inside = inside or name == symbol
            continue
        if inside and re.match(r"^\s+[0-9a-f]+:", line):
            body.append(line.split(":", 1)[1].strip())
    return body


def reads_ecx_first(body):
    """True when the first instruction that names ECX reads it (AT&T: the last
    operand is the destination)."""
    for instruction in body:
        if "%ecx" not in instruction and "%cx" not in instruction and "%cl" not in instruction:
            continue
        parts = instruction.split(None, 1)
        operands = parts[1] if len(parts) > 1 else ""
        # The destination is the last operand unless it is a memory operand.
        if re.search(r"\(%ecx[,)]", operands):
            return True  # used as an address
        operand_list = [o.strip() for o in re.split(r",(?![^(]*\))", operands)]
        if parts[0].startswith(("xor", "sub")) and len(set(operand_list)) == 1:
            return False  # zeroing idiom: a write
        if operand_list[-1] in ("%ecx", "%cx", "%cl") and parts[0].startswith(("mov", "lea", "pop")):
            return False
        return True
    return False


def check_vtable(obj, failures, vtable, klass):
    found = obj.vtable(vtable, 2)
    if not failures.check(found is not None, f"{vtable} is defined in {os.path.basename(obj.path)}",
                          f"{vtable} is not defined in {obj.path} ({obj.format}); "
                          f"itanium symbols present: {itanium_symbols(obj)}"):
        return
    section, slots = found
    name, characteristics = obj.sections.get(section, ["?", []])
    failures.check(name == ".rdata" and "LNK_COMDAT" in characteristics,
                   f"{vtable} lies in a .rdata COMDAT section (section {section})",
                   f"{vtable} lies in section {section} {name} {characteristics}, "
                   "not a .rdata COMDAT")
    deleting = f"??_G{klass}@@UAEPAXI@Z"
    callback = "?callback@kest_script_helper@@UAEPADHH@Z"
    failures.check(slots[0] == deleting, f"{vtable} slot 0 is {deleting}",
                   f"{vtable} slot 0 is {slots[0]}, expected the scalar deleting "
                   f"destructor {deleting}")
    failures.check(slots[1] == callback, f"{vtable} slot 1 is {callback}",
                   f"{vtable} slot 1 is {slots[1]}, expected {callback}")


def itanium_symbols(obj):
    names = sorted(n for n in obj.symbols if n.startswith(("_ZTV", "__ZTV")))
    return ", ".join(names) if names else "none"


def check_thiscall(obj, failures, symbol, pop_bytes):
    disassembly = run([find_tool("llvm-objdump"), "-d", "--no-show-raw-insn", obj.path])
    body = function_body(disassembly, symbol)
    if not failures.check(bool(body), f"{symbol} is defined",
                          f"{symbol} is not defined in {obj.path}"):
        return body
    failures.check(re.search(r"@@[AEIMQU][AB]E", symbol) is not None,
                   f"{symbol} is mangled __thiscall",
                   f"{symbol} is not mangled __thiscall (E)")
    failures.check(reads_ecx_first(body), f"{symbol} takes `this` in ECX",
                   f"{symbol} does not read ECX before writing it")
    rets = [i for i in body if i.startswith("ret")]
    expected = f"retl\t${pop_bytes}"
    failures.check(bool(rets) and all(r == expected for r in rets),
                   f"{symbol} returns with retl ${pop_bytes} (the callee pops its arguments)",
                   f"{symbol} returns with {sorted(set(rets)) or 'nothing'}, expected "
                   f"retl ${pop_bytes}")
    return body


def check_objects(tavrin_obj, helper_obj):
    failures = Failures()
    tavrin = CoffObject(tavrin_obj)
    helper = CoffObject(helper_obj)
    print(f"objects: {tavrin_obj} ({tavrin.format}), {helper_obj} ({helper.format})")
    for obj in (tavrin, helper):
        failures.check(obj.format == "COFF-i386", f"{os.path.basename(obj.path)} is COFF-i386",
                       f"{obj.path} is {obj.format}, not COFF-i386")
    check_vtable(tavrin, failures, "??_7Tavrin@@6B@", "Tavrin")
    check_vtable(helper, failures, "??_7kest_script_helper@@6B@", "kest_script_helper")
    if not failures.messages:
        check_thiscall(helper, failures, "?callback@kest_script_helper@@UAEPADHH@Z", 8)
        check_thiscall(tavrin, failures, "??_GTavrin@@UAEPAXI@Z", 4)
        send = check_thiscall(helper, failures, "?send@kest_script_helper@@AAEHPBD@Z", 4)
        failures.check(any(re.match(r"calll\s+\*4\(%e[a-z]{2}\)$", i) for i in send),
                       "send calls the host's command through slot 1 (calll *4(vtable))",
                       "send does not call through slot 1 of the host's vtable")
    return failures.finish("MSVC ABI of the objects")


# --- Layout static_asserts --------------------------------------------------------------


def check_layout(compile_commands, target):
    failures = Failures()
    entries = json.load(open(compile_commands, encoding="utf-8"))
    entry = next((e for e in entries if e["file"].endswith("script_helper/kest_script_helper.cpp")),
                 None)
    if entry is None:
        sys.exit(f"check_abi: kest_script_helper.cpp is not in {compile_commands}")
    words = shlex.split(entry["command"])
    command = []
    skip = False
    for word in words:
        if skip:
            skip = False
            continue
        if word.startswith(("/Fo", "/Fd", "-Fo", "-Fd")) or word in ("-c", "--", entry["file"]):
            continue
        if target and word.startswith("--target="):
            word = f"--target={target}"
        command.append(word)
    command += ["/E", "--", entry["file"]]
    preprocessed = subprocess.run(command, capture_output=True, text=True,
                                  cwd=entry["directory"], check=False)
    if preprocessed.returncode != 0:
        sys.exit(f"check_abi: preprocessing failed:\n{preprocessed.stderr}")
    text = re.sub(r"\s+", " ", preprocessed.stdout)

    source_dir = os.path.dirname(entry["file"])
    expected = []
    for header in ("kest_interfaces.h", "parsed_request.h"):
        with open(os.path.join(source_dir, header), encoding="utf-8") as f:
            for line in f:
                m = re.match(r'static_assert\(.*, ("host layout: [^"]*")\);', line)
                if m:
                    expected.append((header, m.group(1)))
    print(f"layout: {len(expected)} host layout static_asserts in the binding's headers, "
          f"preprocessed as {entry['file']} is compiled"
          + (f" (target forced to {target})" if target else ""))
    failures.check(len(expected) >= 14, f"{len(expected)} static_asserts found in the headers",
                   f"only {len(expected)} host layout static_asserts found in the headers")
    # offsetof is a macro: what survives unchanged is each assertion's message.
    compiled = set(re.findall(r'static_assert ?\(.*?, ("host layout: [^"]*") ?\)', text))
    missing = [f"{h}: {message}" for h, message in expected if message not in compiled]
    failures.check(not missing, "every one of them is compiled in this mode (32-bit pointers)",
                   f"{len(missing)} not compiled in this mode, e.g. {missing[:1]}")
    return failures.finish("32-bit record layouts")


# --- DLL -------------------------------------------------------------------------------

ALLOWED_IMPORTS = {"kernel32.dll", "ucrtbase.dll", "kest_string.dll", "kest_config.dll"}

# Every operation of the framework's classes that a panel may rely on, by its MSVC
# name. The host's framework DLLs export these; anything else a panel imports may
# be missing there, and the host would then refuse to load the panel.
PROMISED = {
    "kest_string.dll": {
        "??0kest_string@@QAE@XZ",  # kest_string()
        "??0kest_string@@QAE@PBD@Z",  # kest_string(const char*)
        "??0kest_string@@QAE@HDIH@Z",  # kest_string(int, char, unsigned, int)
        "??0kest_string@@QAE@ABV0@@Z",  # copy
        "??4kest_string@@QAEAAV0@ABV0@@Z",  # = kest_string
        "??4kest_string@@QAEAAV0@PBD@Z",  # = const char*
        "??1kest_string@@UAE@XZ",  # virtual ~kest_string()
        "??H@YA?AVkest_string@@ABV0@0@Z",  # string + string
        "??H@YA?AVkest_string@@ABV0@PBD@Z",  # string + const char*
        "??H@YA?AVkest_string@@PBDABV0@@Z",  # const char* + string
        "??Ykest_string@@QAEAAV0@ABV0@@Z",  # += kest_string
        "??Ykest_string@@QAEAAV0@PBD@Z",  # += const char*
        "??8kest_string@@QBE_NPBD@Z",  # == const char*
        "??9kest_string@@QBE_NABV0@@Z",  # != kest_string
        "??Bkest_string@@QBEPBDXZ",  # operator const char*
        "?length@kest_string@@QBEHXZ",
        "?toInt@kest_string@@QBEHXZ",
        "?arg@kest_string@@QBE?AV1@ABV1@@Z",
        "?arg@kest_string@@QBE?AV1@HDIH@Z",
        "?split@kest_string@@QBEXDAAV1@0@Z",
        "??0kest_stringlist@@QAE@XZ",
        "??0kest_stringlist@@QAE@ABVkest_string@@D@Z",
        "??0kest_stringlist@@QAE@ABV0@@Z",
        "??1kest_stringlist@@UAE@XZ",
        "??6kest_stringlist@@QAEAAV0@ABVkest_string@@@Z",
        "?toString@kest_stringlist@@QBE?AVkest_string@@D@Z",
        "?begin@kest_stringlist@@QBE?AVkest_stringlistIterator@@XZ",
        "?end@kest_stringlist@@QBE?AVkest_stringlistIterator@@XZ",
        "??Dkest_stringlistIterator@@QBEAAVkest_string@@XZ",
        "??Ekest_stringlistIterator@@QAEAAV0@XZ",
        "??9kest_stringlistIterator@@QBE_NABV0@@Z",
    },
    "kest_config.dll": {
        "??0kest_config@@QAE@XZ",
        "??1kest_config@@UAE@XZ",
    },
}


def version_resource(text):
    """File and product version of the VS_FIXEDFILEINFO in llvm-readobj's dump."""
    data = bytearray()
    for m in re.finditer(r"^\s+[0-9A-F]{4}: ((?:[0-9A-F]{8} ?)+)", text, re.M):
        data += bytes.fromhex(m.group(1).replace(" ", ""))
    at = data.find(bytes.fromhex("BD04EFFE"))
    if at < 0:
        return None

    def word(offset):
        return int.from_bytes(data[at + offset:at + offset + 4], "little")

    def split(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    return split(word(8), word(12)), split(word(16), word(20))


def check_dll(path):
    failures = Failures()
    text = run([find_tool("llvm-readobj"), "--file-headers", "--coff-exports", "--coff-imports",
                "--coff-resources", path])
    print(f"dll: {path}")
    failures.check("Format: COFF-i386" in text and "IMAGE_FILE_DLL" in text,
                   "a 32-bit x86 DLL (COFF-i386, IMAGE_FILE_DLL)", "not a 32-bit x86 DLL")

    exports = []
    for block in re.findall(r"^Export \{\n(.*?)^\}", text, re.M | re.S):
        name = re.search(r"Name: (\S*)", block)
        rva = re.search(r"RVA: (0x[0-9A-F]+)", block)
        exports.append((name.group(1) if name else "", int(rva.group(1), 16) if rva else 0))
    named = [n for n, _ in exports if n]
    unnamed = [r for n, r in exports if not n and r != 0]
    failures.check(named == ["load_kest_client_script"] and not unnamed,
                   "one export: load_kest_client_script, undecorated",
                   f"{len(named)} named exports (first: {named[:3]}) and {len(unnamed)} "
                   "by ordinal only")

    imports = {}
    for block in re.findall(r"^Import \{\n(.*?)^\}", text, re.M | re.S):
        dll = re.search(r"Name: (\S+)", block).group(1).lower()
        imports[dll] = re.findall(r"Symbol: (\S+)", block)
    for dll, symbols in sorted(imports.items()):
        print(f"  imports {dll}: {' '.join(symbols)}")
    failures.check(set(imports) <= ALLOWED_IMPORTS,
                   "imports only Windows' kernel32/ucrtbase and the framework DLLs",
                   f"imports {sorted(set(imports) - ALLOWED_IMPORTS)} besides "
                   f"{sorted(ALLOWED_IMPORTS)}")
    failures.check({"kest_string.dll", "kest_config.dll"} <= set(imports),
                   "imports kest_string.dll and kest_config.dll",
                   f"does not import both framework DLLs: {sorted(imports)}")
    extras = sorted(f"{dll}: {symbol}" for dll, promised in PROMISED.items()
                    for symbol in imports.get(dll, []) if symbol not in promised)
    failures.check(not extras,
                   "imports of the framework DLLs: only operations a panel is promised",
                   f"imports framework operations a panel is not promised: {', '.join(extras)}")
    kernel32 = set(imports.get("kernel32.dll", []))
    failures.check({"DisableThreadLibraryCalls", "OutputDebugStringA"} <= kernel32,
                   "imports DisableThreadLibraryCalls and OutputDebugStringA by plain name",
                   f"kernel32.dll imports are {sorted(kernel32)}")

    versions = version_resource(text)
    failures.check(versions == ((1, 0, 0, 1), (1, 0, 0, 1)),
                   "version resource: file and product version 1,0,0,1",
                   f"version resource: {versions if versions else 'none'}")
    return failures.finish(os.path.basename(path))


def main(argv):
    if len(argv) == 4 and argv[1] == "objects":
        return check_objects(argv[2], argv[3])
    if len(argv) in (3, 5) and argv[1] == "layout":
        target = argv[4] if len(argv) == 5 and argv[3] == "--target" else None
        if len(argv) == 5 and target is None:
            sys.exit(__doc__)
        return check_layout(argv[2], target)
    if len(argv) == 3 and argv[1] == "dll":
        return check_dll(argv[2])
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
