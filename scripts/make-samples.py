#!/usr/bin/env python3
"""Writes the bundled sample drawings into samples/.

Each sample is a complete DXF file of its release, the way CAD programs write
them, so that it opens there as well as here: HEADER (with $ACADVER, the code
page, extents and, from R2000 on, $HANDSEED), TABLES, BLOCKS, ENTITIES and,
from R2000 on, CLASSES, handles, owners, subclass markers, block records and
the OBJECTS root dictionary. The files are small and hand-made in shape:

  basic-shapes-r12.dxf     R12: lines, arcs, circles, POLYLINE with VERTEX/SEQEND
                           and bulges, coloured layers, an off and a frozen layer,
                           texts, a linear dimension with its *D block, two views
  blocks-nested-r2000.dxf  R2000: blocks inserted three levels deep, LWPOLYLINE
                           with bulges, a 2D POLYLINE, BYBLOCK colours, two
                           dimensions with their *D blocks, two views
  japanese-sjis-r2004.dxf  R2004, Shift-JIS (code page 932, $DWGCODEPAGE ANSI_932):
                           Japanese layer, block and view names, TEXT and MTEXT
                           with formatting codes, \\U+ escapes, NEC characters and
                           characters whose second byte is 0x5C
  japanese-utf8-r2018.dxf  R2018, UTF-8: the same kind of Japanese drawing, with
                           nested blocks, a dimension and characters beyond the BMP

Run it again after changing it; the output is committed.
"""
import math
import os

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(TOP, "samples")


def num(v):
    """DXF reals always use '.'; whole numbers keep one decimal as AutoCAD writes them."""
    if isinstance(v, int):
        return str(v)
    if abs(v - round(v)) < 1e-12:
        return "%.1f" % round(v)
    return ("%.10f" % v).rstrip("0")


class Box:
    def __init__(self):
        self.lo = [math.inf, math.inf]
        self.hi = [-math.inf, -math.inf]

    def add(self, x, y):
        self.lo = [min(self.lo[0], x), min(self.lo[1], y)]
        self.hi = [max(self.hi[0], x), max(self.hi[1], y)]

    def add_box(self, other, transform):
        if other.lo[0] == math.inf:
            return
        for x in (other.lo[0], other.hi[0]):
            for y in (other.lo[1], other.hi[1]):
                self.add(*transform(x, y))


def arc_points(cx, cy, r, a0, a1):
    """The end points and the quadrant points an arc passes (degrees, counter-clockwise)."""
    a0, a1 = a0 % 360, a1 % 360
    a1 = a1 if a1 > a0 else a1 + 360
    pts = [a0, a1] + [q for q in range(0, 721, 90) if a0 < q < a1]
    return [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in pts]


def bulge_arc(p, q, bulge):
    """Centre, radius and angles of the arc from p to q with the given bulge."""
    (x0, y0), (x1, y1) = p, q
    theta = 4 * math.atan(bulge)
    chord = math.hypot(x1 - x0, y1 - y0)
    r = chord / (2 * math.sin(abs(theta) / 2))
    mx, my = (x0 + x1) / 2, (y0 + y1) / 2
    d = math.sqrt(max(r * r - chord * chord / 4, 0))
    nx, ny = -(y1 - y0) / chord, (x1 - x0) / chord
    side = 1 if (bulge > 0) == (abs(theta) < math.pi) else -1
    cx, cy = mx + side * d * nx, my + side * d * ny
    a0 = math.degrees(math.atan2(y0 - cy, x0 - cx))
    a1 = math.degrees(math.atan2(y1 - cy, x1 - cx))
    return (cx, cy, r, a0, a1) if bulge > 0 else (cx, cy, r, a1, a0)


