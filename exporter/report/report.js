// The report page's script. Each region's data are a JSON block in its section; a region's
// step matrix is drawn as a heat map beside the tree of its states when the region comes near
// the screen (every region before printing), so that a page of many large regions opens at
// once. A cell shows its cost on hover and the alignment of its two states when chosen.
'use strict';
(function () {
  const SVG = 'http://www.w3.org/2000/svg';
  const report = JSON.parse(document.getElementById('report-data').textContent);
  const tip = document.getElementById('tip');
  // The viridis colour scale, from the least cost (dark violet) to the greatest (yellow).
  const RAMP = ['#440154', '#482878', '#3e4989', '#31688e', '#26828e',
                '#1f9e89', '#35b779', '#6ece58', '#b5de2b', '#fde725'];

  // Returns a new SVG element `name` with the attributes `attributes`, appended to `parent`.
  function svgElement(name, attributes, parent) {
    const node = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
    if (parent) parent.appendChild(node);
    return node;
  }

  // Returns a new HTML element `name` of class `className` holding `text`.
  function element(name, className, text) {
    const node = document.createElement(name);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // Returns the colour of `t`, from 0 (the least cost) to 1 (the greatest), on the ramp.
  function colour(t) {
    const at = Math.min(Math.max(t, 0), 1) * (RAMP.length - 1);
    const i = Math.min(Math.floor(at), RAMP.length - 2);
    const mix = (k) => {
      const a = parseInt(RAMP[i].substr(k, 2), 16);
      const b = parseInt(RAMP[i + 1].substr(k, 2), 16);
      return Math.round(a + (b - a) * (at - i));
    };
    return `rgb(${mix(1)},${mix(3)},${mix(5)})`;
  }

  // Returns a cost as written in StepMatrix as a number: Infinity for "inf", NaN for "nan".
  function costValue(text) {
    return text === 'inf' ? Infinity : text === '-inf' ? -Infinity : Number(text);
  }

  // Appends `sequence` to `parent`, each run of one base in the base's colour.
  function appendBases(parent, sequence) {
    for (const run of sequence.match(/(.)\1*/gsu) || []) {
      const base = run[0].toUpperCase();
      if ('ACGTU-'.includes(base)) {
        parent.appendChild(element('span', base === '-' ? 'gap' : 'b' + base, run));
      } else {
        parent.appendChild(document.createTextNode(run));
      }
    }
  }

  // Returns `sequence` without its gap marks, with `runs` of gaps ("p,l p,l": l gaps before
  // its p-th letter, from 0) written as "-".
  function alignedRow(sequence, runs) {
    const letters = Array.from(sequence.split(report.gap).join(''));
    let row = '';
    let at = 0;
    for (const run of runs ? runs.split(' ') : []) {
      const [position, length] = run.split(',').map(Number);
      row += letters.slice(at, position).join('') + '-'.repeat(length);
      at = position;
    }
    return row + letters.slice(at).join('');
  }

  // Returns the label of a state's symbol.
  function symbol(state) {
    return report.symbols[state];
  }

  // Draws the heat map, tree and legend of `region` (the JSON data of a section) into `box`.
  function drawMatrix(section, region, box) {
    const n = region.states.length;
    const order = region.tree.order;
    const place = [];
    order.forEach((state, i) => { place[state] = i; });
    const costs = region.costs.map((row) => row.split(' '));
    const above = new Map(region.above.map(([g, h, cost]) => [g * n + h, cost]));
    let least = Infinity;
    let most = -Infinity;
    costs.forEach((row, g) => row.forEach((text, h) => {
      const value = costValue(text);
      if (g !== h && Number.isFinite(value)) {
        least = Math.min(least, value);
        most = Math.max(most, value);
      }
    }));
    const shade = (value) => {
      if (Number.isNaN(value)) return '#b9bec4';
      if (!Number.isFinite(value)) return '#111111';
      return colour(most > least ? (value - least) / (most - least) : 0.5);
    };

    // The layout: the tree, the row labels and the cells side by side; the column labels
    // above the cells, the tree's scale below it.
    const cell = Math.max(7, Math.min(26, Math.floor(640 / n)));
    const font = Math.max(6, Math.min(13, Math.round(cell * 0.75)));
    const labelWidth = Math.max(...order.map((s) => symbol(s).length)) * font * 0.7 + 10;
    const treeWidth = 150;
    const x0 = treeWidth + labelWidth;
    const y0 = Math.max(font * 2 + 4, 26);
    const side = n * cell;
    const figure = svgElement('svg', {
      class: 'heatmap', role: 'img', width: x0 + side + 8, height: y0 + side + 40,
      viewBox: `0 0 ${x0 + side + 8} ${y0 + side + 40}`,
      'aria-label': `Step matrix of ${n} states, rows and columns in the order of the tree`,
    });
    svgElement('text', { class: 'axes', x: 0, y: 11 }, figure).textContent =
      'cost from the state of a row to the state of a column';
    const labels = svgElement('g', { class: 'labels', 'font-size': font }, figure);
    order.forEach((state, i) => {
      svgElement('text', { class: 'row-label', x: x0 - 5, y: y0 + i * cell + cell / 2 },
                 labels).textContent = symbol(state);
      svgElement('text', { class: 'col-label', x: x0 + i * cell + cell / 2, y: y0 - 5 },
                 labels).textContent = symbol(state);
    });

    const cells = svgElement('g', { class: 'cells' }, figure);
    const marks = svgElement('g', { class: 'marks' });
    order.forEach((g, row) => order.forEach((h, column) => {
      const value = g === h ? null : costValue(costs[g][h]);
      svgElement('rect', {
        class: 'cell', x: x0 + column * cell, y: y0 + row * cell, width: cell, height: cell,
        fill: value === null ? '#eceff2' : shade(value),
      }, cells);
      if (above.has(g * n + h)) {
        svgElement('circle', {
          cx: x0 + column * cell + cell / 2, cy: y0 + row * cell + cell / 2,
          r: Math.max(1.3, cell * 0.17),
        }, marks);
      }
    }));
    figure.appendChild(marks);
    const chosen = svgElement('rect', { class: 'chosen', width: cell, height: cell,
                                        visibility: 'hidden' }, figure);
    drawTree(figure, region.tree, n, { cell, y0, right: treeWidth - 6, bottom: y0 + side });

    // Returns the states of the cell under `event`, or null.
    const statesAt = (event) => {
      if (!event.target.classList.contains('cell')) return null;
      const row = Math.round((event.target.y.baseVal.value - y0) / cell);
      const column = Math.round((event.target.x.baseVal.value - x0) / cell);
      return [order[row], order[column], row, column];
    };
    cells.addEventListener('mousemove', (event) => {
      const states = statesAt(event);
      if (!states) return;
      const [g, h] = states;
      let text = g === h ? `State ${symbol(g)}`
                         : `${symbol(g)} to ${symbol(h)}: cost ${costs[g][h]}`;
      if (above.has(g * n + h)) {
        text += `, more than a path through other states (${above.get(g * n + h)})`;
      }
      tip.textContent = g === h ? text : `${text}. Choose it for the alignment.`;
      tip.hidden = false;
      tip.style.left = `${Math.min(event.clientX + 14, window.innerWidth - 260)}px`;
      tip.style.top = `${event.clientY + 14}px`;
    });
    cells.addEventListener('mouseleave', () => { tip.hidden = true; });
    cells.addEventListener('click', (event) => {
      const states = statesAt(event);
      if (!states || states[0] === states[1]) return;
      chosen.setAttribute('x', x0 + states[3] * cell);
      chosen.setAttribute('y', y0 + states[2] * cell);
      chosen.setAttribute('visibility', 'visible');
      showPair(section, region, states[0], states[1]);
    });

    box.textContent = '';
    box.appendChild(figure);
    box.appendChild(legend(figure, region, least, most, above.size, costs));
  }

  // Draws the tree of the states (see the tree in a region's data) left of the rows: each
  // join at the mean cost between its two groups, on a scale below it.
  function drawTree(figure, tree, n, layout) {
    if (n < 2) return;
    const levels = tree.joins.map((join) => join[2]).filter((level) => level !== null);
    const low = Math.min(0, ...levels);
    const high = Math.max(low + 1e-9, ...levels);
    const left = 16;
    const x = (level) => level === null ? left
      : layout.right - (level - low) / (high - low) * (layout.right - left);
    const nodes = tree.order.map(() => null);
    tree.order.forEach((state, i) => {
      nodes[state] = { x: layout.right, y: layout.y0 + i * layout.cell + layout.cell / 2 };
    });
    const group = svgElement('g', { class: 'tree' }, figure);
    let path = '';
    tree.joins.forEach(([a, b, level]) => {
      const node = { x: x(level), y: (nodes[a].y + nodes[b].y) / 2 };
      path += `M${nodes[a].x} ${nodes[a].y}H${node.x}V${nodes[b].y}H${nodes[b].x}`;
      nodes.push(node);
    });
    svgElement('path', { d: path }, group);
    // The scale: ticks at the multiples of a step of 1, 2 or 5 times a power of ten.
    const scale = svgElement('g', { class: 'scale' }, group);
    const y = layout.bottom + 10;
    svgElement('path', { d: `M${x(high)} ${y}H${x(low)}` }, scale);
    const power = 10 ** Math.floor(Math.log10((high - low) / 4));
    const step = [1, 2, 5, 10].map((k) => k * power).find((k) => (high - low) / k <= 4);
    for (let level = Math.ceil(low / step) * step; level <= high + step * 1e-9; level += step) {
      svgElement('path', { d: `M${x(level)} ${y}v4` }, scale);
      svgElement('text', { x: x(level), y: y + 14 }, scale).textContent =
        Number(level.toPrecision(6)).toString();
    }
    svgElement('text', { class: 'title', x: (x(low) + x(high)) / 2, y: y + 27 },
               scale).textContent = 'mean cost between groups';
  }

  // Returns the legend of heat map `figure`: the colour scale from `least` to `most`, and what
  // its marks (`marked` of them) and special cells mean.
  function legend(figure, region, least, most, marked, costs) {
    const box = element('div', 'legend');
    if (Number.isFinite(least)) {
      const ramp = element('span', 'ramp');
      ramp.style.backgroundImage = `linear-gradient(to right, ${RAMP.join(', ')})`;
      box.append(element('span', 'value', `cost ${least.toFixed(2)}`), ramp,
                 element('span', 'value', most.toFixed(2)));
    }
    const flat = costs.flat();
    if (flat.some((text) => text.endsWith('inf'))) {
      box.append(element('span', 'key infinite'), 'infinite cost');
    }
    if (flat.some((text) => text.endsWith('nan'))) {
      box.append(element('span', 'key undefined'), 'undefined cost');
    }
    if (region.unchecked) {
      box.append(element('span', 'note',
                         `Paths through other states not checked: ${region.unchecked}.`));
    } else if (marked > 0) {
      // The marks can be hidden, which helps to read the colours of a large matrix.
      const toggle = element('input');
      toggle.type = 'checkbox';
      toggle.checked = true;
      toggle.addEventListener('change', () => {
        figure.querySelector('.marks').style.display = toggle.checked ? '' : 'none';
      });
      const label = element('label', 'marked');
      label.append(toggle, element('span', 'key above'), `${marked} ${marked === 1 ? 'cost is'
        : 'costs are'} more than a path through other states`);
      box.append(label);
    } else {
      box.append(element('span', 'note', 'No cost is more than a path through other states.'));
    }
    box.append(element('span', 'hint', 'Rows and columns follow the tree. ' +
                       'Choose a cell to see the alignment of its two states.'));
    return box;
  }

  // Shows the alignment of states `g` and `h` of `region` below its heat map.
  function showPair(section, region, g, h) {
    const n = region.states.length;
    const [a, b] = g < h ? [g, h] : [h, g];
    const [flipped, firstRuns, secondRuns, scores] =
      region.pairs[a * n - a * (a + 1) / 2 + (b - a - 1)];
    const first = flipped ? b : a;
    const second = flipped ? a : b;
    const rows = [alignedRow(region.states[first], firstRuns),
                  alignedRow(region.states[second], secondRuns)];
    const panel = section.querySelector('.pair');
    panel.textContent = '';
    panel.appendChild(element('h4', '',
      `Alignment of states ${symbol(first)} and ${symbol(second)}, as in Alignments`));
    const alignment = element('div', 'alignment');
    const columns = [Array.from(rows[0]), Array.from(rows[1])];
    const match = columns[0].map((c, i) => (c === columns[1][i] && c !== '-' ? '|' : ' '));
    [[first, rows[0]], [null, match.join('')], [second, rows[1]]].forEach(([state, text]) => {
      const line = element('div', state === null ? 'row match' : 'row');
      line.appendChild(element('span', 'state', state === null ? '' : symbol(state)));
      const bases = element('span', 'bases');
      if (state === null) bases.textContent = text; else appendBases(bases, text);
      line.appendChild(bases);
      alignment.appendChild(line);
    });
    panel.appendChild(alignment);
    const table = element('table', 'scores');
    const names = ['Sxy, similarity', 'Cxy, cost', 'Oxy = Sxy / Cxy',
                   'Cxy with your weights', 'Oxy with your weights'];
    const head = table.createTHead().insertRow();
    const body = table.createTBody().insertRow();
    scores.split(' ').forEach((score, i) => {
      head.appendChild(element('th', 'num', names[i]));
      body.appendChild(element('td', 'num', score));
    });
    panel.appendChild(table);
    panel.hidden = false;
    panel.scrollIntoView({ block: 'nearest' });
  }

  // Draws the region of `section` once: its states' bases in colour, its heat map and tree.
  function draw(section) {
    if (section.dataset.drawn) return;
    section.dataset.drawn = 'yes';
    for (const cell of section.querySelectorAll('td.seq')) {
      if (cell.children.length > 0) continue;
      const sequence = cell.textContent;
      cell.textContent = '';
      appendBases(cell, sequence);
    }
    const block = section.querySelector('script.region-data');
    if (block) drawMatrix(section, JSON.parse(block.textContent), section.querySelector('.matrix'));
  }

  const sections = Array.from(document.querySelectorAll('section.region'));
  if ('IntersectionObserver' in window) {
    const observer = new IntersectionObserver((entries) => {
      for (const entry of entries) {
        if (!entry.isIntersecting) continue;
        observer.unobserve(entry.target);
        draw(entry.target);
      }
    }, { rootMargin: '600px 0px' });
    sections.forEach((section) => observer.observe(section));
  } else {
    sections.forEach(draw);
  }
  window.addEventListener('beforeprint', () => sections.forEach(draw));
})();
