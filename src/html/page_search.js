// The search box: every file whose label or path holds its text, ignoring
// case, listed under it and highlighted in the picture. Enter selects the
// matches in turn, Escape empties the box.

function followSearch(page) {
  const { model, picture } = page;
  const files = model.files;
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
    matches = matchesOf(model, query);
    if (picture) highlight();
    const found = `${number(matches.length)} ${matches.length === 1 ? 'match' : 'matches'}`;
    $('count').textContent = query ? found : '';
    const entries = matches.slice(0, kShownResults).map((index) => item(fileButton(model, index)));
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
      select(page, matches[matchAt], true);
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
}
