// Puts right the ATTRIB and ATTDEF records of the DXF files that LibreDWG
// writes, as @mlightcad/libredwg-web 0.7.14 builds them.
//
// After an attribute's own groups (tag, flags, lock) its writer adds a
// subclass "100/AcDbXrecord" with a group 280 and, in R2018 files, the
// attribute's line kind (1 single line, 2 or 4 several lines) as a second
// group 70. A reader takes the last 70 of a text for its flags, and 1 is
// the invisible bit: every single-line attribute of an R2018 drawing would
// vanish. AutoCAD writes neither group, so both go, with the subclass.
//
// An attribute of several lines carries an MTEXT after "101/Embedded
// Object". LibreDWG puts that MTEXT's own entity groups (48, 60, 370 and an
// empty layer name, group 8) in front of the marker, where they overwrite
// the attribute's layer and visibility; AutoCAD has none of them there.
//
// ATTDEF fares worse: its group 70 holds that line kind instead of the
// flags (invisible, constant, verify, preset). The flags come from the DWG
// file (read separately, see engine-libredwg.mjs), matched by handle; without
// them the group is set to 0, a plain visible attribute, since the line kind
// is no flags value at all.
//
// The file is walked group by group as bytes, so a drawing of any size is
// handled without decoding it, and every other byte passes unchanged.
'use strict';

const LF = 0x0a;
const CR = 0x0d;

// Splits the file into lines as the viewer's reader does: a line ends at
// CR, LF or CR LF. LibreDWG lets a bare CR or LF through inside some damaged
// strings, and the groups must be seen as that reader sees them. The next
// CR and LF are remembered, so a file without CR is not searched to its
// end for every line.
class Lines {
  constructor(dxf) {
    this.dxf = dxf;
    this.nextCr = -1;
    this.nextLf = -1;
  }

  // The end of the line that starts at |from|, after its line break.
  end(from) {
    const dxf = this.dxf;
    if (this.nextCr !== Infinity && this.nextCr < from) {
      const n = dxf.indexOf(CR, from);
      this.nextCr = n < 0 ? Infinity : n;
    }
    if (this.nextLf !== Infinity && this.nextLf < from) {
      const n = dxf.indexOf(LF, from);
      this.nextLf = n < 0 ? Infinity : n;
    }
    const eol = Math.min(this.nextCr, this.nextLf);
    if (eol === Infinity) return dxf.length;
    return eol === this.nextCr && dxf[eol + 1] === LF ? eol + 2 : eol + 1;
  }
}

// The group code of a code line, or NaN; digits with blanks around them.
function groupCode(dxf, start, end) {
  let i = start;
  while (i < end && (dxf[i] === 0x20 || dxf[i] === 0x09)) i++;
  let code = 0;
  let digits = 0;
  while (i < end && dxf[i] >= 0x30 && dxf[i] <= 0x39) {
    code = code * 10 + (dxf[i] - 0x30);
    digits++;
    i++;
  }
  while (i < end && (dxf[i] === 0x20 || dxf[i] === 0x09 || dxf[i] === CR || dxf[i] === LF)) i++;
  return digits > 0 && i === end ? code : Number.NaN;
}

function valueText(dxf, group) {
  return dxf.toString('latin1', group.valueStart, group.end).trim();
}

// The codes an attribute's own subclass holds: version or lock (280),
// prompt, tag, flags, field length and vertical alignment.
const kOwnCodes = new Set([280, 3, 2, 70, 73, 74]);

// Returns the groups of one attribute record to write, and whether any
// changed. |groups| are {code, start, valueStart, end}; a replaced value
// is given as {code, start, valueStart, end, value}.
function fixRecord(dxf, groups, isAttdef, flagsByHandle, counts) {
  const subclass = groups.findIndex((g) => g.code === 100 &&
    valueText(dxf, g) === (isAttdef ? 'AcDbAttributeDefinition' : 'AcDbAttribute'));
  if (subclass < 0) return null;
  const keep = groups.map(() => true);
  let changed = false;

  if (!isAttdef) {
    const xrecord = groups.findIndex((g, i) => i > subclass && g.code === 100 && valueText(dxf, g) === 'AcDbXrecord');
    if (xrecord >= 0) {
      keep[xrecord] = false;
      for (let i = xrecord + 1; i < groups.length && (groups[i].code === 280 || groups[i].code === 70); i++) {
        keep[i] = false;
      }
      changed = true;
    }
  }

  // The embedded MTEXT's entity groups, between the attribute's own ones
  // and the marker.
  const marker = groups.findIndex((g, i) => i > subclass && g.code === 101);
  if (marker >= 0) {
    let i = subclass + 1;
    while (i < marker && (!keep[i] || kOwnCodes.has(groups[i].code))) i++;
    for (; i < marker; i++) {
      if (keep[i]) {
        keep[i] = false;
        changed = true;
      }
    }
  }

  const result = groups.filter((_, i) => keep[i]);
  if (isAttdef) {
    const flags = result.findIndex((g, i) => i > subclass && g.code === 70);
    const handle = groups.find((g) => g.code === 5);
    if (flags >= 0) {
      const key = handle ? valueText(dxf, handle).toUpperCase() : null;
      let value = 0;
      if (key !== null && flagsByHandle && flagsByHandle.has(key)) {
        value = flagsByHandle.get(key);
        counts.fromDrawing += 1;
      } else {
        counts.byRule += 1;
      }
      const g = result[flags];
      const old = dxf.toString('latin1', g.valueStart, g.end);
      const ending = /[\r\n]*$/.exec(old)[0];
      result[flags] = { ...g, value: Buffer.from(`${String(value).padStart(6)}${ending}`, 'latin1') };
      changed = true;
    }
  }
  return changed ? result : null;
}

// Returns the corrected DXF bytes, and how many ATTDEF records took their
// flags from the drawing and how many were set to 0.
function fixAttributes(dxf, flagsByHandle) {
  const counts = { fromDrawing: 0, byRule: 0, records: 0 };
  const chunks = [];
  let copied = 0;  // dxf[copied..] is not yet in chunks
  let record = null;  // {start, isAttdef, groups}
  const closeRecord = (at) => {
    const fixed = fixRecord(dxf, record.groups, record.isAttdef, flagsByHandle, counts);
    if (fixed) {
      chunks.push(dxf.subarray(copied, record.groups[0].start));
      for (const g of fixed) {
        chunks.push(dxf.subarray(g.start, g.valueStart));
        chunks.push(g.value || dxf.subarray(g.valueStart, g.end));
      }
      copied = at;
      counts.records += 1;
    }
    record = null;
  };

  const lines = new Lines(dxf);
  let pos = 0;
  while (pos < dxf.length) {
    const valueStart = lines.end(pos);
    const end = lines.end(valueStart);
    const code = groupCode(dxf, pos, valueStart);
    const group = { code, start: pos, valueStart, end };
    if (code === 0) {
      if (record) closeRecord(pos);
      const type = end - valueStart <= 10 ? valueText(dxf, group) : '';
      if (type === 'ATTRIB' || type === 'ATTDEF') record = { isAttdef: type === 'ATTDEF', groups: [] };
    }
    if (record) record.groups.push(group);
    pos = end;
  }
  if (record) closeRecord(dxf.length);
  if (copied === 0) return { dxf, ...counts };
  chunks.push(dxf.subarray(copied));
  return { dxf: Buffer.concat(chunks), ...counts };
}

module.exports = { fixAttributes };
