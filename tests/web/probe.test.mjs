// The page's probe in Debian's chromium: the scripted port plays boards
// wired to DTR or RTS, direct or inverted, that send their banner at their
// own rate; what the page receives at the rate it opened the port with is
// uart_model_tool's answer, the UART model of the probe's C++ tests.
//   KORVANE_PAGE=... UART_MODEL_TOOL=... node --test tests/web/probe.test.mjs
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './browser.mjs';
import { scriptedSerial } from './scripted_serial.mjs';

const pageUrl = pathToFileURL(resolve(process.env.KORVANE_PAGE)).href;
const uartModelTool = resolve(process.env.UART_MODEL_TOOL);
const banner = 'KORVANE loader 1.0\r\n';
// The calculator's korvane.inc: timer 1 at 11.0592 MHz, its defaults, for 57600 Baud.
const query = '?baudrate=57600&expect=KORVANE';
let browser;

before(async () => {
  browser = await launchChromium();
});
after(async () => browser?.close());

function uartModel(boardRate, pcRate, text) {
  const hex = execFileSync(uartModelTool, [String(boardRate), String(pcRate), Buffer.from(text, 'latin1').toString('hex')],
    { encoding: 'utf8' }).trim();
  return Array.from(Buffer.from(hex, 'hex'));
}

// The probe run to its end; what the page showed and what the port saw.
async function probe(board) {
  const context = await browser.newContext();
  await context.exposeFunction('uartModel', uartModel);
  await context.addInitScript(scriptedSerial);
  await context.addInitScript((value) => { window.scriptedBoard = value; }, board);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(pageUrl + query);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  await page.waitForFunction(() => !document.getElementById('serial-probe').disabled);
  await page.click('#serial-probe');
  // Busy from the first try on: neither button starts a second run.
  await page.waitForFunction(() => document.getElementById('serial-probe-tries').textContent !== '' ||
    document.getElementById('serial-verdict').textContent !== '');
  const busy = [await page.isDisabled('#serial-probe'), await page.isDisabled('#serial-reset')];
  await page.waitForFunction(() => document.getElementById('serial-verdict').textContent !== '' &&
    !document.getElementById('serial-probe').disabled, null, { timeout: 60000 });
  const shown = await page.evaluate(() => ({
    tries: document.getElementById('serial-probe-tries').textContent.split('\n').filter((line) => line !== ''),
    verdict: document.getElementById('serial-verdict').textContent.split('\n'),
    failed: document.getElementById('serial-verdict').classList.contains('error'),
    fields: ['serial-line', 'serial-invert', 'serial-baud'].map((id) => {
      const field = document.getElementById(id);
      return field.type === 'checkbox' ? field.checked : field.value;
    }),
    log: window.serialLog,
  }));
  await context.close();
  assert.deepEqual(errors, []);
  return { ...shown, busy };
}

// The port's opens and closes as the tries' rates ask for them: opened
// again for each new rate.
function expectedOpens(tries) {
  const calls = [];
  for (const rate of tries.map((line) => Number(/^try: (\d+) Baud/.exec(line)[1]))) {
    if (calls.at(-1) === `open ${rate}`) continue;
    if (calls.length > 0) calls.push('close');
    calls.push(`open ${rate}`);
  }
  return calls;
}

