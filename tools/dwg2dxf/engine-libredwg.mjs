// One conversion with LibreDWG: engine-libredwg.mjs INPUT OUTPUT
// It writes the drawing's own release; the requested one is ignored.
// Run by dwg2dxf in a child process of its own.
import fs from 'fs';
import path from 'path';
import { fileURLToPath } from 'url';

const here = path.dirname(fileURLToPath(import.meta.url));
const modulePath = path.join(here, 'node_modules/@mlightcad/libredwg-web/wasm/libredwg-web.js');

// Errors from this bit upwards mean that objects were lost (the library's
// DWG_ERR_CRITICAL); smaller ones are warnings about single objects.
const kCriticalError = 128;

const [input, output] = process.argv.slice(2);
const { default: createModule } = await import(modulePath);
// The library reports every odd object on stdout and stderr; a caller only
// needs the outcome.
const libredwg = await createModule({ print: () => {}, printErr: () => {} });
libredwg.FS.writeFile('/input.dwg', fs.readFileSync(input));
const status = libredwg.dwg_write_dxf('/input.dwg', '/output.dxf');
if (status >= kCriticalError) {
  process.stderr.write(`LibreDWG error 0x${status.toString(16)}\n`);
  process.exit(1);
}
let dxf;
try {
  dxf = libredwg.FS.readFile('/output.dxf');
} catch {
  process.stderr.write('LibreDWG wrote nothing\n');
  process.exit(1);
}
fs.writeFileSync(output, dxf);
