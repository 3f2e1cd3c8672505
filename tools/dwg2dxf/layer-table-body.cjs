// Where the LAYER table's records are in a DXF text, for the repairs that
// rewrite them (layer-table.cjs, string-ends.cjs).
'use strict';

// From "0/TABLE 2/LAYER" to the next "0/ENDTAB".
const kLayerTableStart = /(^|\n)[ \t]*0\r?\n[ \t]*TABLE\r?\n[ \t]*2\r?\n[ \t]*LAYER\r?\n/;
const kTableEnd = /\n[ \t]*0\r?\n[ \t]*ENDTAB\r?\n/g;

// The records' text is text.slice(start, end): it begins after the line
// "LAYER" and ends after the LF that ends the last record's last line (at
// the end of the text when the table is cut off). Null without a table.
function layerTableBody(text) {
  const head = kLayerTableStart.exec(text);
  if (!head) return null;
  const start = head.index + head[0].length;
  kTableEnd.lastIndex = start;
  const tail = kTableEnd.exec(text);
  return { start, end: tail ? tail.index + 1 : text.length };
}

module.exports = { layerTableBody };
