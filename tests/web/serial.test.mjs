// The page's reset section in Debian's chromium, driven by Playwright, with
// a scripted port standing for navigator.serial: it logs every call with
// performance.now() and plays a board that answers after the release, stays
// silent or vanishes. The line changes are korvane-reset's, call for call;
// the waits never short; the words korvane-reset's. The probe's boards send
// at their own rate through uart_model_tool, the C++ tests' UART model.
//   KORVANE_PAGE=... KORVANE_RESET=... UART_MODEL_TOOL=... node --test tests/web/serial.test.mjs
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchChromium } from './browser.mjs';
import { scriptedSerial } from './scripted_serial.mjs';

const pageUrl = pathToFileURL(resolve(process.env.KORVANE_PAGE)).href;
const korvaneReset = resolve(process.env.KORVANE_RESET);
const uartModelTool = resolve(process.env.UART_MODEL_TOOL);
let browser;

before(async () => {
  browser = await launchChromium();
});
after(async () => browser?.close());

// What a PC at `pcRate` receives of `text` that a board sends at `boardRate`;
// with `adapter` (korvane-baud's name) at the rate it makes of `pcRate`.
function uartModel(boardRate, pcRate, text, adapter = 'exact') {
  const hex = execFileSync(uartModelTool,
    [boardRate, pcRate, Buffer.from(text, 'latin1').toString('hex'), adapter].map(String), { encoding: 'utf8' }).trim();
  return Array.from(Buffer.from(hex, 'hex'));
}

async function openPage(query, board = {}) {
  const context = await browser.newContext();
  await context.exposeFunction('uartModel', uartModel);
  await context.addInitScript(scriptedSerial);
  await context.addInitScript((value) => { window.scriptedBoard = value; }, board);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(pageUrl + query);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  await page.waitForFunction(() => document.getElementById('serial-port').textContent !== '');
  return { context, page, errors };
}

async function resetAndWait(page) {
  await page.evaluate(() => { document.getElementById('serial-verdict').textContent = ''; });
  await page.click('#serial-reset');
  await page.waitForFunction(() => document.getElementById('serial-verdict').textContent !== '', null, { timeout: 20000 });
  return page.textContent('#serial-verdict');
}

test('the lines change as korvane-reset changes them, and no wait is short', async () => {
  // The states of its tests: the pulse, --line=both, --invert and a sequence.
  const cases = [
    { query: '?serialbaud=57600', calls: [{ dataTerminalReady: false }, { dataTerminalReady: true, requestToSend: true }],
      waits: [50] },
    { query: '?line=both&width=20', calls: [{ dataTerminalReady: false, requestToSend: false },
      { dataTerminalReady: true, requestToSend: true }], waits: [20] },
    { query: '?invert=1&width=40', calls: [{ dataTerminalReady: true }, { dataTerminalReady: false }], waits: [40] },
    { query: `?sequence=${encodeURIComponent('R0|D0|W0.1|D1|W0.05|R1')}`,
      calls: [{ requestToSend: false }, { dataTerminalReady: false }, { dataTerminalReady: true }, { requestToSend: true }],
      waits: [0, 100, 50] },
  ];
  for (const { query, calls, waits } of cases) {
    const { context, page, errors } = await openPage(query);
    assert.equal(await resetAndWait(page), 'reset', query);
    const log = await page.evaluate(() => window.serialLog);
    const open = log.find((entry) => entry.call === 'open');
    assert.deepEqual(open.options, { baudRate: query.includes('57600') ? 57600 : 9600, dataBits: 8, stopBits: 1,
      parity: 'none', flowControl: 'none' }, query);
    const signals = log.filter((entry) => entry.call === 'setSignals');
    assert.deepEqual(signals.map((entry) => entry.signals), calls, query);
    waits.forEach((wait, index) => {
      // From the moment the port took a call to the next call.
      const gap = signals[index + 1].at - signals[index].done;
      assert.ok(gap >= wait, `${query}: ${gap.toFixed(3)} ms between calls ${index} and ${index + 1}, asked ${wait}`);
      console.log(`# ${query} wait ${wait} ms: ${gap.toFixed(3)} ms, overshoot ${(gap - wait).toFixed(3)} ms`);
    });
    assert.deepEqual(errors, []);
    await context.close();
  }
});

