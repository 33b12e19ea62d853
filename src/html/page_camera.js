// The camera maths, as pure functions of plain values. A camera {x, y,
// scale} is the drawing's point at the middle of the view and the pixels
// per unit of the drawing; a size {width, height} is the view's, in pixels;
// `whole` {x, y, width, height} is the box of the whole drawing. Each
// function returns a new camera or value and changes nothing.

// Fitting magnifies a small picture at most this much; zooming in stops at
// this many pixels a unit, zooming out at a quarter of the fitting scale.
const kMostFitScale = 2;
const kMostScale = 16;

// The scale at which the whole drawing just fits the view.
function wholeScale(size, whole) {
  return Math.min(size.width / whole.width, size.height / whole.height);
}

function fitScale(size, whole) {
  return Math.min(wholeScale(size, whole), kMostFitScale);
}

// The whole drawing in the middle of the view, as large as fitting allows.
function fitted(size, whole) {
  return {
    x: whole.x + whole.width / 2,
    y: whole.y + whole.height / 2,
    scale: fitScale(size, whole),
  };
}

// Moved so that the drawing follows a pointer that moved (dx, dy) pixels.
function panned(camera, dx, dy) {
  return { x: camera.x - dx / camera.scale, y: camera.y - dy / camera.scale, scale: camera.scale };
}

// Zoomed by `factor`, within the bounds, keeping the drawing's point under
// the view's pixel (px, py) under it.
function zoomedAt(camera, size, whole, px, py, factor) {
  const dx = px - size.width / 2;
  const dy = py - size.height / 2;
  const scale = Math.min(Math.max(camera.scale * factor, fitScale(size, whole) / 4), kMostScale);
  return {
    x: camera.x + dx / camera.scale - dx / scale,
    y: camera.y + dy / camera.scale - dy / scale,
    scale,
  };
}

// Centred on `point`, zoomed in far enough to read the boxes there.
function centredOn(camera, point) {
  return { x: point.x, y: point.y, scale: Math.max(camera.scale, 1) };
}

// The SVG viewBox that shows what the camera sees.
function viewBoxOf(camera, size) {
  const w = size.width / camera.scale;
  const h = size.height / camera.scale;
  return `${camera.x - w / 2} ${camera.y - h / 2} ${w} ${h}`;
}
