// korvane.html in Debian's chromium, driven by Playwright: the report and
// the downloaded korvane.inc against the built mardeluk, the explorer
// against the built korvane-baud, the layout at desktop and phone width, the
// chart's marks, the explorer following the calculator, no request beyond
// the page, the keyboard, and an accessibility scan.
//   KORVANE_PAGE=build/web/korvane.html MARDELUK=... KORVANE_BAUD=... node --test tests/web
// With KORVANE_SCREENSHOTS=FOLDER it also saves the page at desktop and
// phone width there, and the explorer (the README's pictures, in docs/).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './browser.mjs';
import AxeBuilder from '@axe-core/playwright';

const pageUrl = pathToFileURL(resolve(process.env.KORVANE_PAGE)).href;
const mardeluk = resolve(process.env.MARDELUK);
const korvaneBaud = resolve(process.env.KORVANE_BAUD);
let browser;

before(async () => {
  browser = await launchChromium();
});
after(async () => browser?.close());

async function openPage(query = '', options = {}) {
  const context = await browser.newContext({ acceptDownloads: true, ...options });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(pageUrl + query);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  return { context, page, errors };
}

// What mardeluk prints and writes, run in a scratch folder.
function runMardeluk(args) {
  const folder = mkdtempSync(join(tmpdir(), 'korvane-page-'));
  const run = spawnSync(mardeluk, args, { cwd: folder, encoding: 'utf8' });
  const file = join(folder, 'korvane.inc');
  const include = existsSync(file) ? readFileSync(file) : null;
  rmSync(folder, { recursive: true });
  return { out: run.stdout, status: run.status, include };
}

const keys = ['baudrate', 'timer', 'accuracy', 'clock', 'start', 'user'];
const defaults = ['', 'T1', '1', '11.0592', '0000', '8000'];

// Parameters as the query gives them; mardeluk gets the same, the gaps
// before the last one filled with the defaults.
const parameterSets = [
  {},
  { baudrate: '9600' },
  { baudrate: '9600', timer: 'BG', accuracy: '0.1', clock: '12' },
  { baudrate: '9.6e3', timer: 't2', clock: '12' },
  { baudrate: '115200', timer: 'T2', accuracy: '0', clock: '11.0592', start: '0c000h', user: '0FFFF' },
  { baudrate: '57600', timer: 'd1' },
  { baudrate: '38400', timer: 'D1', accuracy: '2', clock: '25' },
  { baudrate: '9600', timer: 'BA', clock: '12', start: '8000', user: '0' },
  { baudrate: '9600', timer: 'T1', accuracy: '1', clock: '12' },     // insufficient accuracy
  { baudrate: '19200', timer: 'BG', accuracy: '1', clock: '12' },    // cannot be generated
  { baudrate: '10', timer: 'T2', clock: '40' },
  { baudrate: '+1E2', timer: 'Bg', accuracy: '5', clock: '0.25' },
  { baudrate: 'x' },                                                  // illegal real number
  { baudrate: '-9600' },                                              // baud rate out of range
  { baudrate: '9600', timer: 'T3' },                                  // unknown generator
  { baudrate: '9600', accuracy: '5.0001' },                           // accuracy out of range
  { baudrate: '9600', clock: '0' },                                   // clock out of range
  { baudrate: '9600', start: '$FF' },                                 // invalid hex number
  { baudrate: '9600', user: '10000' },                                // address out of range
  { baudrate: '1E400' },
  { baudrate: '50', timer: 'BG', accuracy: '1E0', clock: '1E17' },
];

