'use strict';
// The page's behaviour: search, selection, views, and panning and zooming
// the picture. Names and paths come from the data and reach the document as
// text only (textContent), never as markup: header names are untrusted.
(() => {
  const $ = (id) => document.getElementById(id);
  const data = JSON.parse($('data').textContent);
  const graph = data.graph;
  const files = graph.files;
  const labels = data.labels;
  const includers = files.map(() => []);
  files.forEach((file, index) => {
    for (const to of file.includes) includers[to].push(index);
  });
  const unresolvedOf = new Map();
  for (const name of graph.unresolved) {
    if (!unresolvedOf.has(name.includer)) unresolvedOf.set(name.includer, []);
    unresolvedOf.get(name.includer).push(name);
  }
  const searchText = files.map((file, index) => (labels[index] + '\n' + file.path).toLowerCase());
  const number = (value) => value.toLocaleString('en');
  const plural = (count, word) => `${number(count)} ${word}${count === 1 ? '' : 's'}`;

  // Views: which files the picture and the lists show.
  const view = { system: true, depth: Infinity, repeats: false };
  const shown = (index) =>
    (view.system || !files[index].system) &&
    (files[index].depth === null || files[index].depth <= view.depth);

  function fileButton(index) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'file';
    if (!files[index].found) button.classList.add('missing');
    if (files[index].system) button.classList.add('system');
    button.dataset.file = String(index);
    button.textContent = labels[index];
    return button;
  }

  function item(...children) {
    const li = document.createElement('li');
    li.append(...children);
    return li;
  }

  function lineNote(text) {
    const span = document.createElement('span');
    span.className = 'line';
    span.textContent = text;
    return span;
  }

  // The picture: Graphviz's SVG of the tree, node f<i> and edge e<i> (from
  // the file's `via`) for file i, seen through a camera.
  function makePicture(svg) {
    const svgNs = 'http://www.w3.org/2000/svg';
    const drawing = svg.querySelector('g.graph');
    const bounds = svg.viewBox.baseVal;
    const whole = { x: bounds.x, y: bounds.y, width: bounds.width, height: bounds.height };
    const nodes = files.map((_, index) => $('f' + index));
    const edges = files.map((_, index) => $('e' + index));
    // Graphviz titles the boxes with their node names; they get the labels
    // when first pointed at.
    svg.addEventListener('pointerover', (event) => {
      const element = event.target.closest('g.node, g.edge');
      const title = element && element.querySelector('title');
      if (!title || element.dataset.titled) return;
      element.dataset.titled = 'true';
      const index = Number(element.id.slice(1));
      title.textContent = element.classList.contains('node')
        ? labels[index] : `${labels[files[index].via]} includes ${labels[index]}`;
    });
    const transform = drawing.transform.baseVal.consolidate();
    const matrix = transform ? transform.matrix : svg.createSVGMatrix();

    // Node centres in the drawing's coordinates, from the box's points, so
    // that hidden nodes have them too.
    const centres = new Map();
    function centre(index) {
      if (!centres.has(index)) {
        const shape = nodes[index].querySelector('polygon, ellipse, path');
        const points = shape && shape.points ? Array.from(shape.points) : [];
        const xs = points.map((point) => point.x);
        const ys = points.map((point) => point.y);
        centres.set(index, xs.length
          ? {
            x: (Math.min(...xs) + Math.max(...xs)) / 2,
            y: (Math.min(...ys) + Math.max(...ys)) / 2,
          }
          : { x: 0, y: 0 });
      }
      return centres.get(index);
    }

    // Lines between node centres for the directives the tree leaves out,
    // under the nodes.
    const overlay = document.createElementNS(svgNs, 'g');
    drawing.insertBefore(overlay, drawing.querySelector('g.node, g.edge'));
    const overlayPath = (className) => {
      const path = document.createElementNS(svgNs, 'path');
      path.setAttribute('class', className);
      overlay.append(path);
      return path;
    };
    const allRepeats = overlayPath('repeat');
    const includerRepeats = overlayPath('repeat includer');
    const includeRepeats = overlayPath('repeat include');
    const isRepeat = (from, to) => from !== to && files[to].via !== from;
    const lines = (pairs) => pairs
      .filter(([from, to]) => shown(from) && shown(to) && nodes[from] && nodes[to])
      .map(([from, to]) => {
        const a = centre(from);
        const b = centre(to);
        return `M${a.x},${a.y}L${b.x},${b.y}`;
      })
      .join('');

    function drawRepeats() {
      const pairs = [];
      if (view.repeats) {
        files.forEach((file, from) => {
          for (const to of file.includes) if (isRepeat(from, to)) pairs.push([from, to]);
        });
      }
      allRepeats.setAttribute('d', lines(pairs));
    }

    function mark(index, on) {
      const file = files[index];
      const toggle = (element, name) => element && element.classList.toggle(name, on);
      toggle(nodes[index], 'selected');
      for (const from of includers[index]) toggle(nodes[from], 'includer');
      for (const to of file.includes) {
        toggle(nodes[to], 'include');
        if (files[to].via === index && to !== index) toggle(edges[to], 'include');
      }
      if (file.via !== null) toggle(edges[index], 'includer');
      const from = on ? includers[index].filter((other) => isRepeat(other, index)) : [];
      const to = on ? file.includes.filter((other) => isRepeat(index, other)) : [];
      includerRepeats.setAttribute('d', lines(from.map((other) => [other, index])));
      includeRepeats.setAttribute('d', lines(to.map((other) => [index, other])));
    }

    function applyViews() {
      files.forEach((file, index) => {
        if (nodes[index]) nodes[index].classList.toggle('hidden', !shown(index));
        const cut = !shown(index) || (file.via !== null && !shown(file.via));
        if (edges[index]) edges[index].classList.toggle('hidden', cut);
      });
      drawRepeats();
    }

    // The camera: the drawing's point at the middle of the view, and pixels
    // per drawing unit. Until it is first placed, Graphviz's own view shows
    // the whole picture, so that loading lays the picture out only once.
    const camera = { x: 0, y: 0, scale: 1 };
    let placed = false;
    // Kept up to date by a ResizeObserver: reading the size from the element
    // would lay out the whole picture again after every change of classes.
    let viewSize = null;
    const size = () => viewSize || { width: svg.clientWidth || 1, height: svg.clientHeight || 1 };
    // Fitting magnifies a small picture at most this much.
    const kMostFitScale = 2;
    const wholeScale = () => {
      const { width, height } = size();
      return Math.min(width / whole.width, height / whole.height);
    };
    const fitScale = () => Math.min(wholeScale(), kMostFitScale);
    function show() {
      const { width, height } = size();
      const w = width / camera.scale;
      const h = height / camera.scale;
      svg.setAttribute('viewBox', `${camera.x - w / 2} ${camera.y - h / 2} ${w} ${h}`);
      placed = true;
    }
    function centreWhole() {
      camera.x = whole.x + whole.width / 2;
      camera.y = whole.y + whole.height / 2;
      camera.scale = fitScale();
    }
    function fit() {
      centreWhole();
      show();
    }
    const place = () => placed || centreWhole();
    // Zooms by `factor` keeping the point under pixel (px, py) in place.
    function zoomAt(px, py, factor) {
      place();
      const { width, height } = size();
      const dx = px - width / 2;
      const dy = py - height / 2;
      const x = camera.x + dx / camera.scale;
      const y = camera.y + dy / camera.scale;
      camera.scale = Math.min(Math.max(camera.scale * factor, fitScale() / 4), 16);
      camera.x = x - dx / camera.scale;
      camera.y = y - dy / camera.scale;
      show();
    }
    function panBy(dx, dy) {
      place();
      camera.x -= dx / camera.scale;
      camera.y -= dy / camera.scale;
      show();
    }
    function zoomCentre(factor) {
      const { width, height } = size();
      zoomAt(width / 2, height / 2, factor);
    }
    // Centres the view on a file, zoomed in far enough to read it.
    function centreOn(index) {
      if (!nodes[index]) return;
      const point = centre(index);
      place();
      camera.x = matrix.a * point.x + matrix.c * point.y + matrix.e;
      camera.y = matrix.b * point.x + matrix.d * point.y + matrix.f;
      camera.scale = Math.max(camera.scale, 1);
      show();
    }

    // Dragging pans, two pointers pinch, a pointer that barely moved
    // selects the node it went down on.
    const pointers = new Map();
    let pressed = null;
    let travel = 0;
    const fromSvg = (event) => {
      const rect = svg.getBoundingClientRect();
      return { x: event.clientX - rect.left, y: event.clientY - rect.top };
    };
    svg.addEventListener('pointerdown', (event) => {
      if (event.pointerType === 'mouse' && event.button !== 0) return;
      svg.setPointerCapture(event.pointerId);
      pointers.set(event.pointerId, fromSvg(event));
      pressed = pointers.size === 1 ? event.target.closest('g.node') : null;
      travel = pointers.size === 1 ? 0 : Infinity;
    });
    svg.addEventListener('pointermove', (event) => {
      const last = pointers.get(event.pointerId);
      if (!last) return;
      const now = fromSvg(event);
      if (pointers.size === 1) {
        panBy(now.x - last.x, now.y - last.y);
        travel += Math.abs(now.x - last.x) + Math.abs(now.y - last.y);
        if (travel > 4) svg.classList.add('dragging');
      } else {
        const other = [...pointers].find(([id]) => id !== event.pointerId)[1];
        const before = Math.hypot(last.x - other.x, last.y - other.y);
        const after = Math.hypot(now.x - other.x, now.y - other.y);
        panBy((now.x - last.x) / 2, (now.y - last.y) / 2);
        if (before > 0) zoomAt((now.x + other.x) / 2, (now.y + other.y) / 2, after / before);
      }
      pointers.set(event.pointerId, now);
    });
    const release = (event) => {
      if (!pointers.delete(event.pointerId) || pointers.size > 0) return;
      svg.classList.remove('dragging');
      if (event.type === 'pointerup' && pressed && travel <= 4) {
        select(Number(pressed.id.slice(1)), false);
      }
      pressed = null;
    };
    svg.addEventListener('pointerup', release);
    svg.addEventListener('pointercancel', release);
    svg.addEventListener('wheel', (event) => {
      event.preventDefault();
      const unit = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? 400 : 1;
      const at = fromSvg(event);
      zoomAt(at.x, at.y, Math.exp(-event.deltaY * unit * 0.002));
    }, { passive: false });
    new ResizeObserver(([entry]) => {
      const { width, height } = entry.contentRect;
      viewSize = { width: width || 1, height: height || 1 };
      if (placed) {
        show();
      } else if (wholeScale() > kMostFitScale) {
        fit();
      }
    }).observe(svg);
    return { mark, applyViews, fit, zoomCentre, panBy, centreOn, nodes };
  }

  const svg = $('view').querySelector('svg');
  const picture = svg ? makePicture(svg) : null;

  // The list view, for pages without a picture: the include tree from the
  // start headers, each entry opened on demand.
  function outlineEntry(index, level) {
    const toggle = document.createElement('button');
    toggle.type = 'button';
    toggle.className = 'toggle';
    const entry = item(toggle, fileButton(index));
    const children = files[index].includes.filter((to) => view.system || !files[to].system);
    if (children.length === 0 || level >= view.depth) {
      toggle.disabled = true;
      return entry;
    }
    toggle.textContent = '\u25b8';
    toggle.setAttribute('aria-label', 'open');
    toggle.addEventListener('click', () => {
      const open = entry.querySelector(':scope > ul');
      if (open) {
        open.remove();
      } else {
        const list = document.createElement('ul');
        list.className = 'tree';
        list.append(...children.map((to) => outlineEntry(to, level + 1)));
        entry.append(list);
      }
      toggle.textContent = open ? '\u25b8' : '\u25be';
    });
    return entry;
  }
  function drawOutline() {
    $('outline').replaceChildren(...graph.roots.filter(shown).map((root) => outlineEntry(root, 0)));
  }

  // Selection and the side panel.
  let selected = null;
  function fillList(id, indices, countId) {
    $(id).replaceChildren(...indices.map((index) => item(fileButton(index))));
    if (countId) $(countId).textContent = `(${number(indices.length)})`;
  }
  function fillPanel(index) {
    const file = files[index];
    $('path').textContent = file.path;
    const kind = [file.found ? 'found' : 'missing'];
    if (file.system) kind.push('system header');
    if (file.found && !file.expanded) kind.push('not expanded');
    kind.push(file.depth === null ? 'no start header reaches it' : `depth ${file.depth}`);
    $('kind').textContent = kind.join(' \u00b7 ');
    $('size').textContent = `${plural(file.bytes, 'byte')}, ${plural(file.lines, 'line')}`;
    const closure = file.closure;
    $('closure').textContent = [plural(closure.files, 'file'), plural(closure.bytes, 'byte'),
      plural(closure.lines, 'line')].join(', ');
    $('reached').textContent = plural(file.reachedFrom, 'file');
    const chain = [];
    for (let at = index; at !== null && chain.length <= files.length; at = files[at].via) {
      chain.unshift(at);
    }
    // Each file but the last with the line of its directive on the chain.
    $('chain').replaceChildren(...chain.map((at, step) => step + 1 === chain.length
      ? item(fileButton(at))
      : item(fileButton(at), lineNote(` line ${data.viaLines[chain[step + 1]]} \u2192`))));
    fillList('includers', includers[index], 'includer-count');
    fillList('includes', file.includes, 'include-count');
    const names = unresolvedOf.get(index) || [];
    $('unresolved-part').hidden = names.length === 0;
    $('unresolved').replaceChildren(
      ...names.map((name) => item(name.name, lineNote(` line ${name.line}`))));
  }
  function select(index, centre) {
    if (picture && selected !== null) picture.mark(selected, false);
    selected = index;
    $('panel').hidden = index === null;
    if (index === null) return;
    fillPanel(index);
    if (picture) {
      picture.mark(index, true);
      if (centre) picture.centreOn(index);
    }
  }
  document.addEventListener('click', (event) => {
    const button = event.target.closest('button.file');
    if (!button) return;
    select(Number(button.dataset.file), true);
    if ($('results').contains(button)) $('results').hidden = true;
  });
  $('close').addEventListener('click', () => select(null, false));

  // Search: every file whose label or path holds the text, ignoring case.
  const search = $('search');
  const results = $('results');
  const kShownResults = 100;
  let matches = [];
  let matchAt = -1;
  // Only the boxes whose highlight changes are touched: each touched box is
  // styled and painted again.
  const highlighted = new Uint8Array(files.length);
  function highlight() {
    const now = new Uint8Array(files.length);
    for (const index of matches) now[index] = 1;
    for (let index = 0; index < files.length; ++index) {
      if (now[index] !== highlighted[index]) {
        picture.nodes[index]?.classList.toggle('match', now[index] === 1);
        highlighted[index] = now[index];
      }
    }
  }
  function runSearch() {
    const query = search.value.trim().toLowerCase();
    matches = [];
    if (query) {
      for (let index = 0; index < files.length; ++index) {
        if (searchText[index].includes(query)) matches.push(index);
      }
    }
    if (picture) highlight();
    const found = `${number(matches.length)} ${matches.length === 1 ? 'match' : 'matches'}`;
    $('count').textContent = query ? found : '';
    const entries = matches.slice(0, kShownResults).map((index) => item(fileButton(index)));
    if (matches.length > kShownResults) {
      entries.push(item(lineNote(`and ${number(matches.length - kShownResults)} more`)));
    }
    results.replaceChildren(...entries);
    results.hidden = matches.length === 0;
    matchAt = -1;
  }
  search.addEventListener('input', runSearch);
  search.addEventListener('focus', () => { results.hidden = matches.length === 0; });
  search.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && matches.length > 0) {
      matchAt = (matchAt + 1) % matches.length;
      select(matches[matchAt], true);
      Array.from(results.children)
        .forEach((entry, at) => entry.classList.toggle('active', at === matchAt));
    } else if (event.key === 'Escape') {
      search.value = '';
      runSearch();
    }
  });
  for (const id of ['view', 'list', 'panel']) {
    $(id).addEventListener('pointerdown', () => { results.hidden = true; });
  }

  // Views.
  function applyViews() {
    view.system = $('system').checked;
    const depth = $('depth').value;
    view.depth = depth === '' ? Infinity : Math.max(0, Number(depth));
    view.repeats = $('repeats').checked;
    if (picture) {
      picture.applyViews();
      if (selected !== null) picture.mark(selected, true);
    } else {
      drawOutline();
    }
  }
  for (const id of ['system', 'depth', 'repeats']) $(id).addEventListener('input', applyViews);
  $('depth').max = String(files.reduce((deepest, file) => Math.max(deepest, file.depth || 0), 0));

  // Keys: + and - zoom, arrows pan, 0 fits, Escape closes the panel, /
  // finds.
  document.addEventListener('keydown', (event) => {
    const typing = event.target instanceof HTMLInputElement;
    if (typing || event.ctrlKey || event.metaKey || event.altKey) return;
    const step = 80;
    const actions = {
      '+': () => picture && picture.zoomCentre(1.25),
      '=': () => picture && picture.zoomCentre(1.25),
      '-': () => picture && picture.zoomCentre(0.8),
      '0': () => picture && picture.fit(),
      ArrowLeft: () => picture && picture.panBy(step, 0),
      ArrowRight: () => picture && picture.panBy(-step, 0),
      ArrowUp: () => picture && picture.panBy(0, step),
      ArrowDown: () => picture && picture.panBy(0, -step),
      Escape: () => select(null, false),
      '/': () => search.focus(),
    };
    if (!(event.key in actions)) return;
    event.preventDefault();
    actions[event.key]();
  });
  $('fit').addEventListener('click', () => picture.fit());
  $('zoom-in').addEventListener('click', () => picture.zoomCentre(1.25));
  $('zoom-out').addEventListener('click', () => picture.zoomCentre(0.8));

  // What the page shows around the picture or the lists.
  if (!picture) {
    $('view').hidden = true;
    $('zoom').hidden = true;
    $('repeats-view').hidden = true;
    $('list').hidden = false;
    $('note').textContent = data.note;
    drawOutline();
  }
  document.title = `${graph.roots.map((root) => labels[root]).join(', ')} \u2014 cludemap`;
  const missing = files.filter((file) => !file.found).length;
  $('summary').textContent = `${plural(files.length, 'file')}, ${number(missing)} missing, ` +
    `${plural(graph.cycles.length, 'cycle')}; cludemap ${graph.version}`;
  const warningCount = data.warnings.reduce((total, [, count]) => total + count, 0);
  $('warnings').hidden = data.warnings.length === 0;
  $('warning-summary').textContent =
    `${plural(warningCount, 'warning')} (${number(data.warnings.length)} distinct)`;
  $('warning-list').replaceChildren(...data.warnings.map(([text, count]) =>
    item(text, lineNote(count > 1 ? `  \u00d7${number(count)}` : ''))));
  document.body.dataset.ready = 'true';
})();
