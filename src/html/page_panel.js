// Selection and the side panel. The selected file is the page state's
// `selected` (page_main.js), set by select() alone: it fills the panel with
// the file's figures and lists and marks the file in the picture under the
// page's views.

function fillList(model, id, indices, countId) {
  $(id).replaceChildren(...indices.map((index) => item(fileButton(model, index))));
  if (countId) $(countId).textContent = `(${number(indices.length)})`;
}

function fillPanel(model, index) {
  const file = model.files[index];
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
  const chain = chainTo(model, index);
  // Each file but the last with the line of its directive on the chain.
  $('chain').replaceChildren(...chain.map((at, step) => step + 1 === chain.length
    ? item(fileButton(model, at))
    : item(fileButton(model, at), lineNote(` line ${model.viaLines[chain[step + 1]]} \u2192`))));
  fillList(model, 'includers', model.includers[index], 'includer-count');
  fillList(model, 'includes', file.includes, 'include-count');
  const names = model.unresolvedOf.get(index) || [];
  $('unresolved-part').hidden = names.length === 0;
  $('unresolved').replaceChildren(
    ...names.map((name) => item(name.name, lineNote(` line ${name.line}`))));
}

// Selects file `index`, or nothing for null; `centre` centres the picture
// on it.
function select(page, index, centre) {
  const picture = page.picture;
  if (picture && page.selected !== null) picture.mark(page.selected, false, page.views);
  page.selected = index;
  $('panel').hidden = index === null;
  if (index === null) return;
  fillPanel(page.model, index);
  if (picture) {
    picture.mark(index, true, page.views);
    if (centre) picture.centreOn(index);
  }
}
