#!/usr/bin/env python3
"""Checks that shipped PE files can start on Windows XP SP3 (32-bit) and on Windows XP
x64 / Server 2003 SP2 (64-bit), and that none of them can be made to load a planted DLL.

    check-imports.py OBJDUMP ALLOW_LIST x86|x64 FILE...
    check-imports.py --expect-refusal FUNCTION OBJDUMP ALLOW_LIST x86|x64 FILE...

For every file, from `objdump -p`:
- every imported function is on ALLOW_LIST for its DLL and this architecture (Windows
  refuses to start a program whose import it cannot resolve); a function the sources
  named there show on the system may be added to it;
- every imported DLL is one Windows always loads from its own folder;
- the subsystem version is no newer than the system's (5.1 for XP, 5.2 for XP x64);
- DllCharacteristics have DYNAMIC_BASE and NX_COMPAT, and HIGH_ENTROPY_VA when 64-bit;
  the file header does not say RELOCS_STRIPPED (a file that cannot be moved defeats
  address-space randomisation);
- a program (.exe) carries base relocations; a library (.dll) is one of the language
  libraries, which hold resources only and so import nothing.

Prints what it checked per file and each failure on a line of its own; exits 1 on any.
With --expect-refusal it shows that the check can fail: it succeeds only when some file
is refused for importing FUNCTION.
"""
import os
import re
import subprocess
import sys

IMAGE_FILE_RELOCS_STRIPPED = 0x0001
DLL_CHARACTERISTICS = {"HIGH_ENTROPY_VA": 0x0020, "DYNAMIC_BASE": 0x0040, "NX_COMPAT": 0x0100}
FORMATS = {"x86": "pei-i386", "x64": "pei-x86-64"}
SYSTEMS = {"x86": "Windows XP SP3", "x64": "Windows XP x64 / Server 2003 SP2"}
# The newest subsystem version each will start: 5.01 is XP's, 5.02 Server 2003's.
SUBSYSTEM_VERSIONS = {"x86": (5, 1), "x64": (5, 2)}


def read_allow_list(path, arch):
    """Returns (known DLLs, {dll: functions}) for arch, DLL names in lower case."""
    known, exports, section = set(), {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if not fields:
                continue
            if fields[0].startswith("["):
                section = fields[0].strip("[]").lower()
                exports.setdefault(section, set())
            elif section == "known-dlls":
                known.add(fields[0].lower())
            elif len(fields) == 1 or fields[1] == arch:
                exports[section].add(fields[0])
    return known, exports


def read_pe(objdump, path):
    """The parts of `objdump -p` this check needs."""
    run = subprocess.run([objdump, "-p", path], capture_output=True, text=True)
    text = run.stdout if run.returncode == 0 else ""
    sys.stderr.write(run.stderr)

    def field(name):
        m = re.search(rf"^{name}\s+(?:0x)?([0-9a-fA-F]+)", text, re.M)
        return int(m.group(1), 16) if m else None

    def decimal(name):
        m = re.search(rf"^{name}\s+([0-9]+)$", text, re.M)
        return int(m.group(1)) if m else None

    def directory_size(name):
        m = re.search(rf"^Entry [0-9a-f] [0-9a-f]+ ([0-9a-f]+) {name}", text, re.M)
        return int(m.group(1), 16) if m else 0

    imports, dll = {}, None
    for line in text.splitlines():
        m = re.match(r"\tDLL Name: (\S+)", line)
        if m:
            dll = m.group(1)
            imports.setdefault(dll, [])
        elif dll and (m := re.match(r"\t[0-9a-f]+\t\s*[0-9a-f]+\s+(\S+)", line)):
            imports[dll].append(m.group(1))  # "<none>" when imported by ordinal
        elif not line.strip():
            dll = None
    fmt = re.search(r"file format (\S+)", text)
    return {
        "format": fmt.group(1) if fmt else "unknown",
        "characteristics": field("Characteristics"),
        "dll_characteristics": field("DllCharacteristics"),
        "subsystem": (decimal("MajorSubsystemVersion"), decimal("MinorSubsystemVersion")),
        "relocations": directory_size("Base Relocation Directory"),
        "delay_imports": directory_size("Delay Import Directory"),
        "imports": imports,
    }


def check(objdump, allow_list, arch, paths):
    """Prints what was checked per file; returns the failures, each a line naming the
    file, and the functions refused."""
    known, exports = read_allow_list(allow_list, arch)
    list_name = os.path.basename(allow_list)
    failures, refused = [], set()
    for path in paths:
        name = os.path.basename(path)
        pe = read_pe(objdump, path)

        def fail(what):
            failures.append(f"FAIL {name}: {what}")

        if None in (pe["characteristics"], pe["dll_characteristics"], *pe["subsystem"]):
            fail("objdump read no PE headers")
            continue
        if pe["format"] != FORMATS[arch]:
            fail(f"file format {pe['format']}, not {FORMATS[arch]}")
        subsystem = "%d.%d" % pe["subsystem"]
        if pe["subsystem"] > SUBSYSTEM_VERSIONS[arch]:
            fail(f"subsystem version {subsystem} is newer than {SYSTEMS[arch]} starts")
        flags = ["DYNAMIC_BASE", "NX_COMPAT"] + (["HIGH_ENTROPY_VA"] if arch == "x64" else [])
        for flag in flags:
            if not pe["dll_characteristics"] & DLL_CHARACTERISTICS[flag]:
                fail(f"DllCharacteristics lack {flag}")
        if pe["characteristics"] & IMAGE_FILE_RELOCS_STRIPPED:
            fail("the file header says RELOCS_STRIPPED")
        checked = [f"subsystem {subsystem}", *flags, "not RELOCS_STRIPPED"]
        if pe["delay_imports"]:
            fail("has delay-load imports, which this check does not read")

        if name.lower().endswith(".dll"):
            checked.append("no imports")
            if pe["imports"]:
                fail("a language library must import nothing")
        else:
            checked.append("base relocations")
            if not pe["relocations"]:
                fail("has no base relocations (.reloc)")

        for dll, functions in pe["imports"].items():
            if dll.lower() not in known:
                fail(f"imports {dll}, which Windows does not always load from its own folder")
            allowed = exports.get(dll.lower(), set())
            for function in functions:
                if function == "<none>":
                    fail(f"{dll}: a function imported by ordinal, which no list can vouch for")
                elif function not in allowed:
                    fail(f"{dll} {function} is not in {list_name} for {SYSTEMS[arch]}")
                    refused.add(function)
            checked.append(f"{dll} ({len(functions)} functions)")
        print(f"{name} ({pe['format']}) checked: {', '.join(checked)}")
    return failures, refused


def main(argv):
    expected = None
    if argv[:1] == ["--expect-refusal"]:
        expected, argv = argv[1], argv[2:]
    if len(argv) < 4 or argv[2] not in FORMATS:
        sys.exit(__doc__)
    objdump, allow_list, arch, paths = argv[0], argv[1], argv[2], argv[3:]
    failures, refused = check(objdump, allow_list, arch, paths)
    for line in failures:
        print(line)
    print(f"{len(paths)} files checked for {SYSTEMS[arch]}: {len(failures)} failures")
    if expected is None:
        return 1 if failures else 0
    print(f"{expected} refused, as expected" if expected in refused else f"{expected} NOT refused")
    return 0 if expected in refused else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
