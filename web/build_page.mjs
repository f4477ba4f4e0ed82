// Makes the one self-contained page: the template's <link> of the style
// and <script src> tags are replaced by the files' contents, the core's
// script among them. The core's WebAssembly goes in gzip'd and in base64,
// in a script element of a type the browser neither runs nor parses as
// script (only scans for its end tag) and keeps out of the rendering and
// the accessibility tree; the core's own script decompresses and compiles
// it (web/core/load_from_page.js).
//   node build_page.mjs PAGE_FOLDER CORE_SCRIPT CORE_WASM OUTPUT
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

const [folder, coreScript, coreWasm, output] = process.argv.slice(2);
const read = (path) => readFileSync(path, 'utf8');
// A script's text may not close its own element.
const inlineScript = (text) => `<script>\n${text.replaceAll('</script', '<\\/script')}\n</script>`;
// Base64 has no '<': the data cannot close its element.
const wasm = gzipSync(readFileSync(coreWasm), { level: 9 }).toString('base64');

let page = read(join(folder, 'index.html'));
page = page.replace('<link rel="stylesheet" href="style.css">', () => `<style>\n${read(join(folder, 'style.css'))}</style>`);
page = page.replace('<script src="korvane_core.js"></script>',
  () => `<script type="application/gzip" id="korvane-core-wasm">${wasm}</script>\n${inlineScript(read(coreScript))}`);
for (const name of ['chart.js', 'table.js', 'serial.js', 'app.js']) {
  page = page.replace(`<script src="${name}"></script>`, () => inlineScript(read(join(folder, name))));
}
if (/<script src=|<link rel="stylesheet"/.test(page)) {
  throw new Error('a script or style of the template was not inlined');
}
writeFileSync(output, page);
