// The page: reads the fields, asks the core (the same C++ as mardeluk and
// korvane-baud) and shows what the programs would print; keeps the URL
// current so that a link reproduces the page.
'use strict';

const calculatorDefaults = { baudrate: '', timer: 'T1', accuracy: '1', clock: '11.0592', start: '0000', user: '8000' };
const explorerDefaults = { clocks: '11.0592', rates: '', generators: '', 'survey-accuracy': '1', adapter: 'exact' };
const byId = (id) => document.getElementById(id);
let core;
let urlUpdate;
let explorerUpdate;
// The explorer's own question, or the calculator's (see followCalculator).
let explorerOwn = false;
const chartRateDefault = '9600';
let chartRateWanted = chartRateDefault;

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
  followCalculator();
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
  scheduleExplorerUpdate();
  scheduleUrlUpdate();
  byId('calculator-heading').scrollIntoView({ block: 'start' });
}

// The chart's choice: the rates asked and the rate wanted, the calculator's
// while the explorer follows it; else the one chosen before where it is
// still asked, else 9600 Baud.
function offerChartRates(answer) {
  const select = byId('chart-rate');
  const following = !explorerOwn && byId('baudrate').value !== '';
  const wanted = following ? byId('baudrate').value : select.value || chartRateWanted;
  const rates = answer ? answer.rates.map(String) : [];
  if (following && !rates.includes(wanted)) rates.push(wanted);
  select.replaceChildren(...rates.map((rate) => new Option(`${rate} Baud`, rate)));
  if (rates.includes(wanted)) select.value = wanted;
  else if (rates.includes(chartRateWanted)) select.value = chartRateWanted;
}

// The crystal search for the rate chosen.
function updateChart() {
  const chart = byId('chart');
  const caption = byId('chart-caption');
  const clear = (text) => { chart.drawn = null; chart.replaceChildren(); caption.textContent = text; };
  const rate = byId('chart-rate').value;
  if (rate === '') { clear(''); return; }
  const search = runBaud(['', rate, byId('generators').value, byId('survey-accuracy').value, byId('adapter').value], 'json');
  if (search.status === 1) { clear(search.err.trim()); return; }
  const document_ = JSON.parse(search.out);
  drawDeviationChart(chart, document_.rows, document_.accuracy, rate);
  caption.textContent = `A row per standard crystal, a point per generator; the band is the required accuracy of ` +
    `${(document_.accuracy * 100).toFixed(2)} %. ${document_.crystals.length} crystal and generator pairs lie ` +
    `within it at ${rate} Baud. No point: the generator cannot come within 10 %.`;
}

// While the explorer follows the calculator, its clock is the calculator's
// (and the chart's rate, in offerChartRates); typing into the explorer's
// fields, or a link that names them, makes its question its own.
function followCalculator() {
  const note = byId('explorer-follow');
  if (explorerOwn) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = 'follow the calculator again';
    button.addEventListener('click', () => {
      explorerOwn = false;
      for (const [key, value] of Object.entries(explorerDefaults)) byId(key).value = value;
      updateExplorer();
      scheduleUrlUpdate();
    });
    note.replaceChildren('The explorer asks its own question: ', button, '.');
    return;
  }
  byId('clocks').value = byId('clock').value || calculatorDefaults.clock;
  note.textContent = "The explorer follows the calculator: its clock, and its baud rate in the chart.";
}

// The explorer after a calculator's edit, once the report is on the screen.
function scheduleExplorerUpdate() {
  clearTimeout(explorerUpdate);
  if (!explorerOwn) explorerUpdate = setTimeout(updateExplorer);
}

function readUrl() {
  const query = new URLSearchParams(location.search);
  for (const [key, value] of Object.entries({ ...calculatorDefaults, ...explorerDefaults })) {
    byId(key).value = query.has(key) ? query.get(key) : value;
  }
  explorerOwn = [...Object.keys(explorerDefaults), 'chartrate'].some((key) => query.has(key));
  chartRateWanted = query.get('chartrate') ?? chartRateDefault;
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
  for (const [key, value] of Object.entries(calculatorDefaults)) {
    if (byId(key).value !== value) query.set(key, byId(key).value);
  }
  // A question of the explorer's own names at least its clocks, so that the link keeps it.
  if (explorerOwn) {
    for (const [key, value] of Object.entries(explorerDefaults)) {
      if (byId(key).value !== value || key === 'clocks') query.set(key, byId(key).value);
    }
    if (byId('chart-rate').value !== chartRateDefault) query.set('chartrate', byId('chart-rate').value);
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
  redrawChartOnResize(byId('chart'));
  byId('calculator').addEventListener('input', () => { updateCalculator(); scheduleExplorerUpdate(); scheduleUrlUpdate(); });
  const ownQuestion = () => { explorerOwn = true; updateExplorer(); scheduleUrlUpdate(); };
  byId('explorer').addEventListener('input', ownQuestion);
  byId('explorer').addEventListener('change', ownQuestion);
  byId('chart-rate').addEventListener('change', () => {
    explorerOwn = true;
    chartRateWanted = byId('chart-rate').value;
    followCalculator();
    updateChart();
    scheduleUrlUpdate();
  });
  for (const form of document.forms) form.addEventListener('submit', (event) => event.preventDefault());
  setTimeout(() => { document.body.dataset.ready = 'true'; });
});
