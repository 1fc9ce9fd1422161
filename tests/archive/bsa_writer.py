#!/usr/bin/python3
"""Writes a Bethesda archive (BSA 103, 104 or 105) from the public description of the format,
independently of Quillon's reader: the tests make their archives with it. zlib streams for 103
and 104, LZ4 frames (python3-lz4) for 105.

    bsa_writer.py OUT.bsa [--version 104] [--no-compress] [--embed-names] [--no-folder-names]
                  [--no-file-names] [--xbox] [--toggle PATH]... [--pack FOLDER]
                  [PATH=SOURCE | PATH:TEXT]...

PATH is the file's path below the data folder ("textures\\a\\b.dds"); SOURCE a file whose bytes
it holds, or TEXT the bytes themselves. --pack adds every file below FOLDER at its relative path.
--toggle stores that file the other way round from the archive's default compression.
"""
import argparse
import os
import struct
import sys
import zlib


def text_hash(text):
    value = 0
    for c in text.encode("latin-1"):
        value = (value * 0x1003F + c) & 0xFFFFFFFF
    return value


def name_hash(stem, extension=""):
    n = len(stem)
    low = 0
    if n > 0:
        b = stem.encode("latin-1")
        low = b[-1] + ((b[-2] << 8) if n > 2 else 0) + (n << 16) + (b[0] << 24)
    high = text_hash(stem[1:-2]) if n > 3 else 0
    if extension:
        high = (high + text_hash(extension)) & 0xFFFFFFFF
        kinds = {".nif": 1, ".kf": 2, ".dds": 3, ".wav": 4}
        k = kinds.get(extension, 0)
        if k:
            b0 = (((k & 0xFE) << 6) + (low & 0xFF)) & 0xFF
            b1 = ((k << 7) + ((low >> 8) & 0xFF)) & 0xFF
            b3 = (((k & 0xFC) << 5) + ((low >> 24) & 0xFF)) & 0xFF
            low = (low & 0x00FF0000) | (b3 << 24) | (b1 << 8) | b0
    return (high << 32) | (low & 0xFFFFFFFF)


def folder_hash(folder):
    return name_hash(folder.lower().replace("/", "\\"))


def file_hash(name):
    name = name.lower()
    dot = name.rfind(".")
    return name_hash(name) if dot < 0 else name_hash(name[:dot], name[dot:])


def compress(version, data):
    if version == 105:
        import lz4.frame
        return lz4.frame.compress(data)
    return zlib.compress(data)


def write(out, files, version=104, compressed=True, embed=False, folder_names=True,
          file_names=True, xbox=False, toggled=()):
    """files: {path: bytes}. Paths keep the letter case given; the game's are lower-case."""
    folders = {}
    for path, data in files.items():
        path = path.replace("/", "\\")
        folder, _, name = path.rpartition("\\")
        folders.setdefault(folder, []).append((name, path, data))
    ordered = sorted(folders.items(), key=lambda item: folder_hash(item[0]))
    for _, entries in ordered:
        entries.sort(key=lambda entry: file_hash(entry[0]))

    flags = (0x1 if folder_names else 0) | (0x2 if file_names else 0) | \
        (0x4 if compressed else 0) | (0x40 if xbox else 0) | (0x100 if embed else 0)
    file_count = sum(len(entries) for _, entries in ordered)
    folder_names_length = sum(len(folder) + 1 for folder, _ in ordered)
    names_table = b"".join(name.encode("latin-1") + b"\0"
                           for _, entries in ordered for name, _, _ in entries)
    record_size = 24 if version == 105 else 16
    records_start = 36 + record_size * len(ordered)
    blocks_size = file_count * 16 + \
        (sum(len(folder) + 2 for folder, _ in ordered) if folder_names else 0)
    data_start = records_start + blocks_size + (len(names_table) if file_names else 0)

    # The files' data, in record order, and each one's stored size field.
    blobs = []
    position = data_start
    fields = []
    for _, entries in ordered:
        for name, path, data in entries:
            stored = b""
            if embed and version != 103:
                embedded = path.encode("latin-1")
                stored += bytes([len(embedded)]) + embedded
            this_compressed = compressed != (path in toggled)
            if this_compressed:
                stored += struct.pack("<I", len(data)) + compress(version, data)
            else:
                stored += data
            size = len(stored) | (0x40000000 if path in toggled else 0)
            fields.append((size, position))
            blobs.append(stored)
            position += len(stored)

    header = struct.pack("<4sIIIIIIII", b"BSA\0", version, 36, flags, len(ordered), file_count,
                         folder_names_length, len(names_table), 0x2)
    body = bytearray()
    offset = records_start
    for folder, entries in ordered:
        # The offset names the folder's block, plus the file names' length, as the game reads it.
        target = offset + len(names_table)
        if version == 105:
            body += struct.pack("<QIIQ", folder_hash(folder), len(entries), 0, target)
        else:
            body += struct.pack("<QII", folder_hash(folder), len(entries), target)
        offset += len(entries) * 16 + ((len(folder) + 2) if folder_names else 0)
    index = 0
    for folder, entries in ordered:
        if folder_names:
            encoded = folder.encode("latin-1")
            body += bytes([len(encoded) + 1]) + encoded + b"\0"
        for name, _, _ in entries:
            size, position = fields[index]
            body += struct.pack("<QII", file_hash(name), size, position)
            index += 1
    if file_names:
        body += names_table
    with open(out, "wb") as f:
        f.write(header)
        f.write(body)
        assert f.tell() == data_start
        for blob in blobs:
            f.write(blob)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--version", type=int, default=104, choices=(103, 104, 105))
    parser.add_argument("--no-compress", action="store_true")
    parser.add_argument("--embed-names", action="store_true")
    parser.add_argument("--no-folder-names", action="store_true")
    parser.add_argument("--no-file-names", action="store_true")
    parser.add_argument("--xbox", action="store_true")
    parser.add_argument("--toggle", action="append", default=[])
    parser.add_argument("--pack", action="append", default=[])
    parser.add_argument("files", nargs="*")
    args = parser.parse_intermixed_args()
    files = {}
    for folder in args.pack:
        for root, _, names in os.walk(folder):
            for name in names:
                source = os.path.join(root, name)
                relative = os.path.relpath(source, folder).replace(os.sep, "\\")
                with open(source, "rb") as f:
                    files[relative] = f.read()
    for item in args.files:
        if "=" in item:
            path, source = item.split("=", 1)
            with open(source, "rb") as f:
                files[path] = f.read()
        elif ":" in item:
            path, text = item.split(":", 1)
            files[path] = text.encode("latin-1")
        else:
            sys.exit("bsa_writer.py: give PATH=SOURCE or PATH:TEXT, not " + item)
    write(args.out, files, args.version, not args.no_compress, args.embed_names,
          not args.no_folder_names, not args.no_file_names, args.xbox,
          {t.replace("/", "\\") for t in args.toggle})


if __name__ == "__main__":
    main()
