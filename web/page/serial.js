// The board's reset through the browser's serial port access. The fields'
// checks, the steps on DTR and RTS and the texts are korvane-reset's own C++
// (korvaneReset); this file does what only a browser can: the signals with
// their timing, reading, writing and the port's events. Never short: each
// wait ends at or after its deadline on performance.now(), whatever the
// timers do.
'use strict';

// The inputs and their defaults; the URL names them as korvane-reset's options.
const serialFields = [
  ['line', 'serial-line', 'dtr'], ['width', 'serial-width', '50'], ['invert', 'serial-invert', false],
  ['sequence', 'serial-sequence', ''], ['expect', 'serial-expect', ''], ['serialbaud', 'serial-baud', ''],
  ['timeout', 'serial-timeout', '2'], ['tries', 'serial-tries', '1'],
];
const dtrLine = 2, rtsLine = 4;  // the bits of the core's steps (reset/modem_lines.h)

const serial = { port: null, rate: 0, reader: null, reading: null, phase: 'idle', seen: null, lost: null, heard: null,
  pulseBytes: 0 };

// One thing at a time on the port, in the order asked: a reset, a line, a file.
let portQueue = Promise.resolve();
function onPort(task) {
  const run = portQueue.then(task, task);
  portQueue = run.catch(() => {});
  return run;
}

const hex = (value) => value.toString(16).padStart(4, '0');
const fieldValue = (id) => (byId(id).type === 'checkbox' ? byId(id).checked : byId(id).value);
const portName = () => byId('serial-port').dataset.name || 'the port';

function readSerialUrl(query) {
  for (const [key, id, fallback] of serialFields) {
    const value = query.has(key) ? query.get(key) : fallback;
    if (byId(id).type === 'checkbox') byId(id).checked = value === true || value === '1';
    else byId(id).value = value;
  }
}

function writeSerialUrl(query) {
  for (const [key, id, fallback] of serialFields) {
    const value = fieldValue(id);
    if (value !== fallback) query.set(key, value === true ? '1' : value);
  }
}

// The rate: the field's, else the calculator's nominal baud rate.
const serialRateText = () => fieldValue('serial-baud') || byId('baudrate').value || '9600';

// The eight fields as the core takes them, with `rateText` for the rate.
function serialFieldTexts(rateText) {
  const texts = ['serial-line', 'serial-width', 'serial-invert', 'serial-sequence', 'serial-expect']
    .map((id) => (id === 'serial-invert' ? (fieldValue(id) ? '1' : '') : fieldValue(id)));
  return [...texts, rateText, fieldValue('serial-timeout'), fieldValue('serial-tries')];
}

// The fields read by the core as korvane-reset reads the command line that
// they stand for: {command, error} or {command, steps, release, rate,
// timeout, timeoutText, tries, expect}.
function serialSettings() {
  callWithTexts('korvaneReset', serialFieldTexts(serialRateText()));
  return JSON.parse(coreText('korvaneResetOut'));
}

// Timers fire late and in steps of a few ms once nested: sleep until 2 ms
// before the deadline, then watch the clock itself for the rest.
async function waitUntil(deadline) {
  for (let left = deadline - performance.now(); left > 2; left = deadline - performance.now()) {
    await new Promise((resolve) => setTimeout(resolve, left - 2));
  }
  while (performance.now() < deadline) {
    // at most the last 2 ms
  }
}

// The steps, each lines step one setSignals call; a wait counts from the
// moment the call before it took effect. `released` runs at the end of the
// step from which the board's answer counts.
async function runSteps(steps, release, released) {
  for (const [index, step] of steps.entries()) {
    if ('wait' in step) {
      await waitUntil(performance.now() + step.wait);
    } else {
      const signals = {};
      if (step.lines & dtrLine) signals.dataTerminalReady = (step.levels & dtrLine) !== 0;
      if (step.lines & rtsLine) signals.requestToSend = (step.levels & rtsLine) !== 0;
      await serial.port.setSignals(signals);
    }
    if (index === release) released();
  }
}

function showReceived(bytes) {
  const watched = core.ccall('korvaneReceive', 'number', ['array', 'number'], [bytes, bytes.length]) === 1;
  const output = byId('serial-output');
  output.textContent += coreText('korvaneReceived');
  output.scrollTop = output.scrollHeight;
  return watched;
}

