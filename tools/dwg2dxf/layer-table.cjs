// Puts right the LAYER table of the DXF files that LibreDWG writes, as
// @mlightcad/libredwg-web 0.7.14 builds it.
//
// Its writer negates every layer's colour (group 62), on or off, so every
// layer of every converted drawing reads as off and nothing is drawn. A
// true-colour layer fares worse: the writer puts the low byte of its RGB
// value (the blue channel) where the colour number belongs, and writes group
// 420 with LibreDWG's colour-method byte still on top of the 24 RGB bits.
//
// The sign is set from the layer's own on/off state as the DWG file records
// it (read separately, see engine-libredwg.mjs), matched to the DXF record
// by handle (group 5). Without that state the writer's negation is undone,
// which gives back the colour number stored in the DWG: right for every
// layer that is on, and for an R13/R14 layer that is off (LibreDWG reads
// a negative number there), but a layer of R2000 or later that is off comes
// out on, since those releases keep the off state in a flag instead.
//
// Nothing outside the LAYER table is touched, and the bytes are handled as
// Latin-1 so that a drawing's code page passes through unchanged.
'use strict';

const { layerTableBody } = require('./layer-table-body.cjs');

// The palette the viewer draws with (render/Pens.cpp): 1-9 and 250-255 as
// AutoCAD has them, 10-249 as 24 hues of five values, odd numbers pale.
function paletteColor(n) {
  const fixed = {
    1: [255, 0, 0], 2: [255, 255, 0], 3: [0, 255, 0], 4: [0, 255, 255], 5: [0, 0, 255],
    6: [255, 0, 255], 7: [255, 255, 255], 8: [128, 128, 128], 9: [192, 192, 192],
    250: [51, 51, 51], 251: [91, 91, 91], 252: [132, 132, 132], 253: [173, 173, 173],
    254: [214, 214, 214], 255: [255, 255, 255],
  };
  if (fixed[n]) return fixed[n];
  const hue = (Math.floor(n / 10) - 1) * 15;
  const j = n % 10;
  const v = [255, 204, 153, 127.5, 76.5][Math.floor(j / 2)];
  const m = j % 2 === 0 ? 0 : v / 2;
  const f = (hue % 60) / 60;
  const rise = m + (v - m) * f;
  const fall = v - (v - m) * f;
  const rgb = [[v, rise, m], [fall, v, m], [m, v, rise], [m, fall, v], [rise, m, v], [v, m, fall]][Math.floor(hue / 60)];
  return rgb.map(Math.trunc);
}

const kPalette = Array.from({ length: 256 }, (_, n) => (n === 0 ? null : paletteColor(n)));

// The colour number closest to a 0xRRGGBB value, the lowest one on a tie;
// for the true-colour layers compared so far AutoCAD writes the same number
// beside group 420.
function nearestColorNumber(rgb) {
  const r = (rgb >> 16) & 0xff;
  const g = (rgb >> 8) & 0xff;
  const b = rgb & 0xff;
  let best = 7;
  let bestDistance = Infinity;
  for (let n = 1; n <= 255; n++) {
    const [pr, pg, pb] = kPalette[n];
    const distance = (pr - r) ** 2 + (pg - g) ** 2 + (pb - b) ** 2;
    if (distance < bestDistance) {
      best = n;
      bestDistance = distance;
    }
  }
  return best;
}

function withEnding(text, line) {
  return line.endsWith('\r') ? `${text}\r` : text;
}

// Rewrites groups 62 and 420 of one LAYER record; |lines| holds the record's
// value lines by group code position, |offByHandle| maps upper-case handles
// to true (off) or false (on).
function fixRecord(lines, record, offByHandle, counts) {
  if (record.color < 0) return;
  const written = Number.parseInt(lines[record.color], 10);
  if (!Number.isFinite(written)) return;
  let number = Math.abs(written);
  if (record.trueColor >= 0) {
    const value = Number.parseInt(lines[record.trueColor], 10);
    if (Number.isFinite(value)) {
      const rgb = (value >>> 0) & 0xffffff;
      lines[record.trueColor] = withEnding(String(rgb).padStart(9), lines[record.trueColor]);
      number = nearestColorNumber(rgb);
    }
  }
  let off;
  if (record.handle !== null && offByHandle && offByHandle.has(record.handle)) {
    off = offByHandle.get(record.handle);
    counts.fromDrawing += 1;
  } else {
    off = written > 0;  // the writer's negation undone
    counts.byRule += 1;
  }
  lines[record.color] = withEnding(String(off ? -number : number).padStart(6), lines[record.color]);
}

// The tables come before the blocks; a drawing of some hundred megabytes
// would not fit in one string, so only the part up to the blocks is decoded.
const kBlocksSection = Buffer.from('\n  0\r\nSECTION\r\n  2\r\nBLOCKS\r\n', 'latin1');

// Returns the corrected DXF bytes, and how many layer records took their
// state from the drawing and how many by the rule above.
function fixLayerTable(dxf, offByHandle) {
  const counts = { fromDrawing: 0, byRule: 0 };
  const blocks = dxf.indexOf(kBlocksSection);
  const tablesEnd = blocks >= 0 ? blocks : dxf.length;
  const text = dxf.toString('latin1', 0, tablesEnd);
  const body = layerTableBody(text);
  if (!body) return { dxf, ...counts };
  const { start: bodyStart, end: bodyEnd } = body;

  const lines = text.slice(bodyStart, bodyEnd).split('\n');
  let record = null;
  for (let i = 0; i + 1 < lines.length; i += 2) {
    const code = lines[i].trim();
    const value = lines[i + 1].trim();
    if (code === '0') {
      if (record) fixRecord(lines, record, offByHandle, counts);
      record = value === 'LAYER' ? { handle: null, color: -1, trueColor: -1 } : null;
    } else if (record) {
      if (code === '5') record.handle = value.toUpperCase();
      else if (code === '62') record.color = i + 1;
      else if (code === '420') record.trueColor = i + 1;
    }
  }
  if (record) fixRecord(lines, record, offByHandle, counts);
  const fixed = text.slice(0, bodyStart) + lines.join('\n') + text.slice(bodyEnd);
  return { dxf: Buffer.concat([Buffer.from(fixed, 'latin1'), dxf.subarray(tablesEnd)]), ...counts };
}

module.exports = { fixLayerTable, nearestColorNumber };
