#!/usr/bin/env python3
"""Writes the small seed images of the image fuzz targets into tests/fuzz/seeds/.

The drawing fuzz targets are seeded from samples/ and the corpus; the BMP, PNG
and DWG preview targets start better from a few valid pictures of every
layout the decoders handle. Run it again after changing it; the output is
committed.
"""
import os
import struct
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEEDS = os.path.join(TOP, "tests", "fuzz", "seeds")


def dib(bpp, w, h, top_down=False, bitfields=False):
    colours = 1 << bpp if bpp <= 8 else 0
    stride = (w * bpp + 31) // 32 * 4
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F) if bitfields else b""
    header = struct.pack("<IiiHHIIiiII", 40, w, -h if top_down else h, 1, bpp,
                         3 if bitfields else 0, stride * h, 2835, 2835, 0, 0)
    table = b"".join(struct.pack("<BBBB", 255 - i % 256, i * 3 % 256, i * 7 % 256, 0)
                     for i in range(colours))
    rows = []
    for y in range(h):
        bits = 0
        nbits = 0
        row = bytearray()
        for x in range(w):
            v = (x + 2 * y) % (1 << min(bpp, 16))
            if bpp >= 8:
                row += v.to_bytes(bpp // 8, "little")
            else:
                bits = (bits << bpp) | v
                nbits += bpp
                if nbits == 8:
                    row.append(bits)
                    bits = nbits = 0
        if nbits:
            row.append(bits << (8 - nbits))
        rows.append(bytes(row).ljust(stride, b"\0"))
    return header + masks + table + b"".join(rows)


def bmp_file(d):
    pixels = 14 + d[0] + (12 if struct.unpack_from("<I", d, 16)[0] == 3 else 0)
    bpp = struct.unpack_from("<H", d, 14)[0]
    if bpp <= 8:
        pixels += 4 << bpp
    return b"BM" + struct.pack("<IHHI", len(d) + 14, 0, 0, pixels) + d


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(w, h, colour_type, bit_depth=8, interlace=0):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]

    def samples(x, y):
        for c in range(channels):
            v = (x * 37 + y * 11 + c * 5) % (1 << min(bit_depth, 8))
            yield v % 4 if colour_type == 3 else v

    def row(xs, y):
        line = bytearray([0])  # filter type None
        bits = nbits = 0
        for x in xs:
            for v in samples(x, y):
                if bit_depth >= 8:
                    line += v.to_bytes(bit_depth // 8, "big")
                    continue
                bits = (bits << bit_depth) | v
                nbits += bit_depth
                if nbits == 8:
                    line.append(bits)
                    bits = nbits = 0
        if nbits:
            line.append(bits << (8 - nbits))
        return bytes(line)

    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    raw = b""
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, w, dx))
        if xs:
            raw += b"".join(row(xs, y) for y in range(y0, h, dy))
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, bit_depth, colour_type, 0, 0, interlace))
    if colour_type == 3:
        out += chunk(b"PLTE", bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 255, 255, 255]))
        out += chunk(b"tRNS", b"\x00")
    out += chunk(b"IDAT", zlib.compress(raw))
    out += chunk(b"IEND", b"")
    return out


def dwg(version, entry_type, image):
    section = 0x40
    head = bytearray(section + 39)
    head[0:6] = version
    struct.pack_into("<I", head, 13, section)
    struct.pack_into("<IB", head, section + 16, len(image) + 19, 2)
    head[section + 21] = 1
    struct.pack_into("<BII", head, section + 30, entry_type, len(head), len(image))
    return bytes(head) + image


def write(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    bmps = {
        "mono.bmp": bmp_file(dib(1, 9, 3)),
        "16colour.bmp": bmp_file(dib(4, 5, 4)),
        "256colour.bmp": bmp_file(dib(8, 6, 3)),
        "true.bmp": bmp_file(dib(24, 3, 3)),
        "topdown.bmp": bmp_file(dib(8, 4, 2, top_down=True)),
        "bitfields16.bmp": bmp_file(dib(16, 3, 2, bitfields=True)),
    }
    for name, data in bmps.items():
        write("fuzz_bmp", name, data)
    pngs = {
        "rgb.png": png(5, 4, 2),
        "rgba.png": png(4, 3, 6),
        "palette.png": png(6, 2, 3, bit_depth=2),
        "gray16.png": png(3, 3, 0, bit_depth=16),
        "grayalpha.png": png(2, 2, 4),
        "interlaced.png": png(9, 9, 2, interlace=1),
    }
    for name, data in pngs.items():
        write("fuzz_png", name, data)
    write("fuzz_dwg_preview", "bmp2000.dwg", dwg(b"AC1015", 2, dib(8, 6, 3)))
    write("fuzz_dwg_preview", "bmp2018-24bit.dwg", dwg(b"AC1032", 2, dib(24, 3, 3)))
    write("fuzz_dwg_preview", "png2013.dwg", dwg(b"AC1027", 6, png(5, 4, 2)))


if __name__ == "__main__":
    main()
