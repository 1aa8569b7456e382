# A ZIP reader of the archive checks: Python's zipfile reads every entry back and lists it.
import sys
import zipfile
import zlib

# A line per entry: the name's bytes in hex, the size and the CRC-32 of the bytes read.
with zipfile.ZipFile(sys.argv[1]) as archive:
    for info in archive.infolist():
        size, crc = 0, 0
        with archive.open(info) as data:  # checks the CRC-32 at the end of the entry
            while chunk := data.read(1 << 20):
                size += len(chunk)
                crc = zlib.crc32(chunk, crc)
        if size != info.file_size:
            sys.exit(f"{info.filename}: {size} bytes read, {info.file_size} declared")
        name = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
        print(f"{name.hex()} {size} {crc:08x}")