// A framing, parity, break or overrun error ends only the port's current
// stream (a board at another rate sends such garbage); the port goes on
// with a new one. Any other error means the device is gone.
const lineErrors = ['FramingError', 'ParityError', 'BreakError', 'BufferOverrunError'];

// Everything the port sends, while it is open: between the start of a
// reset and its release dropped, or counted for a probe's try; shown
// otherwise, and kept with its time while a reset or a try listens.
async function readPort() {
  while (serial.rate && serial.port.readable) {
    serial.reader = serial.port.readable.getReader();
    try {
      for (;;) {
        const { value, done } = await serial.reader.read();
        if (done) return;
        if (serial.phase === 'resetting') continue;
        if (serial.phase === 'pulse') {
          serial.pulseBytes += value.length;
          continue;
        }
        serial.heard?.push({ at: performance.now(), bytes: value });
        if (showReceived(value) && serial.phase === 'waiting') {
          serial.answeredAt ??= performance.now();
          serial.seen?.(serial.answeredAt);
        }
      }
    } catch (error) {
      if (!lineErrors.includes(error?.name)) {
        portLost(error);
        return;
      }
    } finally {
      serial.reader.releaseLock();
    }
  }
}

// A run that waits says so itself; otherwise the verdict says it here.
function portLost(error) {
  serial.rate = 0;
  if (serial.lost) serial.lost(error);
  else setVerdict(`port disappeared: ${portName()}`);
  updateSerialButtons();
}