test('the probe finds the wiring and the rate, reopening the port for each rate', async () => {
  const cases = [
    { name: 'DTR direct at 57600 Baud', board: { line: 'dtr', rate: 57600 }, fields: ['dtr', false, '57600'],
      tries: ['try: 57600 Baud, a DTR pulse: the text', 'try: 57600 Baud, a DTR pulse: the text (again, to confirm)'],
      verdict: ['found: the board answers at 57600 Baud after a DTR pulse', 'answer: KORVANE loader 1.0',
        'again: korvane-reset --expect=KORVANE --baud=57600 PORT'] },
    // It talks during a DTR pulse and an RTS pulse: none of that may count.
    { name: 'RTS inverted', board: { line: 'rts', inverted: true, rate: 57600 }, fields: ['rts', true, '57600'],
      tries: ['try: 57600 Baud, a DTR pulse: nothing', 'try: 57600 Baud, a DTR pulse, inverted: nothing',
        'try: 57600 Baud, an RTS pulse: nothing', 'try: 57600 Baud, an RTS pulse, inverted: the text',
        'try: 57600 Baud, an RTS pulse, inverted: the text (again, to confirm)'],
      verdict: ['found: the board answers at 57600 Baud after an RTS pulse, inverted', 'answer: KORVANE loader 1.0',
        'again: korvane-reset --expect=KORVANE --baud=57600 --line=rts --invert PORT'] },
    // korvane.inc's settings at 12 MHz: 62500 Baud, garbage at 57600.
    { name: 'a 12 MHz board', board: { line: 'dtr', rate: 62500 }, fields: ['dtr', false, '62500'],
      tries: [/^try: 57600 Baud, a DTR pulse: \d+ bytes without the text$/, 'try: 62500 Baud, a DTR pulse: the text',
        'try: 62500 Baud, a DTR pulse: the text (again, to confirm)'],
      verdict: ['found: the board answers at 62500 Baud after a DTR pulse', 'answer: KORVANE loader 1.0',
        'again: korvane-reset --expect=KORVANE --baud=62500 PORT',
        "the board's clock is probably 12.0000 MHz; korvane.inc was written for 11.0592 MHz",
        'next: korvane-baud --clock 12.0000 --rate 57600'] },
  ];
  for (const { name, board, fields, tries, verdict } of cases) {
    const shown = await probe({ ...board, banner });
    assert.deepEqual(shown.busy, [true, true], name);
    assert.equal(shown.tries.length, tries.length, `${name}: ${shown.tries.join(' / ')}`);
    tries.forEach((line, index) => {
      if (line instanceof RegExp) assert.match(shown.tries[index], line, name);
      else assert.equal(shown.tries[index], line, name);
    });
    assert.deepEqual(shown.verdict, verdict, name);
    assert.equal(shown.failed, false, name);
    assert.deepEqual(shown.fields, fields, name);
    const calls = shown.log.filter((entry) => entry.call === 'open' || entry.call === 'close');
    assert.deepEqual(calls.map((entry) => (entry.call === 'open' ? `open ${entry.options.baudRate}` : entry.call)),
      expectedOpens(shown.tries), name);
    // One pulse of two calls for each try, and nothing after the last.
    assert.equal(shown.log.filter((entry) => entry.call === 'setSignals').length, 2 * shown.tries.length, name);
  }
});

test('a dead board: every wiring at both rates, the no-byte verdict, the lines at rest', async () => {
  const shown = await probe({ line: 'dtr' });
  assert.equal(shown.tries.length, 12, shown.tries.join(' / '));
  for (const line of shown.tries) assert.match(line, /^try: (57600|115200) Baud, .*: nothing$/);
  assert.deepEqual(shown.verdict, [`not found: no byte came after any of ${shown.tries.length} resets`,
    'check: the board\'s power, TX and RX crossed between the adapter and the board, and a common ground']);
  assert.equal(shown.failed, true);
  assert.deepEqual(shown.fields, ['dtr', false, '']);
  assert.deepEqual(shown.log.filter((entry) => entry.call === 'open' || entry.call === 'close')
    .map((entry) => (entry.call === 'open' ? `open ${entry.options.baudRate}` : entry.call)), expectedOpens(shown.tries));
  const signals = shown.log.filter((entry) => entry.call === 'setSignals');
  assert.equal(signals.length, 2 * shown.tries.length + 1);
  assert.deepEqual(signals.at(-1).signals, { dataTerminalReady: true, requestToSend: true });
});

test('a port that vanishes during the probe ends it', async () => {
  const shown = await probe({ line: 'dtr', vanishAfter: 50 });
  assert.deepEqual(shown.verdict, ['port disappeared: USB 0403:6001']);
  assert.deepEqual(shown.tries, []);
});
