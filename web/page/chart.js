// The deviation of each generator at each standard crystal for one rate, as
// a plain SVG chart with the accuracy band drawn in. Crystals are
// categories, not a scale: each is a row of its own, with a point per
// generator and nothing joining one crystal to the next. The chart is drawn
// at the width it is shown at, so that its text keeps its size and its
// labels, one per row, never overlap. `rows` are the rows of korvane-baud's
// crystal search (JSON), one per crystal and generator.
'use strict';

const chartCeiling = 10;  // percent: the models' own limit

function drawDeviationChart(container, rows, accuracy, rateText) {
  container.drawn = { rows, accuracy, rateText, width: container.clientWidth };
  const width = Math.max(container.clientWidth, 300);
  const left = 70, right = 18, top = 34, bottom = 30, rowHeight = 22, pointStep = 3.5;
  const svgNs = 'http://www.w3.org/2000/svg';
  const element = (name, attributes, text) => {
    const node = document.createElementNS(svgNs, name);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
    if (text !== undefined) node.textContent = text;
    return node;
  };
  const clocks = [...new Set(rows.map((row) => row.clock_hz))];
  const generators = [...new Set(rows.map((row) => row.generator))];
  const height = top + clocks.length * rowHeight + bottom;
  const x = (percent) => left + Math.min(percent, chartCeiling) / chartCeiling * (width - left - right);
  const rowTop = (index) => top + index * rowHeight;
  // The generators' points spread over the row, so that equal deviations stay apart.
  const pointY = (index, series) => rowTop(index) + rowHeight / 2 + (series - (generators.length - 1) / 2) * pointStep;
  const megahertz = (clock) => String(Number((clock / 1e6).toPrecision(7)));

  const svg = element('svg', { viewBox: `0 0 ${width} ${height}`, width, height, role: 'img',
    'aria-labelledby': 'chart-title' });
  svg.append(element('title', { id: 'chart-title' },
    `Deviation from ${rateText} Baud of each generator at each standard crystal, with the accuracy band`));
  clocks.forEach((clock, index) => {
    if (index % 2 === 0) svg.append(element('rect', { class: 'row', x: left, width: width - left - right, y: rowTop(index), height: rowHeight }));
    svg.append(element('text', { x: left - 8, y: rowTop(index) + rowHeight / 2 + 4, 'text-anchor': 'end' },
      megahertz(clock)));
  });
  svg.append(element('rect', { class: 'band', x: left, width: x(accuracy * 100) - left, y: top, height: height - top - bottom }));
  for (let percent = 0; percent <= chartCeiling; percent += 2) {
    svg.append(element('line', { class: 'axis', x1: x(percent), x2: x(percent), y1: top, y2: height - bottom }));
    svg.append(element('text', { x: x(percent), y: height - bottom + 16, 'text-anchor': 'middle' }, `${percent} %`));
  }
  generators.forEach((generator, series) => {
    const colour = `var(--series-${series + 1})`;
    svg.append(element('rect', { x: series * 64, y: 8, width: 12, height: 12, fill: colour }));
    svg.append(element('text', { x: series * 64 + 16, y: 18 }, generator));
    clocks.forEach((clock, index) => {
      const row = rows.find((r) => r.clock_hz === clock && r.generator === generator);
      if (!row || !row.reachable) return;
      const point = element('circle', { class: 'mark', cx: x(row.deviation * 100), cy: pointY(index, series), r: 3,
        fill: colour });
      point.append(element('title', {}, `${generator}, ${megahertz(clock)} MHz: ${(row.deviation * 100).toFixed(2)} %`));
      svg.append(point);
    });
  });
  container.replaceChildren(svg);
}

// Draws the chart again whenever its box changes width.
function redrawChartOnResize(container) {
  new ResizeObserver(() => {
    const drawn = container.drawn;
    if (drawn && container.isConnected && drawn.width !== container.clientWidth) {
      drawDeviationChart(container, drawn.rows, drawn.accuracy, drawn.rateText);
    }
  }).observe(container);
}
