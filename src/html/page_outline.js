// The outline, the list view for pages without a picture: the include tree
// from the start headers under the views it is drawn with, each entry
// opened on demand.

function outlineEntry(model, views, index, level) {
  const toggle = document.createElement('button');
  toggle.type = 'button';
  toggle.className = 'toggle';
  const entry = item(toggle, fileButton(model, index));
  const files = model.files;
  const children = files[index].includes.filter((to) => views.system || !files[to].system);
  if (children.length === 0 || level >= views.depth) {
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
      list.append(...children.map((to) => outlineEntry(model, views, to, level + 1)));
      entry.append(list);
    }
    toggle.textContent = open ? '\u25b8' : '\u25be';
  });
  return entry;
}

function drawOutline(model, views) {
  const roots = model.graph.roots.filter((root) => isShown(model, views, root));
  $('outline').replaceChildren(...roots.map((root) => outlineEntry(model, views, root, 0)));
}
