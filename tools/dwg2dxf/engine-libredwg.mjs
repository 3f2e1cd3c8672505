// One conversion with LibreDWG: engine-libredwg.mjs INPUT OUTPUT
// It writes the drawing's own release; the requested one is ignored.
// Run by dwg2dxf in a child process of its own.
import fs from 'fs';
import path from 'path';
import { fileURLToPath } from 'url';
import attributes from './attributes.cjs';
import layerTable from './layer-table.cjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const modulePath = path.join(here, 'node_modules/@mlightcad/libredwg-web/wasm/libredwg-web.js');

// Errors from this bit upwards mean that objects were lost (the library's
// DWG_ERR_CRITICAL); smaller ones are warnings about single objects.
const kCriticalError = 128;

// LibreDWG's DXF writer gets the sign of every layer colour wrong (see
// layer-table.cjs) and writes an ATTDEF's line kind where its flags belong
// (see attributes.cjs), while its reader has both right. Returns, by handle
// (upper-case hex, as group 5 writes it), each layer's off state and each
// ATTDEF's flags.
function drawingStates(libredwg) {
  const result = libredwg.dwg_read_file('/input.dwg');
  if (!result || !result.data) return null;
  const layers = new Map();
  const attdefFlags = new Map();
  try {
    if (result.error >= kCriticalError) return null;
    const layerType = libredwg.Dwg_Object_Type.TYPE_LAYER.value;
    const attdefType = libredwg.Dwg_Object_Type.TYPE_ATTDEF.value;
    const count = libredwg.dwg_get_num_objects(result.data);
    for (let i = 0; i < count; i++) {
      const object = libredwg.dwg_get_object(result.data, i);
      if (!object) continue;
      const type = libredwg.dwg_object_get_fixedtype(object);
      if (type === attdefType) {
        const attdef = libredwg.dwg_object_to_entity_tio(object);
        const flags = libredwg.dwg_dynapi_entity_value(attdef, 'flags');
        if (!flags || !flags.success) continue;
        const handle = libredwg.dwg_obj_get_handle_value(object).toString(16).toUpperCase();
        attdefFlags.set(handle, flags.data);
        continue;
      }
      if (type !== layerType) continue;
      const layer = libredwg.dwg_object_to_object_tio(object);
      const off = libredwg.dwg_dynapi_entity_value(layer, 'off');
      const color = libredwg.dwg_dynapi_entity_value(layer, 'color');
      if (!off || !off.success) continue;
      // R13 and R14 keep a layer's off state as a negative colour number too.
      const number = color && color.success ? color.data.index : 0;
      const negative = number < 0 || (number > 0x7fff && number <= 0xffff);
      const handle = libredwg.dwg_obj_get_handle_value(object).toString(16).toUpperCase();
      layers.set(handle, off.data !== 0 || negative);
    }
  } finally {
    libredwg.dwg_free(result.data);
  }
  return { layers, attdefFlags };
}

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
// Without the drawing's own states both repairs still work by rule; a
// reader that fails here has already let the writer through.
let states = null;
try {
  states = drawingStates(libredwg);
} catch {
  states = null;
}
const withLayers = layerTable.fixLayerTable(Buffer.from(dxf), states && states.layers).dxf;
fs.writeFileSync(output, attributes.fixAttributes(withLayers, states && states.attdefFlags).dxf);