test("the board's answer, a silent board, a port that vanishes", async () => {
  const banner = '\x00\xff\x1b[2JKORVANE loader ready\r\n';
  {
    const { context, page } = await openPage('?expect=ready&serialbaud=57600', { answer: banner, delay: 40 });
    assert.match(await resetAndWait(page), /^the board answered \d+ ms after the release$/);
    assert.equal(await page.textContent('#serial-output'), '\\x00\\xFF\\x1B[2JKORVANE loader ready\n');
    await context.close();
  }
  {
    // A framing error at the release ends only the port's stream.
    const { context, page } = await openPage('?expect=ready&serialbaud=57600', { answer: banner, garbleFirst: true });
    assert.match(await resetAndWait(page), /^the board answered \d+ ms after the release$/);
    await context.close();
  }
  {
    const { context, page } = await openPage('?expect=ready&serialbaud=57600&timeout=0.3&tries=2');
    assert.equal(await resetAndWait(page),
      'the board did not answer within 0.3 s at 57600 Baud in 2 tries: check the rate, the wiring and the reset polarity');
    const releases = (await page.evaluate(() => window.serialLog))
      .filter((entry) => entry.call === 'setSignals' && entry.signals.dataTerminalReady === true).length;
    assert.equal(releases, 2);
    await context.close();
  }
  {
    // Bytes without the text: how many, in korvane-reset's words.
    const { context, page } = await openPage('?expect=ready&serialbaud=57600&timeout=0.3&tries=2', { answer: 'HELLO\r\n' });
    assert.equal(await resetAndWait(page), "the board sent 14 bytes within 0.3 s at 57600 Baud in 2 tries, but not 'ready': " +
      'check the rate, the wiring and the reset polarity');
    await context.close();
  }
  {
    const { context, page } = await openPage('?expect=ready&serialbaud=57600&timeout=2', { vanishAfter: 50 });
    assert.equal(await resetAndWait(page), 'port disappeared: USB 0403:6001');
    await context.close();
  }
});

test('a reset at another rate closes the port and opens it again at that rate', async () => {
  const { context, page } = await openPage('?serialbaud=9600');
  assert.equal(await resetAndWait(page), 'reset');
  await page.fill('#serial-baud', '57600');
  assert.equal(await resetAndWait(page), 'reset');
  const calls = (await page.evaluate(() => window.serialLog)).filter((entry) => entry.call !== 'setSignals');
  assert.deepEqual(calls.map((entry) => entry.call === 'open' ? `open ${entry.options.baudRate}` : entry.call),
    ['open 9600', 'close', 'open 57600']);
  await context.close();
});