test('the report and the downloaded korvane.inc are what mardeluk prints and writes', async () => {
  const { context, page, errors } = await openPage();
  for (const set of parameterSets) {
    const query = new URLSearchParams(set).toString();
    await page.goto(`${pageUrl}?${query}`);
    await page.waitForSelector('body[data-ready]');
    const last = keys.reduce((found, key, index) => (key in set ? index : found), -1);
    const args = keys.slice(0, last + 1).map((key, index) => set[key] ?? defaults[index]);
    const expected = runMardeluk(args);
    assert.equal(await page.textContent('#report'), expected.out.replace(/\n$/, ''), query);
    const link = page.locator('#include-file');
    if (expected.include === null) {
      assert.equal(await link.count(), 0, query);
      const errorLine = expected.out.split('\n').find((line) => line.startsWith('@@@@@'));
      assert.match(await page.textContent('#include-status'), errorLine ? new RegExp(errorLine.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')) : /help screen/, query);
    } else {
      assert.equal(await link.getAttribute('download'), 'korvane.inc');
      const [download] = await Promise.all([page.waitForEvent('download'), link.click()]);
      assert.deepEqual(readFileSync(await download.path()), expected.include, query);
      assert.equal(await page.textContent('#include-preview'), expected.include.toString('latin1'), query);
    }
  }
  assert.deepEqual(errors, []);
  await context.close();
});

test('the explorer answers as korvane-baud --json does', async () => {
  const ones = '1'.repeat(5000);
  const cases = [
    { query: 'clocks=11.0592,12,14.31818&adapter=ftdi', args: ['--json', '--clock', '11.0592,12,14.31818', '--adapter', 'ftdi'] },
    // A generator named twice, and an accuracy of more digits than the extended type holds.
    { query: `clocks=12&rates=9600&generators=T1,t1,BG&survey-accuracy=0.${ones}`,
      args: ['--json', '--clock', '12', '--rate', '9600', '--generator', 'T1,t1,BG', '--accuracy', `0.${ones}`] },
    { query: 'clocks=&rates=9600,115200', args: ['--json', '--rate', '9600,115200'] },
  ];
  const { context, page } = await openPage();
  for (const { query, args } of cases) {
    await page.goto(`${pageUrl}?${query}`);
    await page.waitForSelector('body[data-ready]');
    const run = spawnSync(korvaneBaud, args, { encoding: 'utf8' });
    assert.equal(await page.textContent('#explorer-json'), run.stdout, query);
    const text = spawnSync(korvaneBaud, args.slice(1), { encoding: 'utf8' });
    assert.equal(await page.textContent('#explorer-text'), text.stdout, query);
    // The table: korvane-baud's rows (or crystals), in its order, each cell
    // holding the value of its JSON key.
    const answer = JSON.parse(run.stdout);
    const entries = answer.crystal_search ? answer.crystals : answer.rows;
    const cells = await page.$$eval('#explorer-table tbody tr', (rows) =>
      rows.map((row) => [...row.querySelectorAll('td[data-key]')].map((td) => [td.dataset.key, td.dataset.value])));
    assert.equal(cells.length, entries.length, query);
    cells.forEach((row, index) => {
      assert.ok(row.length >= 6, query);
      for (const [key, value] of row) assert.equal(value, JSON.stringify(entries[index][key]), `${query} row ${index} ${key}`);
    });
    // ... and the texts of korvane-baud's own lines: a crystal's line, or a
    // reachable row's line after its clock and rate.
    const words = (texts) => texts.join(' ').split(/\s+/).filter(Boolean);
    const shown = await page.$$eval('#explorer-table tbody tr', (rows) =>
      rows.map((row) => [...row.querySelectorAll('td[data-key]')].map((td) => td.textContent)));
    const lines = text.stdout.split('\n').map((line) => line.trim().split(/\s+/));
    shown.forEach((texts, index) => {
      const own = answer.crystal_search ? texts : texts.slice(2);
      if (!answer.crystal_search && !entries[index].reachable) return;
      assert.ok(lines.some((line) => line.join(' ') === words(own).join(' ')), `${query} row ${index}: ${own.join('|')}`);
    });
  }
  // A header sorts by its column, both ways.
  await page.click('#explorer-table th button:text("Worst deviation")');
  const sorted = await page.$$eval('#explorer-table tbody td[data-key="worst_deviation"]', (tds) => tds.map((td) => Number(td.dataset.value)));
  assert.deepEqual(sorted, [...sorted].sort((a, b) => a - b));
  await page.click('#explorer-table th button:text("Worst deviation")');
  const reversed = await page.$$eval('#explorer-table tbody td[data-key="worst_deviation"]', (tds) => tds.map((td) => Number(td.dataset.value)));
  assert.deepEqual(reversed, [...sorted].reverse());
  await page.fill('#clocks', '12,,16');
  assert.equal(await page.textContent('#explorer-error'),
    "korvane-baud: --clock '12,,16': an empty item; try 'korvane-baud --help'");
  // Digits that overflow the extended type are a number out of range, not NaN.
  await page.fill('#clocks', '12');
  await page.fill('#survey-accuracy', `${ones}.${ones}`);
  const refused = spawnSync(korvaneBaud, ['--clock', '12', '--accuracy', `${ones}.${ones}`], { encoding: 'utf8' });
  assert.equal(refused.status, 1);
  assert.match(refused.stderr, /: out of range \(0 to 5 %\); try/);
  assert.equal(await page.textContent('#explorer-error'), refused.stderr.replace(/\n$/, ''));
  await context.close();
});

test('a row of the table puts its settings into the calculator, and the report follows', async () => {
  const { context, page, errors } = await openPage('?clocks=14.31818,12&rates=9600,19200&generators=T2,BA&survey-accuracy=0.5');
  const cases = [{ row: 5 }, { query: '?clocks=&rates=57600,115200&generators=T1,T2&survey-accuracy=2', row: 1 }];
  for (const { query, row } of cases) {
    if (query) { await page.goto(pageUrl + query); await page.waitForSelector('body[data-ready]'); }
    await page.locator('#explorer-table .use-row').nth(row).click();
    const fields = await Promise.all(['baudrate', 'timer', 'accuracy', 'clock'].map((id) => page.inputValue(`#${id}`)));
    const answer = JSON.parse(await page.textContent('#explorer-json'));
    const entry = answer.crystal_search ? answer.crystals[row] : answer.rows[row];
    assert.deepEqual(fields, [String(entry.nominal_baud ?? answer.rates[0]), entry.generator,
      String(answer.accuracy * 100), String(entry.clock_hz / 1e6)]);
    assert.equal(await page.textContent('#report'), runMardeluk(fields).out.replace(/\n$/, ''), fields.join(' '));
  }
  assert.deepEqual(errors, []);
  await context.close();
});

test('opened from disk, the page asks for nothing but itself', async () => {
  const context = await browser.newContext();
  const requests = [];
  await context.route('**/*', (route) => {
    if (route.request().url().split('?')[0] === pageUrl) return route.continue();
    requests.push(route.request().url());
    return route.abort();
  });
  const page = await context.newPage();
  page.on('request', (request) => { if (request.url().split('?')[0] !== pageUrl) requests.push(request.url()); });
  await page.goto(`${pageUrl}?baudrate=9600`);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  await page.fill('#rates', '9600,57600');
  await page.waitForTimeout(500);
  assert.deepEqual(requests, []);
  await context.close();
});

test('by keyboard alone: tab to the baud rate, type, and the report and the link follow', async () => {
  const { context, page } = await openPage('?baudrate=9600');
  for (let presses = 0; presses < 5 && !(await page.evaluate(() => document.activeElement?.id === 'baudrate')); presses++) {
    await page.keyboard.press('Tab');
  }
  assert.equal(await page.evaluate(() => document.activeElement.id), 'baudrate');
  await page.keyboard.press('Control+A');
  await page.keyboard.type('19200');
  assert.match(await page.textContent('#report'), /nominal baudrate: {12}19200 Baud/);
  await page.waitForFunction(() => location.search.includes('baudrate=19200'));
  await page.keyboard.press('Tab');
  await page.keyboard.type("X");  // tabbing into a field selects its text
  assert.match(await page.textContent('#report'), /@@@@@ unknown baudrate generator: X @@@@@/);
  assert.equal(await page.locator('#include-file').count(), 0);
  await context.close();
});

test('no serious or critical accessibility violation, light and dark', async () => {
  for (const colorScheme of ['light', 'dark']) {
    const { context, page } = await openPage('?baudrate=9600&timer=T2&clock=12', { colorScheme });
    const result = await new AxeBuilder({ page }).analyze();
    const grave = result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
    assert.deepEqual(grave.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`), [], colorScheme);
    await context.close();
  }
});

// A crystal search as korvane-baud answers it, for the chart's marks.
function crystalSearch(rate) {
  return JSON.parse(spawnSync(korvaneBaud, ['--json', '--rate', rate], { encoding: 'utf8' }).stdout);
}

// What the layout and the chart look like in the page, measured there.
function measureLayout() {
  const box = (element) => element.getBoundingClientRect();
  const scroll = document.querySelector('.table-scroll');
  const texts = [...document.querySelectorAll('#chart text')].map((text) => [text.textContent, box(text)]);
  const overlapping = [];
  texts.forEach(([a, one], i) => texts.slice(i + 1).forEach(([b, other]) => {
    if (one.left < other.right && other.left < one.right && one.top < other.bottom && other.top < one.bottom) overlapping.push(`${a}|${b}`);
  }));
  const rowLabels = new Map(texts.filter(([text]) => /^[\d.]+$/.test(text)).map(([text, rect]) => [text, rect]));
  return {
    viewport: innerWidth,
    pageWidth: document.documentElement.scrollWidth,
    // Whatever sticks out of the screen, but for what scrolls in its own box.
    wide: [...document.querySelectorAll('body *')].filter((element) => !element.closest('.table-scroll, .console, #chart') &&
      box(element).right > innerWidth + 0.5).map((element) => element.id || element.tagName),
    form: box(document.getElementById('calculator')).toJSON(),
    report: box(document.getElementById('report')).toJSON(),
    tableShown: scroll.clientWidth, tableWidth: scroll.scrollWidth,
    content: box(document.querySelector('section.across')).width,
    boxes: ['.table-scroll', '#chart'].map((selector) => box(document.querySelector(selector)).width),
    opened: [...document.querySelectorAll('#explorer-text, #explorer-json')].map((pre) => pre.closest('details').open),
    tableFirst: document.getElementById('explorer-table').compareDocumentPosition(document.getElementById('chart')) ===
      Node.DOCUMENT_POSITION_FOLLOWING,
    overlapping,
    joined: document.querySelectorAll('#chart path, #chart polyline').length,
    // Each mark, and whether it lies in the row of the crystal it names.
    marks: [...document.querySelectorAll('#chart circle')].map((mark) => {
      const title = mark.querySelector('title').textContent;
      const label = rowLabels.get(/, ([\d.]+) MHz/.exec(title)[1]);
      const middle = (box(mark).top + box(mark).bottom) / 2;
      return [title, Math.abs(middle - (label.top + label.bottom) / 2) < 11];
    }),
  };
}

test('the layout: fields beside the report, the table and chart across, nothing wider than a phone', async () => {
  const viewports = [{ width: 1280, height: 900 }, { width: 1000, height: 800 }, { width: 390, height: 844 }];
  const queries = ['?baudrate=57600&timer=T2&clock=12', '?baudrate=9600&clocks=&rates=9600,115200'];
  for (const viewport of viewports) {
    const { context, page, errors } = await openPage('', { viewport });
    for (const query of queries) {
      await page.goto(pageUrl + query);
      await page.waitForSelector('body[data-ready]');
      const at = `${viewport.width} px ${query}`;
      const layout = await page.evaluate(measureLayout);
      assert.ok(layout.pageWidth <= layout.viewport, `${at}: the page scrolls sideways (${layout.pageWidth} px)`);
      assert.deepEqual(layout.wide, [], at);
      const beside = viewport.width >= 1000;
      assert.equal(layout.form.right <= layout.report.left && layout.report.top < layout.form.bottom, beside, at);
      if (beside) {
        for (const width of layout.boxes) assert.ok(Math.abs(width - layout.content) < 1, `${at}: ${width} of ${layout.content} px`);
      }
      if (viewport.width === 1280) assert.ok(layout.tableWidth <= layout.tableShown, `${at}: the table scrolls sideways`);
      assert.deepEqual(layout.opened, [false, false], at);
      assert.ok(layout.tableFirst, at);
      // The chart: a point per generator that comes within 10 % at each crystal, in that crystal's row.
      assert.deepEqual(layout.overlapping, [], at);
      assert.equal(layout.joined, 0, at);
      const rate = await page.inputValue('#chart-rate');
      const expected = crystalSearch(rate).rows.filter((row) => row.reachable).map((row) =>
        `${row.generator}, ${Number((row.clock_hz / 1e6).toPrecision(7))} MHz: ${(row.deviation * 100).toFixed(2)} %`);
      assert.deepEqual(layout.marks.map(([title]) => title).sort(), expected.sort(), at);
      assert.deepEqual(layout.marks.filter(([, inRow]) => !inRow), [], at);
    }
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('the explorer follows the calculator until it is given a question of its own', async () => {
  const { context, page, errors } = await openPage('?baudrate=57600&timer=T2&clock=12');
  const explorer = () => page.evaluate(() => ({ clocks: document.getElementById('clocks').value,
    rates: document.getElementById('rates').value, chart: document.getElementById('chart-rate').value,
    marks: document.querySelectorAll('#chart circle').length, link: location.search }))
    .then((seen) => ({ ...seen, link: new URLSearchParams(seen.link) }));
  let seen = await explorer();
  assert.deepEqual([seen.clocks, seen.chart], ['12', '57600']);
  // A rate that is no standard one is the chart's all the same.
  await page.fill('#clock', '14.7456');
  await page.fill('#baudrate', '62500');
  await page.waitForFunction(() => document.getElementById('chart-rate').value === '62500');
  await page.waitForFunction(() => location.search.includes('62500'));
  seen = await explorer();
  assert.equal(seen.clocks, '14.7456');
  assert.equal(seen.marks, crystalSearch('62500').rows.filter((row) => row.reachable).length);
  assert.deepEqual(JSON.parse(await page.textContent('#explorer-json')).clocks_hz, [14745600]);
  assert.equal(seen.link.has('clocks'), false);
  // Typed into, the explorer keeps its question, and so does its link.
  await page.fill('#rates', '9600,62500');
  await page.fill('#clock', '12');
  await page.waitForFunction(() => new URLSearchParams(location.search).get('clock') === '12');
  seen = await explorer();
  assert.deepEqual([seen.clocks, seen.link.get('clocks'), seen.link.get('rates')], ['14.7456', '14.7456', '9600,62500']);
  await page.goto(page.url());
  await page.waitForSelector('body[data-ready]');
  seen = await explorer();
  assert.deepEqual([await page.inputValue('#clock'), seen.clocks, seen.rates], ['12', '14.7456', '9600,62500']);
  // ... until it follows again.
  await page.click('#explorer-follow button');
  seen = await explorer();
  assert.deepEqual([seen.clocks, seen.rates, seen.chart], ['12', '', '62500']);
  // A link that names the chart's rate keeps it, and the explorer's clock.
  await page.goto(`${pageUrl}?baudrate=9600&clock=12&chartrate=19200`);
  await page.waitForSelector('body[data-ready]');
  seen = await explorer();
  assert.deepEqual([seen.clocks, seen.chart], ['11.0592', '19200']);
  assert.deepEqual(errors, []);
  await context.close();
});

test('screenshots at desktop and phone width', { skip: !process.env.KORVANE_SCREENSHOTS }, async () => {
  const folder = process.env.KORVANE_SCREENSHOTS;
  const shots = [['desktop', { width: 1280, height: 1400 }, '?baudrate=57600&timer=T2&clock=12'],
    ['phone', { width: 390, height: 844 }, '?baudrate=9600&timer=T2&clock=12&rates=9600,115200&clocks='],
    ['explorer', { width: 1280, height: 900 }, '?baudrate=9600&clocks=11.0592,12&adapter=ftdi&chartrate=19200', 'section.across']];
  for (const [name, viewport, query, part] of shots) {
    const { context, page } = await openPage(query, { viewport });
    const path = join(folder, `korvane-page-${name}.png`);
    await (part ? page.locator(part).screenshot({ path }) : page.screenshot({ path }));
    await context.close();
  }
});

// The page's weight is its load time: the WebAssembly stays out of the
// scripts the browser parses before the first report, and loads as well
// where Uint8Array.fromBase64 is missing (Chromium before 140).
test('at most 350 KB, no large script to parse, the core also without Uint8Array.fromBase64', async () => {
  assert.ok(readFileSync(resolve(process.env.KORVANE_PAGE)).length <= 350e3);
  const reports = [];
  for (const withoutFromBase64 of [false, true]) {
    const context = await browser.newContext();
    if (withoutFromBase64) await context.addInitScript(() => { delete Uint8Array.fromBase64; });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    await page.goto(`${pageUrl}?baudrate=9600`);
    await page.waitForSelector('body[data-ready]', { timeout: 30000 });
    assert.equal(await page.evaluate(() => typeof Uint8Array.fromBase64), withoutFromBase64 ? 'undefined' : 'function');
    const scripts = await page.evaluate(() => [...document.scripts].filter((script) => script.type === '').map((script) => script.text.length));
    assert.ok(Math.max(...scripts) <= 64 * 1024, `scripts of ${scripts} characters`);
    reports.push(await page.textContent('#report'));
    assert.deepEqual(errors, []);
    await context.close();
  }
  assert.match(reports[0], /nominal baudrate: {12}9600.0 Baud/);
  assert.equal(reports[1], reports[0]);
});
