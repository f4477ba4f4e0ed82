// What korvane.html costs: its size, the time from navigation to the first
// complete report (median of 20 loads from file://, or --loads, each in a
// fresh context), from an edit to the updated report (median and 95th
// percentile of 50 edits, measured in the page), the crystal search over the
// whole list for four rates, and how much longer than asked the reset pulse
// lasts with a scripted port (10 pulses at each of 10, 50 and 200 ms). With
// --against, the size and the first report of another page too, its loads
// interleaved with this one's in the same browser, and the ratios of the
// two. Not part of the test command.
//   node tests/web/benchmark.mjs [build/web/korvane.html] [--against OTHER.html] [--loads N]
import { statSync } from 'node:fs';
import { basename, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';
import { launchChromium } from './browser.mjs';
import { scriptedSerial } from './scripted_serial.mjs';

const { values: options, positionals } = parseArgs({
  allowPositionals: true,
  options: { against: { type: 'string' }, loads: { type: 'string', default: '20' } },
});
const loads = Number(options.loads);
const file = resolve(positionals[0] ?? 'build/web/korvane.html');
const url = pathToFileURL(file).href;
const against = options.against && resolve(options.against);
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return (sorted[Math.floor((sorted.length - 1) / 2)] + sorted[Math.ceil((sorted.length - 1) / 2)]) / 2;
};
const percentile95 = (values) => [...values].sort((a, b) => a - b)[Math.ceil(values.length * 0.95) - 1];

const browser = await launchChromium();
async function firstReport(pageUrl) {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(`${pageUrl}?baudrate=9600&timer=T2&clock=12`);
  await page.waitForSelector('body[data-ready]');
  const time = await page.evaluate(() => performance.getEntriesByName('korvane-first-report')[0].startTime);
  await context.close();
  return time;
}
// One load of each not counted: the browser's own first start.
const pages = against ? [url, pathToFileURL(against).href] : [url];
for (const pageUrl of pages) await firstReport(pageUrl);
const firstReports = pages.map(() => []);
for (let load = 0; load < loads; load++) {
  for (const [index, pageUrl] of pages.entries()) firstReports[index].push(await firstReport(pageUrl));
}

const page = await browser.newPage();
await page.goto(`${url}?baudrate=9600`);
await page.waitForSelector('body[data-ready]');
const { edits, search } = await page.evaluate(() => {
  const field = document.getElementById('baudrate');
  const edits = [];
  for (let i = 0; i < 50; i++) {
    const start = performance.now();
    field.value = String(1200 + 100 * i);
    field.dispatchEvent(new Event('input', { bubbles: true }));
    if (!document.getElementById('report').textContent.includes(`${1200 + 100 * i}`)) throw new Error('no update');
    edits.push(performance.now() - start);
  }
  const searches = [];
  for (let i = 0; i < 10; i++) {
    const start = performance.now();
    runBaud(['', '9600,19200,57600,115200', '', '', 'exact'], 'json');
    searches.push(performance.now() - start);
  }
  return { edits, search: searches };
});

// The pulse: from the call that switches DTR off to the one that switches it
// back on, over the width asked; and the page's own part, from the moment
// the first call took effect (the port answered it) to the second.
const overshoots = {};
const pageOvershoots = {};
const serialContext = await browser.newContext();
await serialContext.addInitScript(scriptedSerial);
const serialPage = await serialContext.newPage();
await serialPage.goto(url);
await serialPage.waitForSelector('body[data-ready]');
await serialPage.waitForFunction(() => document.getElementById('serial-port').textContent !== '');
for (const width of [10, 50, 200]) {
  overshoots[width] = [];
  pageOvershoots[width] = [];
  await serialPage.fill('#serial-width', String(width));
  for (let pulse = 0; pulse < 10; pulse++) {
    await serialPage.evaluate(() => { document.getElementById('serial-verdict').textContent = ''; window.serialLog.length = 0; });
    await serialPage.click('#serial-reset');
    await serialPage.waitForFunction(() => document.getElementById('serial-verdict').textContent === 'reset', null, { polling: 100 });
    const calls = await serialPage.evaluate(() => window.serialLog.filter((entry) => entry.call === 'setSignals'));
    overshoots[width].push(calls[1].at - calls[0].at - width);
    pageOvershoots[width].push(calls[1].at - calls[0].done - width);
  }
}
await browser.close();

const row = (what, value, target) => console.log(`| ${what} | ${value} | ${target} |`);
console.log('| measure | value | target |');
console.log('|---|---:|---:|');
const size = statSync(file).size;
row('size of korvane.html', `${(size / 1024).toFixed(0)} KiB`, 'at most 350 KB');
row(`navigation to the first report (median of ${loads} loads)`, `${median(firstReports[0]).toFixed(1)} ms`, 'under 300 ms');
if (against) {
  const otherSize = statSync(against).size;
  row(`size of ${basename(against)}`, `${(otherSize / 1024).toFixed(0)} KiB`, '');
  row(`its first report (median of ${loads} loads, interleaved)`, `${median(firstReports[1]).toFixed(1)} ms`, '');
  row('size, this page over the other', (size / otherSize).toFixed(2), '');
  row('first report, this page over the other', (median(firstReports[0]) / median(firstReports[1])).toFixed(2), '');
}
row('edit to updated report, median of 50', `${median(edits).toFixed(2)} ms`, '');
row('edit to updated report, 95th percentile', `${percentile95(edits).toFixed(2)} ms`, 'under 16 ms');
row('crystal search, 27 crystals x 4 rates x 5 generators (median of 10)', `${median(search).toFixed(1)} ms`, 'under 50 ms');
for (const [width, values] of Object.entries(overshoots)) {
  row(`pulse overshoot at ${width} ms, median and maximum of 10 (scripted port)`,
    `${median(values).toFixed(2)} / ${Math.max(...values).toFixed(2)} ms`, 'never below 0');
  const own = pageOvershoots[width];
  row(`of which after the port took the first call, median and maximum`,
    `${median(own).toFixed(2)} / ${Math.max(...own).toFixed(2)} ms`, 'never below 0');
}
