// The page's reset and korvane-reset on the same fields: the page's own
// command line runs korvane-reset on a pty (pty_peer.pl) whose modem lines
// modem_line_log.so keeps and logs. Where the program refuses, the page
// refuses in its words, shown as soon as the fields are filled, and leaves the
// lines alone; where it resets, the page
// changes the lines as it does, call for call.
//   KORVANE_PAGE=... KORVANE_RESET=... KORVANE_MODEM_LINE_LOG_LIBRARY=... node --test tests/web/agreement.test.mjs
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { setTimeout as sleep } from 'node:timers/promises';
import { launchChromium } from './browser.mjs';
import { scriptedSerial } from './scripted_serial.mjs';

const pageUrl = pathToFileURL(resolve(process.env.KORVANE_PAGE)).href;
const korvaneReset = resolve(process.env.KORVANE_RESET);
const lineLog = resolve(process.env.KORVANE_MODEM_LINE_LOG_LIBRARY);
const ptyPeer = new URL('../support/pty_peer.pl', import.meta.url).pathname;
let browser;

before(async () => { browser = await launchChromium(); });
after(async () => browser?.close());

// A page on the scripted port; each load runs the init scripts again.
async function newPage(board = {}) {
  const context = await browser.newContext();
  await context.addInitScript(scriptedSerial);
  await context.addInitScript((value) => { window.scriptedBoard = value; }, board);
  return context.newPage();
}

// The page loaded with the fields: its command line, its verdict after a
// reset and its setSignals calls.
async function runPage(page, fields) {
  await page.goto(`${pageUrl}?${new URLSearchParams(fields)}`);
  await page.waitForSelector('body[data-ready]', { timeout: 30000 });
  await page.waitForFunction(() => document.getElementById('serial-port').textContent !== '');
  const command = await page.textContent('#serial-command');
  const error = await page.textContent('#serial-error');
  await page.click('#serial-reset');
  await page.waitForFunction(() => document.getElementById('serial-verdict').textContent !== '', null, { timeout: 20000 });
  const verdict = await page.textContent('#serial-verdict');
  const signals = (await page.evaluate(() => window.serialLog))
    .filter((entry) => entry.call === 'setSignals').map((entry) => entry.signals);
  return { command, error, verdict, signals };
}

// A modem_line_log.so call as the page's setSignals takes it.
function lineChange(call, bits) {
  if (call === 'TIOCMSET') return { dataTerminalReady: (bits & 2) !== 0, requestToSend: (bits & 4) !== 0 };
  const on = call === 'TIOCMBIS';
  return { ...(bits & 2 ? { dataTerminalReady: on } : {}), ...(bits & 4 ? { requestToSend: on } : {}) };
}

// The page's command line through sh, PORT a pty with a board on its far side.
async function runProgram(command) {
  const work = mkdtempSync(join(tmpdir(), 'korvane-agreement-'));
  const [port, log] = [join(work, 'tty'), join(work, 'lines.log')];
  const peer = spawn('perl', [ptyPeer, port, log], { stdio: 'ignore' });
  try {
    for (let waited = 0; !existsSync(port); waited += 5) {
      assert.ok(waited < 5000, 'pty_peer.pl made no pty');
      await sleep(5);
    }
    const line = command.replace(/^korvane-reset /, `'${korvaneReset}' `).replace(/ PORT( |$)/, ` '${port}'$1`);
    const run = spawn('sh', ['-c', line], { env: { ...process.env, LD_PRELOAD: lineLog, KORVANE_MODEM_LINE_LOG: log } });
    const [stdout, stderr] = [[], []];
    run.stdout.on('data', (data) => stdout.push(data));
    run.stderr.on('data', (data) => stderr.push(data));
    const [status] = await once(run, 'close');
    const calls = existsSync(log) ? readFileSync(log, 'utf8').trim().split('\n').map((entry) => entry.split(' ')) : [];
    const changes = calls.filter(([, call]) => /^TIOCM(BIC|BIS|SET)$/.test(call)).map(([, call, bits]) => lineChange(call, parseInt(bits, 16)));
    return { status, stdout: Buffer.concat(stdout).toString(), stderr: Buffer.concat(stderr).toString(), changes };
  } finally {
    peer.kill();
    await once(peer, 'exit');
    rmSync(work, { recursive: true, force: true });
  }
}

test('the page refuses what korvane-reset refuses, in its words, and changes the lines as it does', { concurrency: 2 }, async (t) => {
  const timed = { expect: 'ready', serialbaud: '9600', timeout: '0.2' };
  const rows = [
    {}, { line: 'both' }, { invert: '1', width: '40' }, { sequence: 'R0|D0|W0.1|D1|W0.05|R1' }, { width: '0' },
    { width: '' }, { ...timed, timeout: '0' }, { ...timed, expect: "it's ready", tries: '101' },
    // Without a text to wait for, the wait's fields are no part of the command.
    { line: 'both', invert: '1', timeout: 'x', tries: '0' },
    // The first error in the command line's order: the step before the timeout.
    { ...timed, sequence: 'D0||D1', timeout: '0' },
    { width: '$28' }, { width: '%101000' }, { width: ' 40' }, { width: '+40' },
    { ...timed, serialbaud: '0x2580' }, { ...timed, serialbaud: ' 9600 ' },
    { sequence: 'd0|w0.05|d1' }, { sequence: 'D0||D1' }, { sequence: 'D0|W0.05|D1|' }, { sequence: ' D0|W0.05|D1' },
    { sequence: 'U0,0|W0.05|U1,1' }, { sequence: 'U0,1|W0.05|U1,0|W0.05|U1,1' },
    // A sequence sets the pulse's fields aside, even a wrong width.
    { line: 'rts', invert: '1', width: '0', sequence: 'D0|W0.05|D1' },
  ];
  // Two pages at a time, each loaded again for every row of its share.
  await Promise.all([0, 1].map(async (lane) => {
    const tab = await newPage();
    for (const fields of rows.filter((row, index) => index % 2 === lane)) {
      await t.test(JSON.stringify(fields), async () => {
        const page = await runPage(tab, fields);
        const program = await runProgram(page.command);
        let expected;
        if (program.status === 0) {
          assert.notDeepEqual(program.changes, [], `${page.command}: korvane-reset changed no line`);
          expected = { error: '', verdict: 'reset', signals: program.changes };
        } else {
          const refusal = /^korvane-reset: (.*?)(; try 'korvane-reset --help')?\n$/s.exec(program.stderr);
          assert.ok(program.status === 1 && refusal, `${page.command}: exit ${program.status}, ${program.stderr}`);
          // ... shown as soon as the fields are loaded, before any reset.
          expected = { error: refusal[1], verdict: refusal[1], signals: [] };
        }
        assert.deepEqual({ error: page.error, verdict: page.verdict, signals: page.signals }, expected, page.command);
      });
    }
    await tab.context().close();
  }));
});

test("an answer during the sequence's trailing wait is found by both", async () => {
  const fields = { sequence: 'D0|W0.05|D1|W0.5', expect: 'ready', serialbaud: '9600', timeout: '2' };
  // pty_peer.pl's banner from both boards, here 30 ms after DTR comes back on: within the W0.5.
  const tab = await newPage({ answer: '\x01KORVANE ready\r\n', delay: 30 });
  const page = await runPage(tab, fields);
  await tab.context().close();
  const program = await runProgram(page.command);
  assert.deepEqual({ status: program.status, stdout: program.stdout }, { status: 0, stdout: '\\x01KORVANE ready\n' },
    program.stderr);
  assert.match(page.verdict, /^the board answered \d+ ms after the release$/);
});
