// The page: reads the fields, asks the core (the same C++ as mardeluk and
// korvane-baud) and shows what the programs would print; keeps the URL
// current so that a link reproduces the page.
'use strict';

const calculatorDefaults = { baudrate: '', timer: 'T1', accuracy: '1', clock: '11.0592', start: '0000', user: '8000' };
const explorerDefaults = { clocks: '11.0592', rates: '', generators: '', 'survey-accuracy': '1', adapter: 'exact' };
const byId = (id) => document.getElementById(id);
let core;
let urlUpdate;

// Texts go to the core as one string, separated by line feeds.
function callWithTexts(name, texts) {
  return core.ccall(name, 'number', ['string', 'number'], [texts.join('\n'), texts.length]);
}
const coreText = (name) => core.ccall(name, 'string', [], []);

// mardeluk's parameters: none without a baud rate (the help screen),
// otherwise all six, an empty field taking its default.
function calculatorParameters() {
  if (byId('baudrate').value === '') return [];
  return Object.keys(calculatorDefaults).map((key) => byId(key).value || calculatorDefaults[key]);
}

function showIncludeFile(writesFile, text, report) {
  const status = byId('include-status');
  byId('include-preview').textContent = writesFile ? text : '';
  if (!writesFile) {
    const errorLine = report.split('\n').find((line) => line.startsWith('@@@@@'));
    status.textContent = errorLine
      ? `mardeluk writes no korvane.inc: ${errorLine}`
      : 'mardeluk writes no korvane.inc without a baud rate: it shows its help screen.';
    return;
  }
  // A data address, not a blob: making one costs nothing per keystroke, and
  // korvane.inc is plain ASCII.
  const link = document.createElement('a');
  link.id = 'include-file';
  link.className = 'button';
  link.href = `data:text/plain;charset=us-ascii,${encodeURIComponent(text)}`;
  link.download = 'korvane.inc';
  link.textContent = 'Download korvane.inc';
  status.replaceChildren(link, ` (${text.length} bytes, exactly as mardeluk writes it)`);
}

function updateCalculator() {
  callWithTexts('korvaneMardeluk', calculatorParameters());
  const report = coreText('korvaneReport');
  byId('report').textContent = report.replace(/\n$/, '');
  showIncludeFile(core.ccall('korvaneWritesFile', 'number', [], []) === 1, coreText('korvaneIncludeFile'), report);
}

// korvane-baud's option texts for the explorer's fields, in the order the
// core takes them: clocks, rates, generators, accuracy, adapter; empty for
// an option not given.
function explorerFields() {
  return ['clocks', 'rates', 'generators', 'survey-accuracy', 'adapter'].map((id) => byId(id).value);
}

function runBaud(fields, form) {
  const status = callWithTexts('korvaneSurvey', [...fields, form]);
  return { status, out: coreText('korvaneBaudOut'), err: coreText('korvaneBaudErr') };
}

function updateExplorer() {
  const fields = explorerFields();
  const text = runBaud(fields, 'text');
  const json = runBaud(fields, 'json');
  byId('explorer-error').textContent = text.err.trim();
  byId('explorer-text').textContent = text.out;
  byId('explorer-json').textContent = json.out;
  const answer = json.status === 1 ? null : JSON.parse(json.out);
  const table = byId('explorer-table');
  if (answer) {
    const cells = JSON.parse(runBaud(fields, 'cells').out);
    drawSurveyTable(table, answer, cells, (entry) => useSettings(entry, answer));
  } else {
    table.replaceChildren();
  }
  offerChartRates(answer);
  updateChart();
}

// A row's rate (a crystal's first rate), generator, crystal and accuracy
// into the calculator's fields, and the report for them.
function useSettings(entry, answer) {
  byId('baudrate').value = String(entry.nominal_baud ?? answer.rates[0]);
  byId('timer').value = entry.generator;
  byId('clock').value = String(entry.clock_hz / 1e6);
  byId('accuracy').value = String(Number((answer.accuracy * 100).toPrecision(12)));
  updateCalculator();
  scheduleUrlUpdate();
  byId('calculator-heading').scrollIntoView({ block: 'start' });
}

// The chart's choice of the rates asked; the one chosen stays where it can.
function offerChartRates(answer) {
  const select = byId('chart-rate');
  const chosen = select.value;
  const rates = answer ? answer.rates.map(String) : [];
  select.replaceChildren(...rates.map((rate) => new Option(`${rate} Baud`, rate)));
  // The rate chosen before where it is still asked, else 9600 Baud where it is.
  if (rates.includes(chosen)) select.value = chosen;
  else if (rates.includes('9600')) select.value = '9600';
}

// The crystal search for the rate chosen.
function updateChart() {
  const caption = byId('chart-caption');
  const rate = byId('chart-rate').value;
  if (rate === '') { byId('chart').replaceChildren(); caption.textContent = ''; return; }
  const search = runBaud(['', rate, byId('generators').value, byId('survey-accuracy').value, byId('adapter').value], 'json');
  if (search.status === 1) { byId('chart').replaceChildren(); caption.textContent = search.err.trim(); return; }
  const document_ = JSON.parse(search.out);
  drawDeviationChart(byId('chart'), document_.rows, document_.accuracy, rate);
  caption.textContent = `The band is the required accuracy of ${(document_.accuracy * 100).toFixed(2)} %; ` +
    `${document_.crystals.length} crystal and generator pairs lie within it at ${rate} Baud. ` +
    'A line breaks where a generator cannot come within 10 %.';
}

function readUrl() {
  const query = new URLSearchParams(location.search);
  for (const [key, value] of Object.entries({ ...calculatorDefaults, ...explorerDefaults })) {
    byId(key).value = query.has(key) ? query.get(key) : value;
  }
  readSerialUrl(query);
}

// Only what differs from the defaults goes into the link; written once the
// report is on the screen, since the browser takes a few ms for it.
function scheduleUrlUpdate() {
  clearTimeout(urlUpdate);
  urlUpdate = setTimeout(writeUrl);
}

function writeUrl() {
  const query = new URLSearchParams();
  for (const [key, value] of Object.entries({ ...calculatorDefaults, ...explorerDefaults })) {
    if (byId(key).value !== value) query.set(key, byId(key).value);
  }
  writeSerialUrl(query);
  const search = query.toString();
  history.replaceState(null, '', search ? `?${search}` : location.pathname);
}

createKorvaneCore().then((loaded) => {
  core = loaded;
  readUrl();
  updateCalculator();
  performance.mark('korvane-first-report');
  // The report first; the explorer and its chart in the next task.
  setTimeout(updateExplorer);
  setUpSerial();
  byId('calculator').addEventListener('input', () => { updateCalculator(); scheduleUrlUpdate(); });
  byId('explorer').addEventListener('input', () => { updateExplorer(); scheduleUrlUpdate(); });
  byId('explorer').addEventListener('change', () => { updateExplorer(); scheduleUrlUpdate(); });
  byId('chart-rate').addEventListener('change', updateChart);
  for (const form of document.forms) form.addEventListener('submit', (event) => event.preventDefault());
  setTimeout(() => { document.body.dataset.ready = 'true'; });
});
