// The picture: Graphviz's SVG of the tree, node f<i> and edge e<i> (from
// the file's `via`) for file i, with the directives the tree leaves out
// drawn over it, seen through a lens. makePicture draws what it is told:
// the views and the selection are the caller's, passed in on each call.

// The lens: the picture's one camera (page_camera.js) and the view's size,
// applied to the svg's viewBox. Until the camera is first placed,
// Graphviz's own view shows the whole picture, so that loading lays the
// picture out only once.
function makeLens(svg, whole) {
  let camera = null;
  // Kept up to date by a ResizeObserver: reading the size from the element
  // would lay out the whole picture again after every change of classes.
  let viewSize = null;
  const size = () => viewSize || { width: svg.clientWidth || 1, height: svg.clientHeight || 1 };
  const current = () => camera || fitted(size(), whole);
  function show(next) {
    camera = next;
    svg.setAttribute('viewBox', viewBoxOf(camera, size()));
  }
  new ResizeObserver(([entry]) => {
    const { width, height } = entry.contentRect;
    viewSize = { width: width || 1, height: height || 1 };
    if (camera) {
      show(camera);
    } else if (wholeScale(size(), whole) > kMostFitScale) {
      show(fitted(size(), whole));
    }
  }).observe(svg);
  return {
    fit: () => show(fitted(size(), whole)),
    panBy: (dx, dy) => show(panned(current(), dx, dy)),
    // Zooms keeping the point under the view's pixel (px, py) in place.
    zoomAt: (px, py, factor) => show(zoomedAt(current(), size(), whole, px, py, factor)),
    zoomCentre: (factor) => {
      const { width, height } = size();
      show(zoomedAt(current(), size(), whole, width / 2, height / 2, factor));
    },
    centreOn: (point) => show(centredOn(current(), point)),
  };
}

// The picture in `svg` of the model's files: {nodes, lens, showViews(views),
// mark(index, on, views), centreOn(index)}.
function makePicture(svg, model) {
  const { files, labels, includers } = model;
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
  const lines = (pairs, views) => pairs
    .filter(([from, to]) =>
      isShown(model, views, from) && isShown(model, views, to) && nodes[from] && nodes[to])
    .map(([from, to]) => {
      const a = centre(from);
      const b = centre(to);
      return `M${a.x},${a.y}L${b.x},${b.y}`;
    })
    .join('');

  function showViews(views) {
    files.forEach((file, index) => {
      const shown = isShown(model, views, index);
      if (nodes[index]) nodes[index].classList.toggle('hidden', !shown);
      const cut = !shown || (file.via !== null && !isShown(model, views, file.via));
      if (edges[index]) edges[index].classList.toggle('hidden', cut);
    });
    const pairs = [];
    if (views.repeats) {
      files.forEach((file, from) => {
        for (const to of file.includes) if (isRepeat(model, from, to)) pairs.push([from, to]);
      });
    }
    allRepeats.setAttribute('d', lines(pairs, views));
  }

  // Marks the file, its includers and its includes, and the directives
  // between them, or takes the marks off.
  function mark(index, on, views) {
    const file = files[index];
    const toggle = (element, name) => element && element.classList.toggle(name, on);
    toggle(nodes[index], 'selected');
    for (const from of includers[index]) toggle(nodes[from], 'includer');
    for (const to of file.includes) {
      toggle(nodes[to], 'include');
      if (files[to].via === index && to !== index) toggle(edges[to], 'include');
    }
    if (file.via !== null) toggle(edges[index], 'includer');
    const from = on ? includers[index].filter((other) => isRepeat(model, other, index)) : [];
    const to = on ? file.includes.filter((other) => isRepeat(model, index, other)) : [];
    includerRepeats.setAttribute('d', lines(from.map((other) => [other, index]), views));
    includeRepeats.setAttribute('d', lines(to.map((other) => [index, other]), views));
  }

  const lens = makeLens(svg, whole);
  // Centres the view on a file, in the svg's coordinates.
  function centreOn(index) {
    if (!nodes[index]) return;
    const point = centre(index);
    lens.centreOn({
      x: matrix.a * point.x + matrix.c * point.y + matrix.e,
      y: matrix.b * point.x + matrix.d * point.y + matrix.f,
    });
  }
  return { nodes, lens, showViews, mark, centreOn };
}