test('the probe finds the wiring and the rate, the port opened again at each rate', async () => {
  // With the calculator's korvane.inc: timer 1 at 11.0592 MHz, for 57600
  // Baud (or `baudrate`). The port is an FTDI adapter: the numbers are those
  // of the C++ probe's table for these boards with survey::Adapter::Ftdi.
  const crystal = (mhz) => `the board's clock is probably ${mhz} MHz; korvane.inc was written for 11.0592 MHz`;
  const banner = 'KORVANE loader 1.0\r\n';
  const cases = [
    // It talks during the RTS pulse: counted, and not its answer.
    { board: { line: 'rts', inverted: true, rate: 57600, banner }, tries: 7, signals: 14, fields: ['rts', true, '57600'],
      verdict: 'found: the board answers at 57600 Baud after an RTS pulse, inverted',
      line: 'try: 57600 Baud, an RTS pulse: nothing, 20 bytes during the pulse' },
    // korvane.inc's settings at 12 MHz make 62500 Baud: garbage at 57600.
    { board: { rate: 62500, banner }, tries: 10, signals: 20, fields: ['dtr', false, '62599'],
      verdict: 'found: the board answers at 62599 Baud after a DTR pulse', also: crystal('12.0000') },
    // 14.7456 MHz, next to 14.31818: the window tells them apart.
    { board: { rate: 76800, banner }, tries: 16, signals: 32, fields: ['dtr', false, '76668'],
      verdict: 'found: the board answers at 76668 Baud after a DTR pulse', also: crystal('14.7456') },
    // A loader built for 57600 Baud, korvane.inc for 19200.
    { query: '?baudrate=19200&expect=KORVANE', board: { rate: 57600, banner }, tries: 29, signals: 58,
      fields: ['dtr', false, '57600'], verdict: 'found: the board answers at 57600 Baud after a DTR pulse',
      also: "or the loader on the board may have been built for 57600 Baud, not korvane.inc's 19200 Baud" },
    // Its banner 0.8 s after the release, after the wait of 0.5 s: it
    // comes in the try after the one that released it.
    { board: { rate: 57600, banner, delay: 800 }, tries: 5, signals: 10, fields: ['rts', true, ''], failed: true,
      verdict: 'not found: KORVANE came at 57600 Baud after an RTS pulse, inverted, but not again on the next reset',
      also: /^or it came late, 0\.\d+ s after the reset before; the probe with a longer wait: .* --timeout=1\.5 PORT$/ },
    // Given up at both rates, the lines then as a plain reset leaves them.
    { board: {}, tries: 12, signals: 25, fields: ['dtr', false, ''], failed: true, rest: true,
      verdict: 'not found: no byte came after any of 12 resets' },
    // Gone during the first try's wait: no try is listed.
    { board: { vanishAfter: 50 }, tries: 0, signals: 2, fields: ['dtr', false, ''], failed: false,
      verdict: 'port disappeared: USB 0403:6001' },
  ];
  for (const { query = '?baudrate=57600&expect=KORVANE', board, tries, signals: pulseCalls, fields, verdict, also, line,
    failed = false, rest = false } of cases) {
    const { context, page, errors } = await openPage(query, board);
    await page.waitForFunction(() => !document.getElementById('serial-probe').disabled);
    await page.click('#serial-probe');
    const busy = [await page.isDisabled('#serial-probe'), await page.isDisabled('#serial-reset')];
    await page.waitForFunction(() => document.getElementById('serial-verdict').textContent !== '' &&
      !document.getElementById('serial-probe').disabled, null, { timeout: 180000 });
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
    assert.deepEqual(errors, [], verdict);
    assert.deepEqual(busy, [true, true], verdict);
    assert.equal(shown.tries.length, tries, shown.tries.join(' / '));
    assert.equal(shown.verdict[0], verdict);
    if (also) assert.ok(shown.verdict.some((text) => (also.test ? also.test(text) : text === also)), shown.verdict.join(' / '));
    if (line) assert.ok(shown.tries.includes(line), shown.tries.join(' / '));
    assert.equal(shown.failed, failed, verdict);
    assert.deepEqual(shown.fields, fields, verdict);
    // Opened again for each new rate of the tries; one pulse of two calls a
    // try, and after a probe that found nothing both lines on.
    const rates = shown.tries.map((line) => Number(/^try: (\d+) Baud/.exec(line)[1]));
    const opens = rates.filter((rate, index) => rate !== rates[index - 1]).flatMap((rate, index) => index ? ['close', `open ${rate}`] : [`open ${rate}`]);
    const calls = shown.log.filter((entry) => entry.call === 'open' || entry.call === 'close');
    if (tries) assert.deepEqual(calls.map((entry) => entry.call === 'open' ? `open ${entry.options.baudRate}` : entry.call), opens, verdict);
    const signals = shown.log.filter((entry) => entry.call === 'setSignals');
    assert.equal(signals.length, pulseCalls, verdict);
    if (rest) assert.deepEqual(signals.at(-1).signals, { dataTerminalReady: true, requestToSend: true });
  }
});

