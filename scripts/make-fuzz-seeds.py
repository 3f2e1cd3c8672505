#!/usr/bin/env python3
"""Writes the small seeds of the fuzz targets into tests/fuzz/seeds/.

The drawing fuzz targets are seeded from samples/ and the corpus; the BMP, PNG
and DWG preview targets start better from a few valid pictures of every
layout the decoders handle, and the reader from small drawings of the kinds
the corpus holds few of: splines of every form, traces, MINSERT arrays,
dimensions inside blocks, blocks that insert themselves, linetypes with
their scales, hatches, wide polylines, and points, meshes, multilines,
endless lines, multileaders, tables and arc dimensions. Run it again after
changing it; the output is committed.
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


def dxf(blocks, entities):
    """A drawing of groups: each block and entity a list of (code, value)."""
    out = ["0", "SECTION", "2", "BLOCKS"]
    for name, base, body in blocks:
        out += ["0", "BLOCK", "2", name, "8", "0", "10", str(base[0]), "20", str(base[1]), "30", "0"]
        for kind, groups in body:
            out += ["0", kind] + [str(v) for pair in groups for v in pair]
        out += ["0", "ENDBLK"]
    out += ["0", "ENDSEC", "0", "SECTION", "2", "ENTITIES"]
    for kind, groups in entities:
        out += ["0", kind] + [str(v) for pair in groups for v in pair]
    out += ["0", "ENDSEC", "0", "EOF"]
    return ("\n".join(out) + "\n").encode()


def tables(header, ltypes):
    """A HEADER section of (name, code, value) and an LTYPE table of group lists."""
    out = ["0", "SECTION", "2", "HEADER"]
    for name, code, value in header:
        out += ["9", name, str(code), str(value)]
    out += ["0", "ENDSEC", "0", "SECTION", "2", "TABLES", "0", "TABLE", "2", "LTYPE", "70", str(len(ltypes))]
    for groups in ltypes:
        out += ["0", "LTYPE"] + [str(v) for pair in groups for v in pair]
    out += ["0", "ENDTAB", "0", "ENDSEC"]
    return ("\n".join(out) + "\n").encode()


def points(code, pts):
    return [g for x, y in pts for g in ((code, x), (code + 10, y), (code + 20, 0))]


def dxf_seeds():
    rational = [(70, 8), (71, 2), (72, 6), (73, 3)] + [(40, k) for k in (0, 0, 0, 1, 1, 1)] + \
        points(10, [(1, 0), (1, 1), (0, 1)]) + [(41, 1), (41, 0.7071), (41, 1)]
    cubic = [(70, 0), (71, 3), (72, 9), (73, 5)] + [(40, k) for k in (0, 0, 0, 0, 1, 2, 2, 2, 2)] + \
        points(10, [(0, 0), (2, 3), (4, -1), (6, 2), (8, 0)])
    fitted = [(71, 3), (74, 4)] + points(11, [(0, 0), (1, 2), (3, 1), (4, 3)]) + \
        [(12, 1), (22, 0), (32, 0)]
    odd = [(71, 1000), (72, 2), (73, 4), (40, 5), (40, 1)] + points(10, [(0, 0), (1, 1), (2, 0), (3, 1)])
    solid = points(10, [(0, 0)]) + points(11, [(2, 0)]) + points(12, [(0, 1)]) + \
        points(13, [(2, 1)]) + [(62, 3)]
    trace = points(10, [(5, 0)]) + points(11, [(6, 0)]) + points(12, [(5, 4)]) + [(230, -1)]
    yield "splines.dxf", dxf([], [("SPLINE", rational), ("SPLINE", cubic), ("SPLINE", fitted),
                                  ("SPLINE", odd)])
    yield "solids.dxf", dxf([("S", (0, 0), [("SOLID", solid), ("TRACE", trace)])],
                            [("SOLID", solid), ("TRACE", trace), ("INSERT", [(2, "S"), (10, 9), (20, 9)])])
    yield "minsert.dxf", dxf([("M", (0, 0), [("CIRCLE", points(10, [(0, 0)]) + [(40, 1)])])],
                             [("INSERT", [(2, "M"), (10, 0), (20, 0), (41, 2), (42, 1), (50, 30),
                                          (70, 3), (71, 2), (44, 5), (45, 4)])])
    # Linetypes: a plain dash pattern, one with a text and a shape in it
    # (their groups skipped, their lengths kept), one whose count lies, and
    # records of every kind that carries a linetype scale.
    dashed = [(2, "DASHED"), (70, 0), (3, "__ __"), (72, 65), (73, 2), (40, 0.75), (49, 0.5), (74, 0),
              (49, -0.25), (74, 0)]
    gas = [(2, "GAS_LINE"), (72, 65), (73, 3), (40, 0.7), (49, 0.5), (74, 0), (49, -0.2), (74, 2),
           (75, 0), (340, "1F"), (46, 0.1), (50, 0), (44, -0.1), (45, -0.05), (9, "GAS"), (49, -0.25),
           (74, 4), (75, 132), (46, 0.1)]
    liar = [(2, "liar"), (73, 1000), (40, -1), (49, 0), (49, -1e-300), (49, 1e300)]
    scaled = [(6, "DASHED"), (48, 0.5)]
    yield "linetypes.dxf", tables([("$LTSCALE", 40, 0.03), ("$CELTSCALE", 40, 2)], [dashed, gas, liar]) + dxf(
        [("L", (0, 0), [("LINE", [(6, "liar"), (48, 0)] + points(10, [(0, 0)]) + points(11, [(9, 0)]))])],
        [("LINE", scaled + points(10, [(0, 0)]) + points(11, [(5, 5)])),
         ("CIRCLE", [(6, "GAS_LINE"), (48, 1e30)] + points(10, [(0, 0)]) + [(40, 3)]),
         ("ARC", scaled + points(10, [(0, 0)]) + [(40, 2), (50, 10), (51, 350)]),
         ("LWPOLYLINE", scaled + [(90, 3), (70, 1)] + [g for x, y in [(0, 0), (4, 0), (4, 4)] for g in ((10, x), (20, y))]),
         ("ELLIPSE", scaled + points(10, [(0, 0)]) + points(11, [(3, 0)]) + [(40, 0.5), (41, 0), (42, 6.28)]),
         ("SPLINE", scaled + [(71, 1), (72, 4), (73, 2), (40, 0), (40, 0), (40, 1), (40, 1)] + points(10, [(0, 0), (2, 2)])),
         ("INSERT", [(2, "L"), (6, "BYBLOCK"), (10, 1), (20, 1)])])
    dimension = [(2, "*D1")] + points(10, [(0, 0)]) + [(70, 0)]
    yield "nested.dxf", dxf(
        [("*D1", (0, 0), [("LINE", points(10, [(0, 0)]) + points(11, [(5, 0)]))]),
         ("A", (0, 0), [("INSERT", [(2, "B"), (10, 1), (20, 0)]), ("DIMENSION", dimension),
                        ("ELLIPSE", points(10, [(0, 0)]) + points(11, [(2, 0)]) + [(40, 0.5), (41, 0), (42, 6.28)]),
                        ("LEADER", [(76, 3)] + points(10, [(0, 0), (1, 1), (2, 1)]))]),
         ("B", (0, 0), [("INSERT", [(2, "A"), (10, 0), (20, 1), (41, -1)]),
                        ("TEXT", points(10, [(0, 0)]) + [(40, 1), (1, "B"), (50, 15)])])],
        [("INSERT", [(2, "A"), (10, 0), (20, 0), (50, 45), (210, 0), (220, 0), (230, -1)])])
    mline = [(2, "STANDARD"), (40, 1), (70, 0), (71, 3), (73, 2)]
    for x in (0, 10, 10):
        mline += [(11, x), (21, x / 2), (31, 0), (12, 1), (22, 0), (32, 0), (13, 0), (23, 1), (33, 0),
                  (74, 2), (41, 0.5), (41, 0), (75, 0), (74, 1), (41, -0.5), (75, 0)]
    mesh = [(71, 2), (72, 0), (91, 0), (92, 4)] + points(10, [(0, 0), (1, 0), (1, 1), (0, 1)]) + \
        [(93, 10), (90, 4), (90, 0), (90, 1), (90, 2), (90, 3), (90, 3), (90, 0), (90, 2), (90, 7),
         (94, 1), (90, 0), (90, 1)]
    mleader = [(300, "CONTEXT_DATA{"), (40, 1), (10, 0), (20, 0), (30, 0), (41, 0.5), (140, 0.25),
               (290, 1), (304, "NOTE\\PSECOND"), (12, 5), (22, 5), (32, 0), (13, 1), (23, 0), (33, 0),
               (43, 4), (171, 2), (90, -1023410175), (302, "LEADER{"), (290, 1), (291, 1),
               (10, 4), (20, 5), (30, 0), (11, 1), (21, 0), (31, 0), (40, 1),
               (304, "LEADER_LINE{"), (10, 0), (20, 0), (30, 0), (10, 2), (20, 3), (30, 0), (305, "}"),
               (304, "LEADER_LINE{"), (305, "}"), (271, 0), (303, "}"), (301, "}"),
               (170, 1), (291, 1), (91, -1056964608), (10, 1), (20, 1), (30, 1)]
    kinds = [("POINT", points(10, [(3, 3)])), ("MLINE", mline), ("MESH", mesh), ("MULTILEADER", mleader)]
    polyface = [("POLYLINE", [(66, 1), (70, 64), (71, 3), (72, 2)])] + \
        [("VERTEX", points(10, [p]) + [(70, 192)]) for p in ((0, 0), (4, 0), (4, 4))] + \
        [("VERTEX", points(10, [(0, 0)]) + [(70, 128), (71, 1), (72, -2), (73, 3)]),
         ("VERTEX", points(10, [(0, 0)]) + [(70, 128), (71, 9), (72, 1), (73, 0), (74, 2)]),
         ("SEQEND", [])]
    drawing = dxf(
        [("K", (0, 0), kinds + polyface),
         ("*T1", (0, 0), [("LINE", points(10, [(0, 0)]) + points(11, [(5, 0)]))]),
         ("*D2", (0, 0), [("ARC", points(10, [(0, 0)]) + [(40, 2), (50, 0), (51, 90)])])],
        kinds + polyface +
        [("INSERT", [(2, "K"), (10, 20), (20, 0)]),
         ("XLINE", points(10, [(1, 1)]) + points(11, [(0.6, 0.8)])),
         ("RAY", points(10, [(1, 1)]) + points(11, [(0, 0)])),
         ("ATTDEF", points(10, [(0, 9)]) + [(40, 1), (1, "VALUE"), (3, "PROMPT"), (2, "TAG"), (70, 0)]),
         ("ACAD_TABLE", [(2, "*T1")] + points(10, [(30, 30)]) + [(100, "AcDbTable"), (2, "X")]),
         ("ARC_DIMENSION", [(2, "*D2")] + points(10, [(0, 0)]) + [(70, 5)])])
    objects = "0\nSECTION\n2\nOBJECTS\n0\nMLINESTYLE\n5\n18\n2\nSTANDARD\n70\n0\n71\n2\n" \
        "49\n0.5\n62\n256\n6\nBYLAYER\n49\n-0.5\n62\n256\n6\nBYLAYER\n0\nENDSEC\n0\nEOF\n"
    yield "kinds.dxf", drawing[: -len(b"0\nEOF\n")] + objects.encode()
    # Hatch boundaries of every path and edge kind, a dashed pattern, a solid
    # hatch inside a block placed turned and scaled, and wide polylines.
    square = [(92, 7), (72, 1), (73, 1), (93, 4), (10, 0), (20, 0), (42, 0.5), (10, 4), (20, 0),
              (10, 4), (20, 4), (10, 0), (20, 4)]
    edges = [(92, 1), (93, 4), (72, 1), (10, 1), (20, 1), (11, 3), (21, 1),
             (72, 2), (10, 3), (20, 2), (40, 1), (50, 270), (51, 90), (73, 0),
             (72, 3), (10, 2), (20, 3), (11, 1), (21, 0), (40, 0.5), (50, 0), (51, 180), (73, 1),
             (72, 4), (94, 3), (73, 1), (74, 0), (95, 8), (96, 4)] + [(40, k) for k in (0, 0, 0, 0, 1, 1, 1, 1)] + \
        [g for x, y in ((1, 3), (0, 2), (0, 1), (1, 1)) for g in ((10, x), (20, y))] + \
        [(42, 1), (42, 2), (42, 2), (42, 1), (97, 2), (11, 1), (21, 3), (11, 1), (21, 1), (97, 0)]
    pattern = [(75, 0), (76, 1), (52, 0), (41, 1), (77, 0), (78, 2),
               (53, 45), (43, 0), (44, 0), (45, -0.5), (46, 0.5), (79, 2), (49, 0.5), (49, -0.25),
               (53, 135), (43, 0), (44, 0), (45, -0.5), (46, -0.5), (79, 1), (49, 0), (98, 1), (10, 2), (20, 2)]
    head = [(10, 0), (20, 0), (30, 0), (210, 0), (220, 0), (230, 1)]
    patterned = head + [(2, "ANSI37"), (70, 0), (71, 0), (91, 2)] + square + edges + pattern
    solid = head + [(2, "SOLID"), (70, 1), (71, 0), (91, 1)] + square + [(75, 0), (76, 1), (98, 0)]
    wide = [(90, 3), (70, 1), (43, 0.5), (10, 0), (20, 0), (10, 5), (20, 0), (42, 1), (40, 1), (41, 0),
            (10, 5), (20, 5)]
    yield "hatches.dxf", dxf(
        [("H", (0, 0), [("HATCH", solid), ("LWPOLYLINE", wide)])],
        [("HATCH", patterned), ("INSERT", [(2, "H"), (10, 9), (20, 0), (41, 2), (42, 1), (50, 30)]),
         ("POLYLINE", [(66, 1), (70, 0), (40, 0.2), (41, 0.4)]), ("VERTEX", points(10, [(0, 0)])),
         ("VERTEX", points(10, [(3, 1)]) + [(40, 1), (41, 0)]), ("VERTEX", points(10, [(6, 0)])), ("SEQEND", [])])
    yield "styles.dxf", styled_dxf(
        [[(2, "Standard"), (70, 0), (40, 0), (41, 0.8), (50, 15), (3, "txt.shx"), (4, "extfont2.shx")],
         [(2, "Title"), (3, "arialbd.ttf"), (4, ""), (1001, "ACAD"), (1000, "Arial"), (1071, 33554432)]],
        [("TEXT", points(10, [(0, 0)]) + [(40, 2), (1, "A"), (7, "Title"), (41, 0.7), (51, 12)]),
         ("MTEXT", points(10, [(0, 5)]) + [(40, 1), (41, 20), (71, 5), (7, "Standard"),
                   (1, "{\\fArial|b1|i1;a}\\H2x;\\C1;b\\S1^2;\\Lc\\l\\Od\\o\\Pe\\Q15;\\W0.8;f")])])


def styled_dxf(styles, entities):
    """A drawing with a STYLE table ahead of its entities."""
    out = ["0", "SECTION", "2", "TABLES", "0", "TABLE", "2", "STYLE", "70", str(len(styles))]
    for groups in styles:
        out += ["0", "STYLE"] + [str(v) for pair in groups for v in pair]
    out += ["0", "ENDTAB", "0", "ENDSEC"]
    return ("\n".join(out) + "\n").encode() + dxf([], entities)


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
    for name, data in dxf_seeds():
        write("fuzz_read_dxf", name, data)


if __name__ == "__main__":
    main()
