// One conversion with libdxfrw: engine-libdxfrw.cjs INPUT OUTPUT ACADVER
// Reads DWG R14 to 2018 and DXF in either form. Run by dwg2dxf in a child
// process of its own.
'use strict';

const fs = require('fs');
const path = require('path');
const stringEnds = require('./string-ends.cjs');

const modulePath = path.join(__dirname, 'node_modules/@mlightcad/libdxfrw-web/dist/libdxfrw.js');

function fail(message) {
  process.stderr.write(`${message}\n`);
  process.exit(1);
}

async function main() {
  const [input, output, requested] = process.argv.slice(2);
  const createModule = require(modulePath);
  const libdxfrw = await createModule({ print: () => {}, printErr: () => {} });
  const bytes = fs.readFileSync(input);
  const database = new libdxfrw.DRW_Database();
  const handler = new libdxfrw.DRW_FileHandler();
  handler.database = database;

  if (bytes.subarray(0, 2).toString('latin1') === 'AC') {
    const reader = new libdxfrw.DRW_DwgR(bytes);
    const complete = reader.read(handler, false);
    const error = reader.getError();
    reader.delete();
    // The objects section comes after every table, block and entity, and
    // libdxfrw gives up on many of its newer object types; the drawing
    // itself is whole then.
    if (!complete && error !== libdxfrw.DWR_Error.BAD_READ_OBJECTS) {
      fail(`libdxfrw error ${error.value}`);
    }
  } else {
    const reader = new libdxfrw.DRW_DxfRW(bytes);
    const complete = reader.read(handler, false);
    reader.delete();
    // The DXF reader says false for anything it skipped; it has failed only
    // when nothing at all came through.
    if (!complete && (!database.mBlock || database.mBlock.entities.size() === 0)) {
      fail('libdxfrw read no entity');
    }
  }

  // Strings come back from the library decoded as UTF-8, so text written in
  // a code page comes back as replacement characters. Releases from AC1021
  // on are UTF-8 throughout; write one of those when the text needs it.
  let version = libdxfrw.DRW_Version[requested] || libdxfrw.DRW_Version.AC1015;
  let dxf = handler.fileExport(version, false, database, false);
  if (/[^\x00-\x7f]/.test(dxf) && version.value < libdxfrw.DRW_Version.AC1021.value) {
    version = libdxfrw.DRW_Version.AC1021;
    dxf = handler.fileExport(version, false, database, false);
  }
  database.delete();
  handler.delete();
  fs.writeFileSync(output, stringEnds.fixStringEnds(dxf).dxf, 'utf8');
}

main().catch((error) => fail(error.message));