test('a line, and a file line by line, go out with CR LF', async () => {
  const { context, page } = await openPage('?serialbaud=19200');
  await page.fill('#serial-send', 'D 0000');
  await page.press('#serial-send', 'Enter');
  await page.setInputFiles('#serial-send-file',
    { name: 'loader.hex', mimeType: 'text/plain', buffer: Buffer.from(':03000000020100FA\n:00000001FF\n') });
  await page.waitForFunction(() => window.serialLog.filter((entry) => entry.call === 'write').length === 3);
  const writes = (await page.evaluate(() => window.serialLog)).filter((entry) => entry.call === 'write');
  assert.deepEqual(writes.map((entry) => entry.text), ['D 0000\r\n', ':03000000020100FA\r\n', ':00000001FF\r\n']);
  await page.waitForFunction(() => document.getElementById('serial-progress').value === 1);
  // A pause that would never end is refused, and the port stays free.
  await page.fill('#serial-line-pause', '1e999');
  await page.setInputFiles('#serial-send-file', { name: 'again.hex', mimeType: 'text/plain', buffer: Buffer.from('A\nB\n') });
  await page.waitForFunction(() =>
    document.getElementById('serial-verdict').textContent === 'invalid pause between sent lines: 1e999 (0 to 60000 ms)');
  await page.fill('#serial-line-pause', '0');
  await page.setInputFiles('#serial-send-file', { name: 'again.hex', mimeType: 'text/plain', buffer: Buffer.from('A\nB\n') });
  await page.waitForFunction(() => window.serialLog.filter((entry) => entry.call === 'write').length === 5);
  await context.close();
});

test('the command line is one that korvane-reset takes', async () => {
  const cases = [
    { query: '?line=rts&width=100', command: 'korvane-reset --line=rts PORT 100' },
    { query: `?invert=1&expect=${encodeURIComponent("it's ready")}&serialbaud=9.6e3&timeout=0.5&tries=3`,
      command: "korvane-reset --invert '--expect=it'\\''s ready' --baud=9.6e3 --timeout=0.5 --tries=3 PORT" },
    { query: `?sequence=${encodeURIComponent('R0|D0|W0.1|D1|W0.05|R1')}`,
      command: "korvane-reset '--sequence=R0|D0|W0.1|D1|W0.05|R1' PORT", width: false },
    // Typed: a width the program refuses, then a sequence that sets it aside, then the sequence gone.
    { typed: [['#serial-width', '0']], command: 'korvane-reset PORT 0', width: true },
    { typed: [['#serial-width', '0'], ['#serial-sequence', 'D0|W0.1|D1']], command: "korvane-reset '--sequence=D0|W0.1|D1' PORT",
      width: false },
    { typed: [['#serial-width', '0'], ['#serial-sequence', 'D0|W0.1|D1'], ['#serial-sequence', '']],
      command: 'korvane-reset PORT 0', width: true },
  ];
  const { context, page } = await openPage('');
  for (const { query = '', typed = [], command, width = true } of cases) {
    await page.goto(pageUrl + query);
    await page.waitForSelector('body[data-ready]');
    for (const [field, text] of typed) await page.fill(field, text);
    assert.equal(await page.textContent('#serial-command'), command, query);
    assert.equal(await page.isEnabled('#serial-width'), width, command);
    // Run as typed, on /dev/null: every option taken and the port refused, or
    // the program's refusal, which the page shows as the fields are typed.
    const run = spawnSync('sh', ['-c', command.replace('korvane-reset', `'${korvaneReset}'`).replace('PORT', '/dev/null')],
      { encoding: 'utf8' });
    const error = await page.textContent('#serial-error');
    assert.equal(run.stderr, error ? `korvane-reset: ${error}; try 'korvane-reset --help'\n`
      : 'korvane-reset: not a serial port with modem control lines: /dev/null\n', command);
    assert.equal(run.status, 1);
  }
  await context.close();
});

test('without serial port access the page says so and offers the command line', async () => {
  const context = await browser.newContext();
  await context.addInitScript(() => { delete Navigator.prototype.serial; });
  const page = await context.newPage();
  await page.goto(`${pageUrl}?line=both&width=65536`);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  assert.equal(await page.isVisible('#serial-unsupported'), true);
  assert.equal(await page.isDisabled('#serial-reset'), true);
  assert.equal(await page.textContent('#serial-command'), 'korvane-reset --line=both PORT 65536');
  // No port to choose, and the wrong field is named all the same.
  assert.equal(await page.textContent('#serial-error'), 'invalid pulse width: 65536 (1 to 65535 ms)');
  await context.close();
});