class Drawing:
    """Collects tables, blocks and entities, then writes them in one go, so
    that handles, counts and extents are known before the HEADER is written."""

    def __init__(self, version, codepage, encoding):
        self.version = version
        self.r12 = version == "AC1009"
        self.codepage = codepage
        self.encoding = encoding
        self.handle = 0x20
        self.layers = [("0", 7, 0, "CONTINUOUS")]
        self.ltypes = []
        self.styles = [("STANDARD" if self.r12 else "Standard", "txt", "")]
        self.views = []
        self.blocks = []  # (name, flags, base, entity list, extents)
        self.entities = []
        self.extents = Box()
        self.block_extents = {}
        self.pieces = []
        self.record_handles = {}

    def new_handle(self):
        self.handle += 1
        return "%X" % self.handle

    # --- content -------------------------------------------------------------

    def layer(self, name, color, flags=0, ltype="CONTINUOUS"):
        self.layers.append((name, color, flags, ltype))

    def linetype(self, name, description, pattern):
        self.ltypes.append((name, description, pattern))

    def style(self, name, font, bigfont=""):
        self.styles.append((name, font, bigfont))

    def view(self, name, cx, cy, width, height):
        self.views.append((name, cx, cy, width, height))

    def block(self, name, entities, base=(0.0, 0.0), flags=0):
        box = Box()
        for e in entities:
            self._grow(box, e)
        self.block_extents[name] = box
        self.blocks.append((name, flags, base, entities))

    def add(self, *entities):
        for e in entities:
            self._grow(self.extents, e)
            self.entities.append(e)

    def _grow(self, box, e):
        kind = e["kind"]
        if kind == "LINE":
            box.add(*e["p"])
            box.add(*e["q"])
        elif kind == "CIRCLE":
            (x, y), r = e["c"], e["r"]
            box.add(x - r, y - r)
            box.add(x + r, y + r)
        elif kind == "ARC":
            for p in arc_points(*e["c"], e["r"], e["a0"], e["a1"]):
                box.add(*p)
        elif kind in ("LWPOLYLINE", "POLYLINE"):
            pts = e["pts"]
            for i, (x, y, b) in enumerate(pts):
                box.add(x, y)
                if b and (i + 1 < len(pts) or e.get("closed")):
                    nx, ny, _ = pts[(i + 1) % len(pts)]
                    for p in arc_points(*bulge_arc((x, y), (nx, ny), b)):
                        box.add(*p)
        elif kind in ("TEXT", "MTEXT"):
            x, y = e["p"]
            h = e["h"]
            w = e.get("width") or h * 0.9 * max(len(e["s"]), 1)
            box.add(x, y)
            box.add(x + w, y + h)
        elif kind == "INSERT":
            bx, by, sx, sy, rot = e["p"][0], e["p"][1], e.get("sx", 1.0), e.get("sy", 1.0), e.get("rot", 0.0)
            c, s = math.cos(math.radians(rot)), math.sin(math.radians(rot))
            inner = self.block_extents[e["name"]]
            box.add_box(inner, lambda x, y: (bx + c * x * sx - s * y * sy, by + s * x * sx + c * y * sy))
        elif kind == "DIMENSION":
            box.add_box(self.block_extents[e["block"]], lambda x, y: (x, y))

    # --- writing -------------------------------------------------------------

    def tag(self, code, value):
        if isinstance(value, float):
            value = num(value)
        self.pieces.append("%3d\r\n%s\r\n" % (code, value))

    def tags(self, *pairs):
        for code, value in pairs:
            self.tag(code, value)

    def sub(self, marker):
        if not self.r12:
            self.tag(100, marker)

    def head(self, kind, owner, layer="0", handle_code=5):
        """Starts an object: its type, and from R2000 on its handle and owner."""
        self.tag(0, kind)
        h = None
        if not self.r12:
            h = self.new_handle()
            self.tag(handle_code, h)
            self.tag(330, owner)
        return h

    def point(self, base, p, z=0.0):
        self.tag(base, float(p[0]))
        self.tag(base + 10, float(p[1]))
        self.tag(base + 20, float(z))

    def entity(self, e, owner, paper=False):
        kind = e["kind"]
        h = self.head(kind, owner)
        self.sub("AcDbEntity")
        if paper:
            self.tag(67, 1)
        self.tag(8, e.get("layer", "0"))
        if "ltype" in e:
            self.tag(6, e["ltype"])
        if "color" in e:
            self.tag(62, e["color"])
        if kind == "LINE":
            self.sub("AcDbLine")
            self.point(10, e["p"])
            self.point(11, e["q"])
        elif kind in ("CIRCLE", "ARC"):
            self.sub("AcDbCircle")
            self.point(10, e["c"])
            self.tag(40, float(e["r"]))
            if kind == "ARC":
                self.sub("AcDbArc")
                self.tag(50, float(e["a0"]))
                self.tag(51, float(e["a1"]))
        elif kind == "LWPOLYLINE":
            self.sub("AcDbPolyline")
            self.tag(90, len(e["pts"]))
            self.tag(70, 1 if e.get("closed") else 0)
            if "elevation" in e:
                self.tag(38, float(e["elevation"]))
            self.tag(43, 0.0)
            for x, y, b in e["pts"]:
                self.tag(10, float(x))
                self.tag(20, float(y))
                if b:
                    self.tag(42, float(b))
        elif kind == "POLYLINE":
            self.sub("AcDb2dPolyline")
            self.tag(66, 1)
            self.point(10, (0.0, 0.0))
            self.tag(70, 1 if e.get("closed") else 0)
            for x, y, b in e["pts"]:
                self.head("VERTEX", h)
                self.sub("AcDbEntity")
                self.tag(8, e.get("layer", "0"))
                self.sub("AcDbVertex")
                self.sub("AcDb2dVertex")
                self.point(10, (x, y))
                if b:
                    self.tag(42, float(b))
                self.tag(70, 0)
            self.head("SEQEND", h)
            self.sub("AcDbEntity")
            self.tag(8, e.get("layer", "0"))
        elif kind == "TEXT":
            self.sub("AcDbText")
            self.point(10, e["p"])
            self.tag(40, float(e["h"]))
            self.tag(1, e["s"])
            if e.get("rot"):
                self.tag(50, float(e["rot"]))
            self.tag(7, e.get("style", self.styles[0][0]))
            if e.get("halign"):
                self.tag(72, e["halign"])
                self.point(11, e["align"])
            self.sub("AcDbText")
            if e.get("valign"):
                self.tag(73, e["valign"])
        elif kind == "MTEXT":
            self.sub("AcDbMText")
            self.point(10, e["p"])
            self.tag(40, float(e["h"]))
            self.tag(41, float(e.get("width", 0.0)))
            self.tag(71, e.get("attach", 1))
            self.tag(72, 1)
            s = e["s"]
            while len(s) > 250:  # long MTEXT goes out in group 3 chunks before the last group 1
                self.tag(3, s[:250])
                s = s[250:]
            self.tag(1, s)
            self.tag(7, e.get("style", self.styles[0][0]))
            if e.get("rot"):
                self.tag(50, float(e["rot"]))
        elif kind == "INSERT":
            self.sub("AcDbBlockReference")
            self.tag(2, e["name"])
            self.point(10, e["p"])
            for code, key in ((41, "sx"), (42, "sy"), (43, "sz")):
                if key in e:
                    self.tag(code, float(e[key]))
            if e.get("rot"):
                self.tag(50, float(e["rot"]))
        elif kind == "SOLID":
            self.sub("AcDbTrace")
            for i, p in enumerate(e["pts"]):
                self.point(10 + i, p)
        elif kind == "POINT":
            self.sub("AcDbPoint")
            self.point(10, e["p"])
        elif kind == "DIMENSION":
            self.sub("AcDbDimension")
            self.tag(2, e["block"])
            self.point(10, e["line"])
            self.point(11, e["text"])
            self.tag(70, 32 if not self.r12 else 0)  # rotated linear; the block belongs to it
            if not self.r12:
                self.tag(71, 5)
                self.tag(42, float(e["measure"]))
            if e.get("override"):
                self.tag(1, e["override"])
            self.tag(3, e.get("style", "STANDARD" if self.r12 else "Standard"))
            self.sub("AcDbAlignedDimension")
            self.point(13, e["ext1"])
            self.point(14, e["ext2"])
            self.tag(50, float(e.get("angle", 0.0)))
            self.sub("AcDbRotatedDimension")
        else:
            raise ValueError(kind)

    def table(self, name, records, write_record):
        self.tag(0, "TABLE")
        self.tag(2, name)
        h = None
        if not self.r12:
            h = self.new_handle()
            self.tag(5, h)
            self.tag(330, 0)
            self.sub("AcDbSymbolTable")
        self.tag(70, len(records))
        if name == "DIMSTYLE" and not self.r12:
            self.sub("AcDbDimStyleTable")
            self.tag(71, 0)
        for r in records:
            write_record(h, r)
        self.tag(0, "ENDTAB")

    def record(self, kind, table, marker, name, flags=0):
        h = self.head(kind, table, handle_code=105 if kind == "DIMSTYLE" else 5)
        self.sub("AcDbSymbolTableRecord")
        self.sub(marker)
        self.tag(2, name)
        self.tag(70, flags)
        return h

    def write_tables(self):
        self.tag(0, "SECTION")
        self.tag(2, "TABLES")

        def vport(t, _):
            self.record("VPORT", t, "AcDbViewportTableRecord", "*ACTIVE")
            ext = self.extents
            cx, cy = (ext.lo[0] + ext.hi[0]) / 2, (ext.lo[1] + ext.hi[1]) / 2
            height = (ext.hi[1] - ext.lo[1]) * 1.1
            self.tags((10, 0.0), (20, 0.0), (11, 1.0), (21, 1.0), (12, cx), (22, cy),
                      (13, 0.0), (23, 0.0), (14, 10.0), (24, 10.0), (15, 10.0), (25, 10.0),
                      (16, 0.0), (26, 0.0), (36, 1.0), (17, 0.0), (27, 0.0), (37, 0.0),
                      (40, height), (41, 1.6), (42, 50.0), (43, 0.0), (44, 0.0), (50, 0.0), (51, 0.0),
                      (71, 0), (72, 1000), (73, 1), (74, 3), (75, 0), (76, 0), (77, 0), (78, 0))

        self.table("VPORT", [None], vport)

        ltypes = [("CONTINUOUS" if self.r12 else "Continuous", "Solid line", [])] + self.ltypes
        if not self.r12:
            ltypes = [("ByBlock", "", []), ("ByLayer", "", [])] + ltypes

        def ltype(t, lt):
            name, description, pattern = lt
            self.record("LTYPE", t, "AcDbLinetypeTableRecord", name)
            self.tags((3, description), (72, 65), (73, len(pattern)),
                      (40, float(sum(abs(p) for p in pattern))))
            for p in pattern:
                self.tag(49, float(p))
                if not self.r12:
                    self.tag(74, 0)

        self.table("LTYPE", ltypes, ltype)

        def layer(t, la):
            name, color, flags, lt = la
            self.record("LAYER", t, "AcDbLayerTableRecord", name, flags)
            self.tag(62, color)
            self.tag(6, lt if self.r12 or lt != "CONTINUOUS" else "Continuous")
            if not self.r12:
                self.tag(370, -3)

        self.table("LAYER", self.layers, layer)

        def style(t, st):
            name, font, bigfont = st
            self.record_handles["style:" + name] = self.record("STYLE", t, "AcDbTextStyleTableRecord", name)
            self.tags((40, 0.0), (41, 1.0), (50, 0.0), (71, 0), (42, 2.5), (3, font), (4, bigfont))

        self.table("STYLE", self.styles, style)

        def view(t, v):
            name, cx, cy, width, height = v
            self.record("VIEW", t, "AcDbViewTableRecord", name)
            self.tags((40, float(height)), (10, float(cx)), (20, float(cy)), (41, float(width)),
                      (11, 0.0), (21, 0.0), (31, 1.0), (12, 0.0), (22, 0.0), (32, 0.0),
                      (42, 50.0), (43, 0.0), (44, 0.0), (50, 0.0), (71, 0))

        self.table("VIEW", self.views, view)
        self.table("UCS", [], None)

        def appid(t, name):
            self.record("APPID", t, "AcDbRegAppTableRecord", name)

        self.table("APPID", ["ACAD"], appid)

        def dimstyle(t, name):
            self.record("DIMSTYLE", t, "AcDbDimStyleTableRecord", name)
            self.tags((40, 1.0), (41, 2.5), (42, 0.625), (43, 3.75), (44, 1.25), (140, 2.5),
                      (141, 2.5), (147, 0.625), (77, 1), (271, 0))
            if not self.r12:
                self.tag(340, self.record_handles["style:" + self.styles[0][0]])

        self.table("DIMSTYLE", ["STANDARD" if self.r12 else "Standard"], dimstyle)

        if not self.r12:
            def block_record(t, name):
                h = self.head("BLOCK_RECORD", t)
                self.sub("AcDbSymbolTableRecord")
                self.sub("AcDbBlockTableRecord")
                self.tag(2, name)
                self.tags((70, 0), (280, 1), (281, 0))
                self.record_handles["block:" + name] = h

            names = ["*Model_Space", "*Paper_Space"] + [b[0] for b in self.blocks]
            self.table("BLOCK_RECORD", names, block_record)
        self.tag(0, "ENDSEC")

    def write_block(self, name, flags, base, entities, paper=False):
        owner = self.record_handles.get("block:" + name)
        self.head("BLOCK", owner)
        self.sub("AcDbEntity")
        if paper:
            self.tag(67, 1)
        self.tag(8, "0")
        self.sub("AcDbBlockBegin")
        self.tag(2, name)
        self.tag(70, flags)
        self.point(10, base)
        self.tag(3, name)
        self.tag(1, "")
        for e in entities:
            self.entity(e, owner)
        self.head("ENDBLK", owner)
        self.sub("AcDbEntity")
        if paper:
            self.tag(67, 1)
        self.tag(8, "0")
        self.sub("AcDbBlockEnd")

    def body(self):
        self.pieces = []
        if not self.r12:
            self.tag(0, "SECTION")
            self.tag(2, "CLASSES")
            self.tag(0, "ENDSEC")
        self.write_tables()
        self.tag(0, "SECTION")
        self.tag(2, "BLOCKS")
        model, paper = ("$MODEL_SPACE", "$PAPER_SPACE") if self.r12 else ("*Model_Space", "*Paper_Space")
        self.write_block(model, 0, (0.0, 0.0), [])
        self.write_block(paper, 0, (0.0, 0.0), [], paper=True)
        for name, flags, base, entities in self.blocks:
            self.write_block(name, flags, base, entities)
        self.tag(0, "ENDSEC")
        self.tag(0, "SECTION")
        self.tag(2, "ENTITIES")
        for e in self.entities:
            self.entity(e, self.record_handles.get("block:*Model_Space"))
        self.tag(0, "ENDSEC")
        if not self.r12:
            self.tag(0, "SECTION")
            self.tag(2, "OBJECTS")
            root = self.new_handle()
            group = self.new_handle()
            self.tags((0, "DICTIONARY"), (5, root), (330, 0), (100, "AcDbDictionary"), (281, 1),
                      (3, "ACAD_GROUP"), (350, group))
            self.tags((0, "DICTIONARY"), (5, group), (330, root), (100, "AcDbDictionary"), (281, 1))
            self.tag(0, "ENDSEC")
        self.tag(0, "EOF")
        return "".join(self.pieces)

    def header(self):
        self.pieces = []
        ext = self.extents
        self.tag(0, "SECTION")
        self.tag(2, "HEADER")
        self.tags((9, "$ACADVER"), (1, self.version))
        if not self.r12:
            self.tags((9, "$ACADMAINTVER"), (70, 6 if self.version < "AC1032" else 105))
        self.tags((9, "$DWGCODEPAGE"), (3, self.codepage))
        self.tags((9, "$INSBASE"), (10, 0.0), (20, 0.0), (30, 0.0))
        self.tags((9, "$EXTMIN"), (10, ext.lo[0]), (20, ext.lo[1]), (30, 0.0))
        self.tags((9, "$EXTMAX"), (10, ext.hi[0]), (20, ext.hi[1]), (30, 0.0))
        self.tags((9, "$LIMMIN"), (10, 0.0), (20, 0.0))
        self.tags((9, "$LIMMAX"), (10, 420.0), (20, 297.0))
        self.tags((9, "$CLAYER"), (8, "0"))
        self.tags((9, "$TEXTSTYLE"), (7, self.styles[0][0]))
        self.tags((9, "$LUNITS"), (70, 2), (9, "$LUPREC"), (70, 2))
        if not self.r12:
            self.tags((9, "$MEASUREMENT"), (70, 1), (9, "$INSUNITS"), (70, 4))
            self.tags((9, "$HANDSEED"), (5, "%X" % (self.handle + 1)))
        self.tag(0, "ENDSEC")
        return "".join(self.pieces)

    def save(self, name):
        body = self.body()  # first: it hands out the handles the header counts
        text = self.header() + body
        data = text.encode(self.encoding)
        assert len(data) < 50 * 1024, (name, len(data))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        return len(data)


