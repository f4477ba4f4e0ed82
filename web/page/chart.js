// The deviation of each generator over the standard crystals for one rate,
// as a plain SVG line chart with the accuracy band drawn in. `rows` are the
// rows of korvane-baud's crystal search (JSON), one per crystal and generator.
'use strict';

function drawDeviationChart(container, rows, accuracy, rateText) {
  const width = 640, height = 300, left = 44, right = 12, top = 28, bottom = 52;
  const ceiling = 10;  // percent: the models' own limit
  const svgNs = 'http://www.w3.org/2000/svg';
  const element = (name, attributes, text) => {
    const node = document.createElementNS(svgNs, name);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
    if (text !== undefined) node.textContent = text;
    return node;
  };
  const clocks = [...new Set(rows.map((row) => row.clock_hz))];
  const generators = [...new Set(rows.map((row) => row.generator))];
  const x = (index) => left + (index + 0.5) * (width - left - right) / clocks.length;
  const y = (percent) => top + (1 - Math.min(percent, ceiling) / ceiling) * (height - top - bottom);

  const svg = element('svg', { viewBox: `0 0 ${width} ${height}`, role: 'img', 'aria-labelledby': 'chart-title' });
  svg.append(element('title', { id: 'chart-title' },
    `Deviation from ${rateText} Baud of each generator at each standard crystal, with the accuracy band`));
  svg.append(element('rect', { class: 'band', x: left, width: width - left - right,
    y: y(accuracy * 100), height: y(0) - y(accuracy * 100) }));
  for (let percent = 0; percent <= ceiling; percent += 2) {
    svg.append(element('line', { class: 'axis', x1: left, x2: width - right, y1: y(percent), y2: y(percent) }));
    svg.append(element('text', { x: left - 6, y: y(percent) + 4, 'text-anchor': 'end' }, `${percent} %`));
  }
  clocks.forEach((clock, index) => {
    const label = String(Number((clock / 1e6).toPrecision(7)));
    svg.append(element('text', { x: x(index), y: height - bottom + 8,
      transform: `rotate(60 ${x(index)} ${height - bottom + 8})` }, label));
  });
  generators.forEach((generator, series) => {
    const colour = `var(--series-${series + 1})`;
    let path = '';
    let drawing = false;
    clocks.forEach((clock, index) => {
      const row = rows.find((r) => r.clock_hz === clock && r.generator === generator);
      if (!row || !row.reachable) { drawing = false; return; }
      const point = `${x(index).toFixed(1)} ${y(row.deviation * 100).toFixed(1)}`;
      path += `${drawing ? 'L' : 'M'}${point} `;
      drawing = true;
      svg.append(element('circle', { cx: x(index), cy: y(row.deviation * 100), r: 2.5, fill: colour }));
    });
    svg.append(element('path', { class: 'series', d: path.trim() || 'M0 0', stroke: colour }));
    const legendX = left + series * 74;
    svg.append(element('rect', { x: legendX, y: 8, width: 12, height: 12, fill: colour }));
    svg.append(element('text', { x: legendX + 16, y: 18 }, generator));
  });
  container.replaceChildren(svg);
}
