// The page's start, called once every part is declared: reads the model,
// makes the page's one state {model, views, picture, selected}, hands it to
// the parts that follow the controls, and fills what surrounds the picture.
// The views and the selection change only through applyViews and select.

function startPage() {
  const page = {
    model: readModel($('data').textContent),
    views: kAllViews,
    picture: null,
    selected: null,
  };
  const model = page.model;
  const svg = $('view').querySelector('svg');
  if (svg) {
    page.picture = makePicture(svg, model);
    followPointers(svg, page.picture.lens, (index) => select(page, index, false));
    followZoomButtons(page.picture.lens);
  }
  document.addEventListener('click', (event) => {
    const button = event.target.closest('button.file');
    if (!button) return;
    select(page, Number(button.dataset.file), true);
    if ($('results').contains(button)) $('results').hidden = true;
  });
  $('close').addEventListener('click', () => select(page, null, false));
  followSearch(page);
  for (const id of ['system', 'depth', 'repeats']) {
    $(id).addEventListener('input', () => applyViews(page));
  }
  const deepest = model.files.reduce((most, file) => Math.max(most, file.depth || 0), 0);
  $('depth').max = String(deepest);
  followKeys(page.picture && page.picture.lens, () => select(page, null, false),
    () => $('search').focus());

  if (!page.picture) {
    $('view').hidden = true;
    $('zoom').hidden = true;
    $('repeats-view').hidden = true;
    $('list').hidden = false;
    $('note').textContent = model.note;
    drawOutline(model, page.views);
  }
  fillFooter(model);
  document.body.dataset.ready = 'true';
}

// The page's title, its summary of the graph and the tool's warnings.
function fillFooter(model) {
  const roots = model.graph.roots.map((root) => model.labels[root]);
  document.title = `${roots.join(', ')} \u2014 cludemap`;
  const missing = model.files.filter((file) => !file.found).length;
  $('summary').textContent = `${plural(model.files.length, 'file')}, ${number(missing)} missing, ` +
    `${plural(model.graph.cycles.length, 'cycle')}; cludemap ${model.graph.version}`;
  const warningCount = model.warnings.reduce((total, [, count]) => total + count, 0);
  $('warnings').hidden = model.warnings.length === 0;
  $('warning-summary').textContent =
    `${plural(warningCount, 'warning')} (${number(model.warnings.length)} distinct)`;
  $('warning-list').replaceChildren(...model.warnings.map(([text, count]) =>
    item(text, lineNote(count > 1 ? `  \u00d7${number(count)}` : ''))));
}

startPage();