# --- shapes shared by the drawings --------------------------------------------


def line(p, q, **kw):
    return dict(kind="LINE", p=p, q=q, **kw)


def rect(x0, y0, x1, y1, **kw):
    return [line((x0, y0), (x1, y0), **kw), line((x1, y0), (x1, y1), **kw),
            line((x1, y1), (x0, y1), **kw), line((x0, y1), (x0, y0), **kw)]


def circle(c, r, **kw):
    return dict(kind="CIRCLE", c=c, r=r, **kw)


def arc(c, r, a0, a1, **kw):
    return dict(kind="ARC", c=c, r=r, a0=a0, a1=a1, **kw)


def text(p, h, s, **kw):
    return dict(kind="TEXT", p=p, h=h, s=s, **kw)


def mtext(p, h, s, **kw):
    return dict(kind="MTEXT", p=p, h=h, s=s, **kw)


def insert(name, p, **kw):
    return dict(kind="INSERT", name=name, p=p, **kw)


def linear_dimension(d, block, ext1, ext2, y_line, layer="DIM", override=None):
    """A horizontal dimension and the anonymous block that draws it."""
    (x1, y1), (x2, y2) = ext1, ext2
    measure = abs(x2 - x1)
    mid = (x1 + x2) / 2
    arrow = 2.5
    lo, hi = min(x1, x2), max(x1, x2)
    label = override.replace("<>", "%g" % measure) if override else "%g" % measure
    content = [
        line((lo, y_line), (hi, y_line), color=0, layer="0"),
        line((x1, y1 + 1.25 * (1 if y_line > y1 else -1)), (x1, y_line + 1.25 * (1 if y_line > y1 else -1)),
             color=0, layer="0"),
        line((x2, y2 + 1.25 * (1 if y_line > y2 else -1)), (x2, y_line + 1.25 * (1 if y_line > y2 else -1)),
             color=0, layer="0"),
        dict(kind="SOLID", layer="0", color=0,
             pts=[(lo, y_line), (lo + arrow, y_line + arrow / 6), (lo + arrow, y_line - arrow / 6),
                  (lo + arrow, y_line - arrow / 6)]),
        dict(kind="SOLID", layer="0", color=0,
             pts=[(hi, y_line), (hi - arrow, y_line + arrow / 6), (hi - arrow, y_line - arrow / 6),
                  (hi - arrow, y_line - arrow / 6)]),
        (text((mid, y_line + 1.0), 2.5, label, halign=1, align=(mid, y_line + 1.0)) if d.r12 else
         mtext((mid, y_line + 1.0 + 2.5), 2.5, label, attach=8)),
        dict(kind="POINT", p=ext1, layer="DEFPOINTS"),
        dict(kind="POINT", p=ext2, layer="DEFPOINTS"),
        dict(kind="POINT", p=(x2, y_line), layer="DEFPOINTS"),
    ]
    for e in content:
        e.setdefault("layer", "0")
    d.block(block, content, flags=1)
    return dict(kind="DIMENSION", block=block, line=(x2, y_line), text=(mid, y_line + 1.0 + 1.25),
                ext1=ext1, ext2=ext2, measure=measure, layer=layer, override=override)


