#!/usr/bin/env python3
"""Prints a PE file with the IDs that lld's -Brepro derives from the PDB set to zero: the COFF
header's time stamp, each debug directory entry's time stamp, and the CodeView record's GUID and
age. Two builds whose files agree after this differ only in those IDs.

    pe_ids.py FILE > FILE.without-ids
"""
import struct
import sys


def main(path):
    data = bytearray(open(path, "rb").read())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise SystemExit("pe_ids: %s: not a PE file" % path)
    data[pe + 8:pe + 12] = b"\0" * 4  # COFF header TimeDateStamp
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    debug_rva, debug_size = struct.unpack_from("<II", data, directories + 6 * 8)
    sections = optional + struct.unpack_from("<H", data, pe + 20)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]

    def offset(rva):
        for i in range(count):
            at = sections + 40 * i
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise SystemExit("pe_ids: %s: RVA 0x%x in no section" % (path, rva))

    if debug_rva:
        first = offset(debug_rva)
        for entry in range(first, first + debug_size, 28):
            data[entry + 4:entry + 8] = b"\0" * 4  # TimeDateStamp
            kind, size, _, raw = struct.unpack_from("<IIII", data, entry + 12)
            if kind == 2 and data[raw:raw + 4] == b"RSDS":  # CodeView: GUID and age
                data[raw + 4:raw + 24] = b"\0" * 20
    sys.stdout.buffer.write(bytes(data))


if __name__ == "__main__":
    main(sys.argv[1])
