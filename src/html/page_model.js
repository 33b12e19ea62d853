// The data model: the tool's data as the page reads it from its data
// element, and the facts the other parts look up in it. Pure: no document,
// and nothing changes a model once readModel has made it.

// The model of the data element's JSON text: the data's graph, files,
// labels, viaLines, warnings and note, and for each file its includers,
// its names that were not found, and its text to search.
function readModel(text) {
  const data = JSON.parse(text);
  const files = data.graph.files;
  const includers = files.map(() => []);
  files.forEach((file, index) => {
    for (const to of file.includes) includers[to].push(index);
  });
  const unresolvedOf = new Map();
  for (const name of data.graph.unresolved) {
    if (!unresolvedOf.has(name.includer)) unresolvedOf.set(name.includer, []);
    unresolvedOf.get(name.includer).push(name);
  }
  const searchText =
    files.map((file, index) => (data.labels[index] + '\n' + file.path).toLowerCase());
  return {
    graph: data.graph, files, labels: data.labels, viaLines: data.viaLines,
    warnings: data.warnings, note: data.note, includers, unresolvedOf, searchText,
  };
}

// Every file whose label or path holds `query`, a lower-case text, in the
// files' order; none for an empty query.
function matchesOf(model, query) {
  const matches = [];
  if (query) {
    for (let index = 0; index < model.files.length; ++index) {
      if (model.searchText[index].includes(query)) matches.push(index);
    }
  }
  return matches;
}

// Whether the directive of `from` that includes `to` is one the tree leaves
// out: the tree reaches each file from its `via` only.
function isRepeat(model, from, to) {
  return from !== to && model.files[to].via !== from;
}

// The shortest chain from a start header to the file, the start header
// first; a file that no start header reaches is its own chain.
function chainTo(model, index) {
  const files = model.files;
  const chain = [];
  for (let at = index; at !== null && chain.length <= files.length; at = files[at].via) {
    chain.unshift(at);
  }
  return chain;
}