CENTER = ("CENTER", "Center ____ _ ____ _ ____ _ ____", [31.75, -6.35, 6.35, -6.35])
HIDDEN = ("HIDDEN", "Hidden __ __ __ __ __ __ __ __", [6.35, -3.175])


# --- the drawings --------------------------------------------------------------


def basic_shapes_r12():
    d = Drawing("AC1009", "ANSI_932", "ascii")
    d.linetype(*CENTER)
    d.linetype(*HIDDEN)
    d.layer("OUTLINE", 1)
    d.layer("CENTER", 2, ltype="CENTER")
    d.layer("TEXT", 5)
    d.layer("DIM", 3)
    d.layer("HIDDEN-OFF", -4, ltype="HIDDEN")  # off: negative colour
    d.layer("FROZEN", 6, flags=1)
    d.layer("DEFPOINTS", 7)
    d.add(*rect(0, 0, 200, 140, layer="OUTLINE"))
    d.add(line((10, 70), (190, 70), layer="CENTER"), line((100, 10), (100, 130), layer="CENTER"))
    d.add(circle((100, 70), 40, layer="OUTLINE"), circle((100, 70), 15, layer="OUTLINE", color=3))
    for k in range(4):
        a = 45 + 90 * k
        d.add(circle((100 + 28 * math.cos(math.radians(a)), 70 + 28 * math.sin(math.radians(a))), 4,
                     layer="OUTLINE"))
    d.add(arc((30, 110), 15, 0, 180, layer="OUTLINE"), arc((170, 110), 15, 270, 90, layer="OUTLINE"),
          arc((30, 30), 15, 300, 60, layer="OUTLINE", color=1))
    # A slot: two straight sides and two half circles as bulges of 1.
    d.add(dict(kind="POLYLINE", layer="OUTLINE", closed=True,
               pts=[(150, 20, 0), (180, 20, 1), (180, 40, 0), (150, 40, 1)]))
    d.add(dict(kind="POLYLINE", layer="OUTLINE", pts=[(10, 60, 0), (20, 50, -0.4142135624), (30, 50, 0)]))
    d.add(line((20, 130), (180, 130), layer="HIDDEN-OFF"), line((20, 5), (180, 5), layer="FROZEN"))
    d.add(text((5, 145), 5, "BASIC SHAPES R12", layer="TEXT"),
          text((100, 20), 3.5, "CENTERED", layer="TEXT", halign=1, align=(100, 20)),
          text((160, 60), 3, "ROTATED 30", layer="TEXT", rot=30),
          text((5, -12), 2.5, "%%c80 %%d45 %%p0.1 100%%%", layer="TEXT"))
    d.add(linear_dimension(d, "*D1", (60, 70), (140, 70), -8))
    d.view("FULL", 100, 65, 230, 175)
    d.view("SLOT", 165, 30, 50, 35)
    return d


