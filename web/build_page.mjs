// Makes the one self-contained page: the template's <link> of the style
// and <script src> tags are replaced by the files' contents, the core's
// script (with its WebAssembly inside) among them.
//   node build_page.mjs PAGE_FOLDER CORE_SCRIPT OUTPUT
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [folder, coreScript, output] = process.argv.slice(2);
const read = (path) => readFileSync(path, 'utf8');
// A script's text may not close its own element.
const inlineScript = (text) => `<script>\n${text.replaceAll('</script', '<\\/script')}\n</script>`;

let page = read(join(folder, 'index.html'));
page = page.replace('<link rel="stylesheet" href="style.css">', () => `<style>\n${read(join(folder, 'style.css'))}</style>`);
page = page.replace('<script src="korvane_core.js"></script>', () => inlineScript(read(coreScript)));
for (const name of ['chart.js', 'table.js', 'serial.js', 'app.js']) {
  page = page.replace(`<script src="${name}"></script>`, () => inlineScript(read(join(folder, name))));
}
if (/<script src=|<link rel="stylesheet"/.test(page)) {
  throw new Error('a script or style of the template was not inlined');
}
writeFileSync(output, page);