async function openPort(rate) {
  if (serial.rate === rate) return;
  if (serial.rate) await closePort();
  await serial.port.open({ baudRate: rate, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' });
  serial.rate = rate;
  serial.reading = readPort();
}

async function closePort() {
  const rate = serial.rate;
  serial.rate = 0;
  if (!rate) return;
  try {
    // The port closes only once its reader has let go.
    await serial.reader?.cancel();
    await serial.reading;
    await serial.port.close();
  } catch (error) {
    // Gone already: nothing to close.
  }
}

function setVerdict(text, failed = false) {
  byId('serial-verdict').textContent = text;
  byId('serial-verdict').classList.toggle('error', failed);
}

// Until the text comes (its time) or the deadline (null); a lost port rejects.
function waitForAnswer(deadline) {
  return new Promise((resolve, reject) => {
    let timer;
    const finish = (value) => { clearTimeout(timer); serial.seen = null; serial.lost = null; resolve(value); };
    serial.seen = finish;
    serial.lost = (error) => { clearTimeout(timer); serial.seen = null; serial.lost = null; reject(error); };
    const check = () => {
      const left = deadline - performance.now();
      if (left <= 0) finish(null);
      else timer = setTimeout(check, left);
    };
    check();
  });
}

async function resetBoard() {
  const settings = serialSettings();
  if (settings.error) { setVerdict(settings.error); return; }
  setVerdict('');
  try {
    await openPort(settings.rate);
  } catch (error) {
    setVerdict(`port busy: ${portName()} (${error.message})`);
    return;
  }
  updateSerialButtons(true);
  serial.heard = [];
  try {
    for (let attempt = 1; attempt <= settings.tries; attempt++) {
      serial.phase = 'resetting';
      serial.answeredAt = null;
      let release;
      await runSteps(settings.steps, settings.release, () => {
        release = performance.now();
        if (!settings.expect) return;
        core.ccall('korvaneWatch', null, ['string'], [settings.expect]);
        serial.phase = 'waiting';
      });
      if (!settings.expect) { setVerdict('reset'); return; }
      // As korvane-reset: the wait runs from the end of the steps, and what
      // came since the release counts.
      const seenAt = serial.answeredAt ?? await waitForAnswer(performance.now() + settings.timeout);
      if (seenAt !== null) {
        setVerdict(`the board answered ${Math.round(seenAt - release)} ms after the release`);
        return;
      }
    }
    const heard = serial.heard.reduce((sum, piece) => sum + piece.bytes.length, 0);
    setVerdict(core.ccall('korvaneNoAnswer', 'string', ['string', 'number', 'number', 'number', 'string'],
      [settings.timeoutText, settings.rate, settings.tries, heard, settings.expect]));
  } catch (error) {
    setVerdict(`port disappeared: ${portName()}`);
  } finally {
    serial.phase = 'idle';
    serial.heard = null;
    updateSerialButtons(false);
  }
}

// ccall copies a try's bytes onto the core's stack (64 KB by default in
// newer emscriptens): a board that talks on through a long timeout gives it
// this many, still more than the core keeps of them; beyond, none count.
const probeBytesPassed = 16384;

function joinedBytes(pieces) {
  const bytes = new Uint8Array(pieces.reduce((sum, piece) => sum + piece.bytes.length, 0));
  pieces.reduce((at, piece) => { bytes.set(piece.bytes, at); return at + piece.bytes.length; }, 0);
  return bytes.subarray(0, probeBytesPassed);
}

// A try's listening, until the core says it is over: the try's timeout from
// the release, then on until the line has been quiet. A lost port rejects.
async function hearTry(heard, releasedAt) {
  for (;;) {
    const lastByte = heard.length ? heard[heard.length - 1].at : releasedAt;
    const deadline = core.ccall('korvaneListenUntil', 'number', ['number', 'number'], [releasedAt, lastByte]);
    if (performance.now() >= deadline) return;
    await waitForAnswer(deadline);
  }
}

// korvane-reset --probe through the port: the core plans each try, the
// port is opened at the try's rate, the steps run, and what came during
// the pulse (counted) and from the release until the line is quiet (each
// piece with its time) goes back to the core. The tries are listed as they
// end; the verdict's wiring and rate go into the fields.
async function probeBoard() {
  // The calculator's korvane.inc: its last run, on every input of its fields.
  const include = core.ccall('korvaneWritesFile', 'number', [], []) === 1 ? coreText('korvaneIncludeFile') : '';
  const texts = serialFieldTexts(fieldValue('serial-baud'));
  // The port's USB vendor tells how its driver makes rates.
  const vendor = serial.port.getInfo?.().usbVendorId;
  core.ccall('korvaneProbeStart', 'number', ['string', 'number', 'string', 'string'],
    [texts.join('\n'), texts.length, include, vendor === undefined ? '' : hex(vendor)]);
  let out = JSON.parse(coreText('korvaneResetOut'));
  if (out.error) { setVerdict(out.error); return; }
  setVerdict('');
  const list = byId('serial-probe-tries');
  list.textContent = out.warning ? `${out.warning}\n` : '';
  updateSerialButtons(true);
  try {
    while (out.try) {
      const { rate, steps, release } = out.try;
      let kept = 0;
      try {
        await openPort(rate);
      } catch (error) {
        kept = -1;
      }
      const heard = [];
      let releasedAt = 0;
      if (!kept) {
        serial.pulseBytes = 0;
        serial.phase = 'pulse';
        await runSteps(steps, release, () => {
          releasedAt = performance.now();
          serial.heard = heard;
          serial.phase = 'probing';
        });
        await hearTry(heard, releasedAt);
        serial.phase = 'resetting';
        serial.heard = null;
        if (!serial.rate) throw new Error('the port was lost');
      }
      const bytes = joinedBytes(heard);
      const pieces = JSON.stringify(heard.map((piece) => [Math.round(piece.at - releasedAt), piece.bytes.length]));
      core.ccall('korvaneProbeRecord', 'number', ['array', 'number', 'string', 'number', 'number', 'number'],
        [bytes, bytes.length, pieces, serial.pulseBytes, releasedAt, kept]);
      out = JSON.parse(coreText('korvaneResetOut'));
      list.textContent += `${out.tryLine}\n`;
    }
    // As korvane-reset: the lines as the core says the probe leaves them.
    if (out.restLines !== null && serial.rate) {
      await serial.port.setSignals({ dataTerminalReady: (out.restLines & dtrLine) !== 0,
                                     requestToSend: (out.restLines & rtsLine) !== 0 });
    }
    setVerdict(out.lines.join('\n'), out.status !== 0);
    useProbeVerdict(out.verdict);
  } catch (error) {
    setVerdict(`port disappeared: ${portName()}`);
  } finally {
    serial.phase = 'idle';
    serial.heard = null;
    updateSerialButtons(false);
  }
}

// The wiring found (none for a sequence of the user's) and the rate.
function useProbeVerdict(verdict) {
  if (verdict.line) {
    byId('serial-line').value = verdict.line;
    byId('serial-invert').checked = verdict.invert;
  }
  if (verdict.found) byId('serial-baud').value = String(verdict.rate);
  updateSerialCommand();
  scheduleUrlUpdate();
}

// The pause between a file's lines: whole milliseconds, at most a minute
// (an empty field none); null for any other text, which would never end.
function linePause() {
  const text = byId('serial-line-pause').value;
  return /^\d*$/.test(text) && Number(text) <= 60000 ? Number(text) : null;
}

async function sendText(lines, pause) {
  if (!serial.port) { setVerdict('choose a port first'); return; }
  const settings = serialSettings();
  if (settings.error) { setVerdict(settings.error); return; }
  await openPort(settings.rate);
  const progress = byId('serial-progress');
  progress.value = 0;
  const writer = serial.port.writable.getWriter();
  try {
    for (let index = 0; index < lines.length; index++) {
      await writer.write(new TextEncoder().encode(`${lines[index]}\r\n`));
      progress.value = (index + 1) / lines.length;
      if (pause > 0 && index + 1 < lines.length) await waitUntil(performance.now() + pause);
    }
  } finally {
    writer.releaseLock();
  }
}

function showPort(port) {
  serial.port = port;
  const info = port.getInfo ? port.getInfo() : {};
  const name = info.usbVendorId !== undefined ? `USB ${hex(info.usbVendorId)}:${hex(info.usbProductId)}` : 'a serial port';
  byId('serial-port').dataset.name = name;
  byId('serial-port').textContent = `Port: ${name}`;
  updateSerialButtons();
}

function updateSerialButtons(busy = serial.phase !== 'idle') {
  const supported = 'serial' in navigator;
  byId('serial-connect').disabled = !supported || busy;
  byId('serial-reset').disabled = !supported || !serial.port || busy;
  byId('serial-probe').disabled = !supported || !serial.port || busy;
  byId('serial-disconnect').disabled = !supported || !serial.rate || busy;
}

// The command and, as soon as a field is wrong, korvane-reset's error, with
// no port chosen yet. A sequence takes the pulse's place: its fields wait,
// disabled, and are no part of the command (the core sets them aside).
function updateSerialCommand() {
  const sequence = byId('serial-sequence').value !== '';
  for (const id of ['serial-line', 'serial-width', 'serial-invert']) byId(id).disabled = sequence;
  const settings = serialSettings();
  byId('serial-command').textContent = settings.command;
  byId('serial-error').textContent = settings.error ?? '';
}

function setUpSerial() {
  updateSerialCommand();
  byId('serial').addEventListener('input', () => { updateSerialCommand(); scheduleUrlUpdate(); });
  byId('calculator').addEventListener('input', updateSerialCommand);
  updateSerialButtons();
  if (!('serial' in navigator)) {
    byId('serial-unsupported').hidden = false;
    for (const id of ['serial-send', 'serial-send-file']) byId(id).disabled = true;
    return;
  }
  navigator.serial.getPorts().then((ports) => { if (ports.length > 0 && !serial.port) showPort(ports[0]); });
  navigator.serial.addEventListener('disconnect', (event) => { if (event.target === serial.port) portLost(); });
  byId('serial-connect').addEventListener('click', async () => {
    try {
      showPort(await navigator.serial.requestPort());
    } catch (error) {
      setVerdict('no port chosen');
    }
  });
  byId('serial-reset').addEventListener('click', () => onPort(resetBoard));
  byId('serial-probe').addEventListener('click', () => onPort(probeBoard));
  byId('serial-disconnect').addEventListener('click', () => onPort(async () => { await closePort(); updateSerialButtons(); }));
  byId('serial-send').addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    const line = event.target.value;
    event.target.value = '';
    onPort(() => sendText([line], 0)).catch(() => setVerdict(`port disappeared: ${portName()}`));
  });
  byId('serial-send-file').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file) return;
    const pause = linePause();
    if (pause === null) {
      setVerdict(`invalid pause between sent lines: ${byId('serial-line-pause').value} (0 to 60000 ms)`);
      return;
    }
    const lines = (await file.text()).split(/\r?\n/);
    if (lines[lines.length - 1] === '') lines.pop();
    onPort(() => sendText(lines, pause)).catch(() => setVerdict(`port disappeared: ${portName()}`));
  });
}