def bolt_block(d):
    hexagon = [(4 * math.cos(math.radians(30 + 60 * k)), 4 * math.sin(math.radians(30 + 60 * k)), 0)
               for k in range(6)]
    d.block("BOLT", [
        dict(kind="LWPOLYLINE", layer="0", color=0, closed=True, pts=hexagon),
        circle((0, 0), 2.5, layer="0", color=0),
        line((-5, 0), (5, 0), layer="CENTER"), line((0, -5), (0, 5), layer="CENTER"),
    ])


def blocks_nested_r2000():
    d = Drawing("AC1015", "ANSI_1252", "ascii")
    d.linetype(*CENTER)
    d.layer("PART", 4)
    d.layer("CENTER", 2, ltype="CENTER")
    d.layer("DIM", 3)
    d.layer("NOTES", 30)
    d.layer("DEFPOINTS", 7)
    bolt_block(d)
    # A flange: its own outline, four bolts (the second level) and a slot.
    d.block("FLANGE", [
        circle((0, 0), 20, layer="0"),
        circle((0, 0), 8, layer="PART", color=1),
    ] + [insert("BOLT", (14 * math.cos(math.radians(45 + 90 * k)), 14 * math.sin(math.radians(45 + 90 * k))),
                rot=45 + 90 * k, layer="0") for k in range(4)])
    # A plate with rounded corners (bulges of tan(22.5 deg)) holding two flanges: the third level.
    r = 10
    t = math.tan(math.radians(22.5))
    plate = [(r, 0, 0), (160 - r, 0, t), (160, r, 0), (160, 80 - r, t), (160 - r, 80, 0), (r, 80, t),
             (0, 80 - r, 0), (0, r, t)]
    d.block("PLATE", [
        dict(kind="LWPOLYLINE", layer="PART", closed=True, pts=plate),
        insert("FLANGE", (40, 40), layer="0", color=0),
        insert("FLANGE", (120, 40), sx=0.75, sy=0.75, layer="0", color=1),
        text((80, 70), 4, "PLATE-01", layer="0", color=0, halign=1, align=(80, 70)),
    ], base=(0.0, 0.0))
    d.add(insert("PLATE", (0, 0), layer="PART"),
          insert("PLATE", (200, 20), rot=30, sx=0.5, sy=0.5, layer="PART", color=5),
          insert("BOLT", (185, -15), sx=2, sy=2, layer="PART"))
    d.add(dict(kind="POLYLINE", layer="NOTES", closed=False,
               pts=[(0, -30, 0), (60, -30, 0.5), (100, -30, 0), (160, -40, 0)]))
    d.add(dict(kind="LWPOLYLINE", layer="NOTES", elevation=0.0,
               pts=[(200, -40, 1), (220, -40, -1), (240, -40, 0)]))
    d.add(linear_dimension(d, "*D1", (0, 80), (160, 80), 95))
    d.add(linear_dimension(d, "*D2", (40, 40), (120, 40), -15, override="<> P.C."))
    d.add(mtext((0, 120), 3.5, "Nested blocks: PLATE > FLANGE > BOLT\\PBYBLOCK colours follow the insert",
                layer="NOTES", width=120))
    d.view("ALL", 140, 45, 330, 200)
    d.view("FLANGE-DETAIL", 40, 40, 50, 50)
    return d


