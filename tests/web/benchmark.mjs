// What korvane.html costs: its size, the time from navigation to the first
// complete report (median of 10 loads from file://), from an edit to the
// updated report (median and 95th percentile of 50 edits, measured in the
// page), the crystal search over the whole list for four rates, and how much
// longer than asked the reset pulse lasts with a scripted port (10 pulses
// at each of 10, 50 and 200 ms). Not part of the test command.
//   node tests/web/benchmark.mjs [build/web/korvane.html]
import { statSync } from 'node:fs';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './browser.mjs';
import { scriptedSerial } from './scripted_serial.mjs';

const file = resolve(process.argv[2] ?? 'build/web/korvane.html');
const url = pathToFileURL(file).href;
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return (sorted[Math.floor((sorted.length - 1) / 2)] + sorted[Math.ceil((sorted.length - 1) / 2)]) / 2;
};
const percentile95 = (values) => [...values].sort((a, b) => a - b)[Math.ceil(values.length * 0.95) - 1];

const browser = await launchChromium();
const firstReports = [];
for (let load = 0; load < 10; load++) {
  const context = await browser.newContext();
  const page = await context.newPage();
  await page.goto(`${url}?baudrate=9600&timer=T2&clock=12`);
  await page.waitForSelector('body[data-ready]');
  firstReports.push(await page.evaluate(() => performance.getEntriesByName('korvane-first-report')[0].startTime));
  await context.close();
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
row('size of korvane.html', `${(statSync(file).size / 1024).toFixed(0)} KiB`, 'under 600 KB');
row('navigation to the first report (median of 10 loads)', `${median(firstReports).toFixed(1)} ms`, 'under 300 ms');
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
