// Puts right the strings of the DXF text that libdxfrw writes for a DWG, as
// @mlightcad/libdxfrw-web 0.1.0 builds it.
//
// Its DWG reader keeps the terminating NUL of the strings of R2004 and
// older files as part of each name and text ("Tavolo 2\0"), and the writer
// passes it on in every group: layer names in the table and in each
// entity's group 8, block, style and linetype names, texts. A NUL never
// belongs in a DXF line and C readers end the string there, so each line
// is cut at its first NUL.
//
// The writer adds a layer "0" when the drawing has none; with the NUL the
// drawing's own "0\0" did not count, so the table ends with a second layer
// "0" of its own defaults. That record goes, and the drawing's layer 0 stays
// with its own colour and state. (It does the same for the linetypes
// ByBlock, ByLayer and Continuous, the style Standard, the application
// ACAD and the model and paper space blocks; those records are left, since
// other records point to some of them by handle and none holds a layer.)
'use strict';

const { layerTableBody } = require('./layer-table-body.cjs');

// Drops the LAYER records that have a name without NUL when another record
// had that name with one; |lines| are the table's lines, NULs still in.
function dropAddedLayers(lines) {
  const records = [];  // {first, last (exclusive), name, hadNul, layer}
  const limit = lines.length && lines[lines.length - 1] === '' ? lines.length - 1 : lines.length;
  for (let i = 0; i + 1 < limit; i += 2) {
    const code = lines[i].trim();
    if (code === '0') {
      if (records.length) records[records.length - 1].last = i;
      records.push({ first: i, last: limit, name: null, hadNul: false, layer: lines[i + 1].trim() === 'LAYER' });
    } else if (code === '2' && records.length && records[records.length - 1].name === null) {
      const record = records[records.length - 1];
      const value = lines[i + 1].replace(/\r$/, '');
      const nul = value.indexOf('\0');
      record.hadNul = nul >= 0;
      record.name = (nul >= 0 ? value.slice(0, nul) : value).trim().toUpperCase();
    }
  }
  const fromDrawing = new Set(records.filter((r) => r.layer && r.hadNul).map((r) => r.name));
  const dropped = records.filter((r) => r.layer && !r.hadNul && fromDrawing.has(r.name));
  for (const r of dropped.reverse()) lines.splice(r.first, r.last - r.first);
  return dropped.length;
}

// Returns the text without NULs, and how many lines lost one and how many
// layer records went.
function fixStringEnds(dxf) {
  let layersDropped = 0;
  const body = layerTableBody(dxf);
  if (body) {
    const lines = dxf.slice(body.start, body.end).split('\n');
    layersDropped = dropAddedLayers(lines);
    if (layersDropped) dxf = dxf.slice(0, body.start) + lines.join('\n') + dxf.slice(body.end);
  }
  let linesCut = 0;
  dxf = dxf.replace(/\0[^\r\n]*/g, () => {
    linesCut += 1;
    return '';
  });
  return { dxf, linesCut, layersDropped };
}

module.exports = { fixStringEnds };
