// One conversion of a binary DXF into the same DXF as text:
// engine-binary-dxf.cjs INPUT OUTPUT
//
// A binary DXF holds exactly the groups of a text DXF, each value stored in
// the type its group code implies, so the conversion loses nothing: the
// release, the code page and every string's bytes stay as they were. Run by
// dwg2dxf in a child process of its own.
'use strict';

const fs = require('fs');

const kSentinel = Buffer.from('AutoCAD Binary DXF\r\n\x1a\x00', 'latin1');

function inRanges(code, ranges) {
  return ranges.some(([from, to]) => code >= from && code <= to);
}

// The value types of the group code ranges of the DXF reference; every
// other code holds a zero-terminated string.
const kDouble = [[10, 59], [110, 149], [210, 239], [460, 469], [1010, 1059]];
const kInt16 = [[60, 79], [170, 179], [270, 289], [370, 389], [400, 409], [1060, 1070]];
const kInt32 = [[90, 99], [420, 429], [440, 459], [1071, 1071]];
const kInt64 = [[160, 169]];
const kBool = [[290, 299]];
const kBinary = [[310, 319], [1004, 1004]];

function fail(message) {
  process.stderr.write(`${message}\n`);
  process.exit(1);
}

function formatDouble(value) {
  // Shortest text that reads back as the same double; whole numbers keep a
  // decimal point as DXF writers do.
  return Number.isInteger(value) && Math.abs(value) < 1e21 ? value.toFixed(1) : String(value);
}

// A text DXF cannot hold a line break or another control character inside a
// value; like AutoCAD's own text files it writes them in caret notation
// (line feed as ^J).
function caretEncoded(bytes) {
  if (!bytes.some((b) => b < 0x20)) return bytes;
  const out = [];
  for (const b of bytes) {
    if (b < 0x20) out.push(0x5e, b + 0x40);
    else out.push(b);
  }
  return Buffer.from(out);
}

function convert(data) {
  if (data.length < kSentinel.length || !data.subarray(0, kSentinel.length).equals(kSentinel)) {
    throw new Error('not a binary DXF');
  }
  // The first group is 0/SECTION: R12 files store group codes in one byte
  // (255 escaping a two-byte code), later releases in two.
  let at = kSentinel.length;
  const oneByteCodes = data.length > at + 1 && data[at + 1] !== 0;
  const need = (n) => {
    if (at + n > data.length) throw new Error(`cut off at byte ${at}`);
  };
  const parts = [];
  const eol = Buffer.from('\r\n', 'latin1');
  for (;;) {
    let code;
    need(1);
    if (oneByteCodes) {
      code = data[at++];
      if (code === 255) {
        need(2);
        code = data.readInt16LE(at);
        at += 2;
      }
    } else {
      need(2);
      code = data.readInt16LE(at);
      at += 2;
    }
    let value;
    if (inRanges(code, kBinary)) {
      need(1);
      const length = data[at++];
      need(length);
      value = Buffer.from(data.subarray(at, at + length).toString('hex').toUpperCase(), 'latin1');
      at += length;
    } else if (inRanges(code, kDouble)) {
      need(8);
      value = Buffer.from(formatDouble(data.readDoubleLE(at)), 'latin1');
      at += 8;
    } else if (inRanges(code, kInt16)) {
      need(2);
      value = Buffer.from(String(data.readInt16LE(at)), 'latin1');
      at += 2;
    } else if (inRanges(code, kInt32)) {
      need(4);
      value = Buffer.from(String(data.readInt32LE(at)), 'latin1');
      at += 4;
    } else if (inRanges(code, kInt64)) {
      need(8);
      value = Buffer.from(String(data.readBigInt64LE(at)), 'latin1');
      at += 8;
    } else if (inRanges(code, kBool)) {
      need(1);
      value = Buffer.from(String(data[at++]), 'latin1');
    } else {
      const end = data.indexOf(0, at);
      if (end < 0) throw new Error(`unterminated string at byte ${at}`);
      value = caretEncoded(data.subarray(at, end));
      at = end + 1;
    }
    parts.push(Buffer.from(String(code).padStart(3), 'latin1'), eol, value, eol);
    if (code === 0 && value.toString('latin1') === 'EOF') return Buffer.concat(parts);
  }
}

const [input, output] = process.argv.slice(2);
try {
  fs.writeFileSync(output, convert(fs.readFileSync(input)));
} catch (error) {
  fail(error.message);
}
