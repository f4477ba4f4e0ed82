// A scripted serial port for the page's tests and benchmark: it stands for
// navigator.serial, logs every call with performance.now() in
// window.serialLog, and plays the board that window.scriptedBoard describes
// ({answer, delay, fromRelease, garbleFirst: a framing error at the release}
// or {vanishAfter}; its reset on {line: 'dtr' or 'rts', inverted}, DTR
// direct by default; {rate, banner}: the banner sent at the board's rate,
// as window.uartModel(boardRate, pcRate, text, 'ftdi') says a PC receives
// it whose FTDI adapter, as the port says it is, was asked for the port's
// rate). Held in reset again before its `delay` has passed, the board sends
// nothing. Runs in the page, before its scripts (Playwright's addInitScript).
export function scriptedSerial() {
  const log = [];
  const bytes = (text) => Uint8Array.from(text, (c) => c.charCodeAt(0));
  class ScriptedPort extends EventTarget {
    constructor() {
      super();
      this.signals = { dataTerminalReady: true, requestToSend: true };
      this.releases = 0;
      this.pending = [];
    }
    getInfo() { return { usbVendorId: 0x0403, usbProductId: 0x6001 }; }
    // As a browser's port: one open at a time, and no close while a reader holds it.
    async open(options) {
      if (this.isOpen) throw new DOMException('The port is already open.', 'InvalidStateError');
      this.isOpen = true;
      this.opened = (this.opened || 0) + 1;
      log.push({ call: 'open', options, at: performance.now() });
      const board = window.scriptedBoard || {};
      // Ahead of any release: the model runs outside the page.
      if (board.rate) this.heard = await window.uartModel(board.rate, options.baudRate, board.banner, 'ftdi');
      this.readable = new ReadableStream({ start: (controller) => { this.controller = controller; } });
      this.writable = new WritableStream({ write: (chunk) => { log.push({ call: 'write', text: new TextDecoder().decode(chunk) }); } });
    }
    async setSignals(signals) {
      if (this.gone) throw new DOMException('The device has been lost.', 'NetworkError');
      const entry = { call: 'setSignals', signals: { ...signals }, at: performance.now() };
      log.push(entry);
      const board = window.scriptedBoard || {};
      const line = board.line === 'rts' ? 'requestToSend' : 'dataTerminalReady';
      const resetLevel = board.inverted === true;
      const wasHeld = this.signals[line] === resetLevel;
      Object.assign(this.signals, signals);
      await new Promise((resolve) => setTimeout(resolve, 1));
      entry.done = performance.now();
      const held = this.signals[line] === resetLevel;
      if (wasHeld && !held) this.released(board);
      if (!wasHeld && held) this.pending.splice(0).forEach(clearTimeout);
    }
    // What the board sends `delay` ms after its release, unless the port
    // was closed since.
    send(bytes, delay) {
      const opened = this.opened;
      this.pending.push(setTimeout(() => { if (this.isOpen && this.opened === opened) this.controller.enqueue(bytes); },
        delay));
    }
    // The board starts when its line leaves the reset level: for a board
    // wired the other way round, during the pulse.
    released(board) {
      this.releases++;
      if (board.rate) this.send(Uint8Array.from(this.heard), board.delay ?? 5);
      if (board.answer && this.releases >= (board.fromRelease || 1)) this.send(bytes(board.answer), board.delay ?? 30);
      if (board.garbleFirst) {
        // A framing error ends the stream; the port goes on with a new one.
        this.controller.error(new DOMException('Framing error.', 'FramingError'));
        this.readable = new ReadableStream({ start: (controller) => { this.controller = controller; } });
      }
      if (board.vanishAfter) {
        setTimeout(() => {
          this.gone = true;
          this.controller.error(new DOMException('The device has been lost.', 'NetworkError'));
        }, board.vanishAfter);
      }
    }
    async close() {
      if (this.readable.locked) throw new TypeError('Cannot close a port whose readable stream is locked.');
      this.isOpen = false;
      log.push({ call: 'close' });
    }
  }
  const port = new ScriptedPort();
  const serial = new EventTarget();
  serial.getPorts = async () => [port];
  serial.requestPort = async () => port;
  Object.defineProperty(navigator, 'serial', { value: serial, configurable: true });
  window.serialLog = log;
}