def japanese_drawing(d, sjis):
    d.layer("外形線", 1)
    d.layer("建具", 4)
    d.layer("寸法", 3)
    d.layer("文字", 7)
    d.layer("非表示", -2)
    d.layer("DEFPOINTS", 7)
    font = d.styles[-1][0]
    # A window, and a fitting made of two windows: nested inserts.
    d.block("窓", [
        line((0, 0), (20, 0), layer="0"), line((0, 2), (20, 2), layer="0"),
        line((0, 0), (0, 2), layer="0"), line((20, 0), (20, 2), layer="0"),
        line((0, 1), (20, 1), layer="0", color=0),
    ])
    d.block("建具セット", [
        insert("窓", (0, 0), layer="0"), insert("窓", (25, 0), layer="0", color=0),
        text((0, 4), 2, "窓ｘ２", layer="文字", style=font),
    ])
    room = [(0, 0, 0), (120, 0, 0), (120, 60, 0), (90, 90, 0.4142135624), (30, 90, 0), (0, 60, 0)]
    d.add(dict(kind="LWPOLYLINE", layer="外形線", closed=True, pts=room))
    d.add(line((60, 0), (60, 60), layer="外形線"), line((0, 60), (120, 60), layer="外形線", color=8))
    d.add(arc((60, 60), 15, 180, 270, layer="建具"), circle((100, 20), 6, layer="建具"))
    d.add(insert("建具セット", (10, -1), layer="建具"),
          insert("建具セット", (121, 10), rot=90, layer="建具"),
          insert("窓", (70, 59), layer="建具", color=6))
    d.add(line((0, -20), (120, -20), layer="非表示"))
    d.add(text((5, 40), 4, "居間　１２．５㎡", layer="文字", style=font),
          text((65, 40), 4, "台所（キッチン）", layer="文字", style=font),
          text((5, 30), 3, "表示ソフト・能力・予定表", layer="文字", style=font),  # second bytes 0x5C
          text((65, 30), 3, "①②③　ＮＥＣ特殊文字　№　ｶﾀｶﾅ", layer="文字", style=font),
          text((5, 20), 3, "直径%%c50　角度45%%d", layer="文字", style=font))
    escapes = "Caf\\U+00E9 \\U+20AC" if sjis else "Café € 𠮷野家 髙橋"
    d.add(text((65, 20), 3, escapes, layer="文字", style=font))
    d.add(mtext((0, 130), 5, "{\\H1.2x;一階平面図}\\P縮尺 1/100\\P{\\C1;\\fMS Gothic|b1|i0|c128|p49;株式会社サンプル設計}"
                             "\\P\\S1/2;階段は\\L下線\\l付き",
                layer="文字", width=110, style=font))
    d.add(linear_dimension(d, "*D1", (0, 0), (120, 0), -12, layer="寸法", override="<> ｍｍ"))
    d.view("全体", 60, 55, 170, 170)
    d.view("居間詳細", 30, 40, 70, 50)


def japanese_sjis_r2004():
    d = Drawing("AC1018", "ANSI_932", "cp932")
    d.style("日本語", "txt.shx", "extfont2.shx")
    japanese_drawing(d, sjis=True)
    return d


def japanese_utf8_r2018():
    d = Drawing("AC1032", "ANSI_932", "utf-8")
    d.style("日本語", "txt.shx", "extfont2.shx")
    japanese_drawing(d, sjis=False)
    return d


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, make in (("basic-shapes-r12.dxf", basic_shapes_r12),
                       ("blocks-nested-r2000.dxf", blocks_nested_r2000),
                       ("japanese-sjis-r2004.dxf", japanese_sjis_r2004),
                       ("japanese-utf8-r2018.dxf", japanese_utf8_r2018)):
        size = make().save(name)
        print("%-26s %6d bytes" % (name, size))


if __name__ == "__main__":
    main()
