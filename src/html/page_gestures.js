// Gestures: pointers, the wheel, keys and the zoom buttons, turned into
// calls on the picture's lens (page_picture.js) and on the callbacks given.
// They keep only the state of a gesture under way; the camera maths is
// page_camera.js's.

// On the picture: dragging pans, two pointers pinch, the wheel zooms at the
// pointer, and a pointer that barely moved picks (pick(index)) the node it
// went down on.
function followPointers(svg, lens, pick) {
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
      lens.panBy(now.x - last.x, now.y - last.y);
      travel += Math.abs(now.x - last.x) + Math.abs(now.y - last.y);
      if (travel > 4) svg.classList.add('dragging');
    } else {
      const other = [...pointers].find(([id]) => id !== event.pointerId)[1];
      const before = Math.hypot(last.x - other.x, last.y - other.y);
      const after = Math.hypot(now.x - other.x, now.y - other.y);
      lens.panBy((now.x - last.x) / 2, (now.y - last.y) / 2);
      if (before > 0) lens.zoomAt((now.x + other.x) / 2, (now.y + other.y) / 2, after / before);
    }
    pointers.set(event.pointerId, now);
  });
  const release = (event) => {
    if (!pointers.delete(event.pointerId) || pointers.size > 0) return;
    svg.classList.remove('dragging');
    if (event.type === 'pointerup' && pressed && travel <= 4) pick(Number(pressed.id.slice(1)));
    pressed = null;
  };
  svg.addEventListener('pointerup', release);
  svg.addEventListener('pointercancel', release);
  svg.addEventListener('wheel', (event) => {
    event.preventDefault();
    const unit = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? 400 : 1;
    const at = fromSvg(event);
    lens.zoomAt(at.x, at.y, Math.exp(-event.deltaY * unit * 0.002));
  }, { passive: false });
}

function followZoomButtons(lens) {
  $('fit').addEventListener('click', () => lens.fit());
  $('zoom-in').addEventListener('click', () => lens.zoomCentre(1.25));
  $('zoom-out').addEventListener('click', () => lens.zoomCentre(0.8));
}

// Keys outside the fields: + and - zoom, arrows pan, 0 fits (where there is
// a lens), Escape calls close(), / calls find().
function followKeys(lens, close, find) {
  const step = 80;
  const actions = {
    '+': () => lens && lens.zoomCentre(1.25),
    '=': () => lens && lens.zoomCentre(1.25),
    '-': () => lens && lens.zoomCentre(0.8),
    '0': () => lens && lens.fit(),
    ArrowLeft: () => lens && lens.panBy(step, 0),
    ArrowRight: () => lens && lens.panBy(-step, 0),
    ArrowUp: () => lens && lens.panBy(0, step),
    ArrowDown: () => lens && lens.panBy(0, -step),
    Escape: close,
    '/': find,
  };
  document.addEventListener('keydown', (event) => {
    const typing = event.target instanceof HTMLInputElement;
    if (typing || event.ctrlKey || event.metaKey || event.altKey) return;
    if (!(event.key in actions)) return;
    event.preventDefault();
    actions[event.key]();
  });
}
