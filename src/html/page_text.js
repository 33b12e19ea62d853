// The elements that show the data. Names and paths come from the data and
// reach the document as text only (textContent, or strings appended), never
// as markup: header names are untrusted.

const $ = (id) => document.getElementById(id);
const number = (value) => value.toLocaleString('en');
const plural = (count, word) => `${number(count)} ${word}${count === 1 ? '' : 's'}`;

// The button that selects a file wherever it is listed: a click on any
// button.file selects its data-file.
function fileButton(model, index) {
  const file = model.files[index];
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'file';
  if (!file.found) button.classList.add('missing');
  if (file.system) button.classList.add('system');
  button.dataset.file = String(index);
  button.textContent = model.labels[index];
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
