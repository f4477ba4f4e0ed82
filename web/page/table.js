// korvane-baud's answer as a table: a row per clock, rate and generator, or
// per crystal and generator of a crystal search, with the columns and the
// cell texts of korvane-baud's text (from the core). Each cell keeps the
// JSON value it shows (data-value), by which its header sorts; each row
// starts with a button that takes its settings into the calculator.
'use strict';

// [heading, JSON key]; the cells come in this order.
const clockColumns = [
  ['Clock MHz', 'clock_hz'], ['Rate Baud', 'nominal_baud'], ['Gen', 'generator'], ['Reload', 'reload'],
  ['SMOD', 'smod'], ['PRE', 'prescale'], ['Resulting Baud', 'resulting_baud'], ['Deviation', 'deviation'],
  ['Met', 'within_accuracy'], ['Link error', 'link_error'], ['10-bit margin', 'frame_10_bit_margin'],
  ['11-bit margin', 'frame_11_bit_margin'],
];
const crystalColumns = [
  ['Crystal MHz', 'clock_hz'], ['Gen', 'generator'], ['Worst deviation', 'worst_deviation'],
  ['Worst link error', 'worst_link_error'], ['10-bit margin', 'frame_10_bit_margin'],
  ['11-bit margin', 'frame_11_bit_margin'],
];

function sortBy(table, column, header) {
  const ascending = header.getAttribute('aria-sort') !== 'ascending';
  const valueOf = (row) => JSON.parse(row.querySelectorAll('td[data-key]')[column].dataset.value);
  const rows = [...table.tBodies[0].rows].sort((a, b) => {
    const [x, y] = [valueOf(a), valueOf(b)];
    const order = x === y ? 0 : x === null ? 1 : y === null ? -1 : x < y ? -1 : 1;
    return ascending ? order : -order;
  });
  for (const th of table.tHead.rows[0].cells) th.removeAttribute('aria-sort');
  header.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
  table.tBodies[0].append(...rows);
}

// `answer` is korvane-baud's JSON document, `cells` the core's texts of the
// same answer; `use(entry)` takes a row's settings.
function drawSurveyTable(table, answer, cells, use) {
  const entries = answer.crystal_search ? answer.crystals : answer.rows;
  const texts = answer.crystal_search ? cells.crystals : cells.rows;
  const columns = answer.crystal_search ? crystalColumns : clockColumns;
  const headRow = document.createElement('tr');
  const useHeading = document.createElement('th');
  useHeading.scope = 'col';
  useHeading.textContent = 'Calculator';
  headRow.append(useHeading);
  columns.forEach(([heading], index) => {
    const th = document.createElement('th');
    th.scope = 'col';
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = heading;
    button.addEventListener('click', () => sortBy(table, index, th));
    th.append(button);
    headRow.append(th);
  });
  table.createTHead().replaceChildren(headRow);

  const body = document.createElement('tbody');
  entries.forEach((entry, index) => {
    const row = document.createElement('tr');
    if ('within_accuracy' in entry) row.className = entry.within_accuracy ? 'met' : 'not-met';
    const useCell = document.createElement('td');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'use-row';
    button.textContent = 'Use';
    button.setAttribute('aria-label', `Use ${texts[index][columns === crystalColumns ? 1 : 2]} at ` +
      `${texts[index][0]} MHz in the calculator`);
    button.addEventListener('click', () => use(entry));
    useCell.append(button);
    row.append(useCell);
    columns.forEach(([, key], column) => {
      const cell = document.createElement('td');
      cell.dataset.key = key;
      cell.dataset.value = JSON.stringify(entry[key]);
      cell.textContent = texts[index][column];
      row.append(cell);
    });
    body.append(row);
  });
  for (const old of [...table.tBodies]) old.remove();
  table.append(body);
}
