#!/usr/bin/env python3
"""Writes the starting corpora under fuzz/corpus. The layouts follow the order in which each
target takes its fields (fuzz_input.h: little-endian, front to back)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def utf16(text):
    return text.encode("utf-16-le")


def text(value):
    return struct.pack("<H", len(value.encode("utf-16-le")) // 2) + utf16(value)


def comm(flags=0, error=0, required=52, reported=52, stored=bytes(52)):
    return struct.pack("<BIII", flags, error, required, reported) + stored


LIBRARY, ENTRY, DEFAULT, TEST_PAGE, ADD_OK, RUNDLL_OK = 1, 2, 4, 8, 16, 32
SYSTEM_ACCOUNT = 128
EVERY_NAME = 0xFF
NOT_OPENED, WRITTEN, WRITE_FAILED = 0, 1, 2


def install(flags, file=WRITTEN, arch=0, taken=0, os_index=4, port=0, serial=(5, 0, 2, 3, 0),
            base="Kiosk1", inf="C:\\drivers\\model", port_config=comm()):
    baud, stop, flow, byte_size, parity = serial
    return (struct.pack("<BBHB", flags, file, arch, taken)
            + struct.pack("<7i", os_index, port, baud, stop, flow, byte_size, parity)
            + text(base) + text(inf) + port_config)


def serial(baud, byte_size, parity, stop, flow, port_config=comm()):
    return struct.pack("<5i", baud, byte_size, parity, stop, flow) + port_config


def pe(is64, imports, delay_imports, old_delay_layout=False):
    """A minimal PE file: the headers, then one section at RVA 0x1000 (file offset 0x200) with
    the import descriptors, the delay-import descriptors and the names."""
    optional_size = 240 if is64 else 224
    image_base = 0x400000
    headers = bytearray(0x200)
    headers[0:2] = b"MZ"
    struct.pack_into("<I", headers, 0x3C, 0x40)
    struct.pack_into("<IHHIIIHH", headers, 0x40, 0x4550, 0x8664 if is64 else 0x14C, 1, 0, 0, 0, optional_size, 0)
    optional = 0x58
    struct.pack_into("<H", headers, optional, 0x20B if is64 else 0x10B)
    if not is64:
        struct.pack_into("<I", headers, optional + 28, image_base)
    struct.pack_into("<I", headers, optional + 60, 0x200)
    directories = optional + (112 if is64 else 96)
    struct.pack_into("<I", headers, directories - 4, 16)
    imports_at = 0x1000
    delays_at = imports_at + 20 * (len(imports) + 1)
    names_at = delays_at + 32 * (len(delay_imports) + 1)
    section = bytearray(names_at - imports_at)
    names = bytearray()

    def name(text):
        address = names_at + len(names)
        names.extend(text.encode() + b"\0")
        return address

    for i, library in enumerate(imports):
        struct.pack_into("<I", section, 20 * i + 12, name(library))
        struct.pack_into("<I", section, 20 * i + 16, 0x9000)
    for i, library in enumerate(delay_imports):
        address = name(library)
        struct.pack_into("<II", section, delays_at - imports_at + 32 * i,
                         0 if old_delay_layout else 1, address + image_base if old_delay_layout else address)
    if imports:
        struct.pack_into("<II", headers, directories + 8, imports_at, 20 * (len(imports) + 1))
    if delay_imports:
        struct.pack_into("<II", headers, directories + 104, delays_at, 32 * (len(delay_imports) + 1))
    section += names
    struct.pack_into("<8sIIII", headers, optional + optional_size, b".idata", len(section), 0x1000, len(section), 0x200)
    return bytes(headers + section)


ALL_ONES = b"\xff" * 52
FULL = LIBRARY | ENTRY | DEFAULT | ADD_OK

SEEDS = {
    "command_line": {
        "complete": utf16('"C:\\k.exe" eng Kiosk1 C:\\drivers\\model'),
        "spaces_in_path": utf16('"C:\\k.exe" chi Kiosk1    C:\\My  Drivers\\m o d   '),
        "no_space_after_quote": utf16('"C:\\k.exe"esp Kiosk1 C:\\d\\m'),
        "two_spaces_after_code": utf16('"C:\\k.exe" eng  Kiosk1 C:\\d\\m'),
        "missing_path": utf16('"C:\\k.exe" chi Kiosk1'),
        "no_closing_quote": utf16('"C:\\k.exe eng Kiosk1 C:\\d\\m'),
        "non_latin": utf16('"C:\\k.exe" chi \u6536\u94f6\u53f0 C:\\\u9a71\u52a8\\m'),
        "quoted_path": utf16('"C:\\k.exe" esp Caja "C:\\Program Files\\drv\\model"'),
    },
    "inf_file": {
        "sample": (b'[Version]\r\nSignature="$Windows NT$"\r\n[Manufacturer]\r\n%Maker%=Tavik,NTamd64,NTx86\r\n'
                   b'[Tavik.NTamd64]\r\n"Tavik 10.0.0.11" = TAVIK10,USBPRINT\\TavikTavik10,TavikTavik10\r\n'
                   b'[Tavik.NTx86]\r\n"Tavik 10.0.0.11" = TAVIK10,USBPRINT\\TavikTavik10,TavikTavik10\r\n'
                   b'[Strings]\r\nMaker="Tavik"\r\n'),
        "versions_and_strings": (b'[Manufacturer]\n%Maker% = M, NTx86.5.1, NT.6.0, NTamd64.6.0.0x3.0x110, '
                                 b'NTamd64.10.0...16299, NTarm64\n[M.NTx86.5.1]\n%M1% = A, USBPRINT\\M1,\n'
                                 b'[m.nt.6.0]\nM1 = B ; a comment\n[M.NTamd64.6.0.0x3.0x110]\n"M1" = C, \\\n  D,,\n'
                                 b'[M.NTAMD64.10.0...16299]\n"m""1" = E\n[M.NTarm64]\n%Missing% = F\n'
                                 b'[Strings]\nMaker = "M;aker"\nm1 = "M1"\n'),
        "undecorated_utf16": b"\xff\xfe" + utf16('[Manufacturer]\r\nModels\r\n[Models]\r\n"M1" = A, B\r\n'),
        "undecorated_utf8": b"\xef\xbb\xbf" + '"\u6536"=Models\n[Manufacturer]\nM\n[M]\nM1=A\n'.encode(),
    },
    "install_sequence": {
        "typical_com2": install(FULL, port=4, serial=(4, 0, 2, 3, 0)),
        "route_a": install(LIBRARY | ENTRY | DEFAULT | RUNDLL_OK, arch=9, os_index=5),
        "route_a_nothing_created": install(LIBRARY | ENTRY, arch=6, os_index=5, port=3),
        "taken_names_test_page": install(LIBRARY | ENTRY | TEST_PAGE | ADD_OK, taken=2, port=7),
        "every_name_taken": install(FULL, taken=EVERY_NAME, base="K"),
        "no_library": install(0),
        "no_entry_point": install(LIBRARY),
        "add_printer_fails": install(LIBRARY | ENTRY | TEST_PAGE | DEFAULT, port=6),
        "port_outside_table": install(FULL, port=8),
        "baud_outside_table": install(FULL, port=3, serial=(9, 0, 2, 3, 0)),
        "name_cut_file_not_opened": install(FULL, file=NOT_OPENED, base="Caja-\u6536\u94f6", port=5),
        "port_with_provider_data": install(FULL, port=6, port_config=comm(required=80, reported=80,
                                                                          stored=b"\xff" * 80)),
        "port_write_fails": install(FULL, file=WRITE_FAILED, port=3, port_config=comm(flags=4, error=5)),
        # The commands' arguments: paths and copy names with spaces, on both routes.
        "inf_path_with_spaces": install(FULL | TEST_PAGE, taken=1, inf="C:\\Program Files\\drv\\model"),
        "quoted_inf_path_route_a": install(LIBRARY | ENTRY | TEST_PAGE | RUNDLL_OK, arch=9, os_index=5, taken=3,
                                           inf='"C:\\Program Files\\drv\\model"'),
        "refused_base_name": install(FULL | TEST_PAGE, base='Kiosk"1 /x'),
        # Run as the system account: the default printer for each user, through the registry.
        "system_account_default": install(FULL | SYSTEM_ACCOUNT, taken=1),
    },
    "pe_imports": {
        "imports_32": pe(False, ["KERNEL32.dll", "SHELL32.dll", "compstui.dll"], ["WINSPOOL.DRV"]),
        "imports_64": pe(True, ["USER32.dll", "user32.DLL", "COMCTL32"], ["setupapi.dll", "api-ms-win-core-l1-1-0.dll"]),
        "old_delay_layout": pe(False, [], ["ole32.dll", "oleaut32.dll"], old_delay_layout=True),
    },
    "serial_port": {
        "defaults": serial(19200, 8, 0, 0, 2),
        "clamped_low": serial(0, 4, -1, -1, 0, comm(stored=ALL_ONES)),
        "clamped_high": serial(200000, 9, 5, 3, 1, comm(stored=ALL_ONES)),
        "unknown_flow": serial(9600, 8, 0, 0, 3, comm(stored=ALL_ONES)),
        "provider_data": serial(57600, 7, 2, 2, 0, comm(required=80, reported=80, stored=b"\xff" * 80)),
        "read_fails": serial(9600, 8, 0, 0, 0, comm(flags=1, error=5)),
        "write_fails": serial(9600, 8, 0, 0, 0, comm(flags=4, error=87)),
        "failure_without_code": serial(9600, 8, 0, 0, 0, comm(flags=4, error=0)),
        # Inputs that once found faults, kept so that every run tries them again.
        "found_short_read": serial(9600, 8, 0, 0, 0, comm(required=20, reported=20, stored=ALL_ONES[:20])),
        "found_huge_size": serial(9600, 8, 0, 0, 0, comm(required=0xFFFFFFFF)),
    },
}

for target, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
