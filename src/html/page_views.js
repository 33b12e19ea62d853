// Views: which files the picture and the outline show. The views are one
// object {system, depth, repeats}, the page state's `views` (page_main.js).
// applyViews alone sets it, always to a new object read from the bar's
// controls, and redraws what shows files; everything else is handed the
// views as an argument and keeps no copy.

// What the page shows until the controls change: everything.
const kAllViews = Object.freeze({ system: true, depth: Infinity, repeats: false });

function readViews() {
  const depth = $('depth').value;
  return {
    system: $('system').checked,
    depth: depth === '' ? Infinity : Math.max(0, Number(depth)),
    repeats: $('repeats').checked,
  };
}

function isShown(model, views, index) {
  const file = model.files[index];
  return (views.system || !file.system) && (file.depth === null || file.depth <= views.depth);
}

// Takes the views from the controls into page.views and shows them: in the
// picture, with the selection marked again under them, or in the outline.
function applyViews(page) {
  page.views = readViews();
  if (page.picture) {
    page.picture.showViews(page.views);
    if (page.selected !== null) page.picture.mark(page.selected, true, page.views);
  } else {
    drawOutline(page.model, page.views);
  }
}
