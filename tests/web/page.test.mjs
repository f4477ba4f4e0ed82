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

// ... and is small, with no large script to parse before the first report;
// the core also loads where Uint8Array.fromBase64 is missing.
test('opened from disk, the page asks for nothing but itself', async () => {
  assert.ok(readFileSync(resolve(process.env.KORVANE_PAGE)).length <= 350e3);
  const reports = [];
  for (const withoutFromBase64 of [false, true]) {
    const context = await browser.newContext();
    if (withoutFromBase64) await context.addInitScript(() => { delete Uint8Array.fromBase64; });
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
    assert.equal(await page.evaluate(() => typeof Uint8Array.fromBase64), withoutFromBase64 ? 'undefined' : 'function');
    const scripts = await page.$$eval('script:not([type])', (all) => all.map((script) => script.text.length));
    assert.ok(Math.max(...scripts) <= 64 * 1024, `scripts of ${scripts} characters`);
    reports.push(await page.textContent('#report'));
    await page.fill('#rates', '9600,57600');
    await page.waitForTimeout(500);
    assert.deepEqual(requests, []);
    await context.close();
  }
  assert.match(reports[0], /nominal baudrate: {12}9600.0 Baud/);
  assert.equal(reports[1], reports[0]);
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

// The points that the chart should show for a rate: korvane-baud's crystal
// search, a point for each generator that comes within 10 % at a crystal.
const reachable = (rate) => JSON.parse(spawnSync(korvaneBaud, ['--json', '--rate', rate], { encoding: 'utf8' }).stdout)
  .rows.filter((row) => row.reachable)
  .map((row) => `${row.generator}, ${Number((row.clock_hz / 1e6).toPrecision(7))} MHz: ${(row.deviation * 100).toFixed(2)} %`);

// The layout and the chart as the page shows them.
function measureLayout() {
  const box = (selector) => document.querySelector(selector).getBoundingClientRect();
  const texts = [...document.querySelectorAll('#chart text')].map((text) => [text.textContent, text.getBoundingClientRect()]);
  const middle = (rect) => (rect.top + rect.bottom) / 2;
  const rows = new Map(texts);
  return {
    // Whatever sticks out of the screen, but for what scrolls in its own box.
    wide: [...document.querySelectorAll('body *')].filter((element) => !element.closest('.table-scroll, .console, #chart') &&
      element.getBoundingClientRect().right > innerWidth + 0.5).map((element) => element.id || element.tagName),
    pageWide: document.documentElement.scrollWidth > innerWidth,
    beside: box('#calculator').right <= box('#report').left && box('#report').top < box('#calculator').bottom,
    across: ['.table-scroll', '#chart'].map((selector) => Math.abs(box(selector).width - box('section.across').width) < 1),
    tableScrolls: document.querySelector('.table-scroll').scrollWidth > document.querySelector('.table-scroll').clientWidth,
    opened: [...document.querySelectorAll('#explorer-text, #explorer-json')].map((pre) => pre.closest('details').open),
    overlapping: texts.flatMap(([a, one], i) => texts.slice(i + 1).filter(([, other]) => one.left < other.right &&
      other.left < one.right && one.top < other.bottom && other.top < one.bottom).map(([b]) => `${a}|${b}`)),
    joined: document.querySelectorAll('#chart path, #chart polyline').length,
    // Each point by its title, and whether it lies in the row of the crystal it names.
    marks: [...document.querySelectorAll('#chart circle')].map((mark) => {
      const title = mark.querySelector('title').textContent;
      return [title, Math.abs(middle(mark.getBoundingClientRect()) - middle(rows.get(/, ([\d.]+) MHz/.exec(title)[1]))) < 11];
    }),
  };
}

test('the layout: fields beside the report, the table and chart across, nothing wider than a phone', async () => {
  for (const viewport of [{ width: 1280, height: 900 }, { width: 1000, height: 800 }, { width: 390, height: 844 }]) {
    const { context, page, errors } = await openPage('', { viewport });
    for (const query of ['?baudrate=57600&timer=T2&clock=12', '?baudrate=9600&clocks=&rates=9600,115200']) {
      await page.goto(pageUrl + query);
      await page.waitForSelector('body[data-ready]');
      const at = `${viewport.width} px ${query}`;
      const layout = await page.evaluate(measureLayout);
      const wide = viewport.width >= 1000;
      assert.deepEqual({ ...layout, marks: layout.marks.map(([title]) => title).sort() }, {
        wide: [], pageWide: false, beside: wide, across: wide ? [true, true] : layout.across,
        tableScrolls: viewport.width === 1280 ? false : layout.tableScrolls, opened: [false, false], overlapping: [], joined: 0,
        marks: reachable(await page.inputValue('#chart-rate')).sort(),
      }, at);
      assert.deepEqual(layout.marks.filter(([, inRow]) => !inRow), [], at);
    }
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test('the explorer follows the calculator until it is given a question of its own', async () => {
  const { context, page, errors } = await openPage('?baudrate=57600&timer=T2&clock=12');
  const explorer = () => page.evaluate(() => [
    ...['clock', 'clocks', 'rates', 'chart-rate'].map((id) => document.getElementById(id).value),
    new URLSearchParams(location.search).get('clocks'),
    JSON.parse(document.getElementById('explorer-json').textContent).clocks_hz.join(),
    document.querySelectorAll('#chart circle').length]);
  // Each step, then the calculator's clock, the explorer's clocks, rates and
  // chart rate, the link's clocks and the clocks it answered; the chart's
  // points are those of its rate.
  const steps = [
    [[], ['12', '12', '', '57600', null, '12000000']],
    // A rate that is no standard one is the chart's all the same.
    [[['#clock', '14.7456'], ['#baudrate', '62500']], ['14.7456', '14.7456', '', '62500', null, '14745600']],
    // Typed into, the explorer keeps its question, and so does its link ...
    [[['#rates', '9600,62500'], ['#clock', '12']], ['12', '14.7456', '9600,62500', '62500', '14.7456', '14745600']],
    [['reload'], ['12', '14.7456', '9600,62500', '62500', '14.7456', '14745600']],
    // ... until it follows again; a link that names the chart's rate keeps it.
    [['#explorer-follow button'], ['12', '12', '', '62500', null, '12000000']],
    [['?baudrate=9600&clock=12&chartrate=19200'], ['12', '11.0592', '', '19200', null, '11059200']],
  ];
  for (const [actions, fields] of steps) {
    const expected = [...fields, reachable(fields[3]).length];
    for (const action of actions) {
      if (Array.isArray(action)) await page.fill(...action);
      else if (action.startsWith('#')) await page.click(action);
      else {
        await page.goto(action === 'reload' ? page.url() : pageUrl + action);
        await page.waitForSelector('body[data-ready]');
      }
    }
    // The explorer and the link follow an edit a task later.
    for (let waited = 0; waited < 5000 && JSON.stringify(await explorer()) !== JSON.stringify(expected); waited += 50) {
      await page.waitForTimeout(50);
    }
    assert.deepEqual(await explorer(), expected, JSON.stringify(actions));
  }
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
