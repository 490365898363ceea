// Steps through a finished game on the game page. The positions after every move come from
// the server in the JSON block "replay-data"; this script only shows them.
'use strict';

(() => {
  const source = document.getElementById('replay-data');
  const board = document.getElementById('board');
  if (!source || !board) return;
  const data = JSON.parse(source.textContent);
  const last = data.positions.length - 1;
  const pits = new Map();
  for (const element of board.querySelectorAll('[data-pit]')) {
    pits.set(Number(element.dataset.pit), element);
  }
  const entries = [...document.querySelectorAll('#moves [data-step]')];
  const counter = document.getElementById('step');
  const buttons = {
    first: document.getElementById('first'),
    prev: document.getElementById('prev'),
    next: document.getElementById('next'),
    last: document.getElementById('last'),
  };
  let step = last;

  function show(wanted) {
    step = Math.max(0, Math.min(wanted, last));
    const position = data.positions[step];
    for (const [pit, element] of pits) {
      element.querySelector('.count').textContent = String(position[pit - 1]);
    }
    const played = step > 0 ? data.moves[step - 1] : null;
    for (const [pit, element] of pits) {
      element.classList.toggle('played', played !== null && played.pit === pit);
    }
    for (const entry of entries) {
      entry.classList.toggle('current', Number(entry.dataset.step) === step);
    }
    board.dataset.step = String(step);
    counter.textContent = `Ход ${step} из ${last}`;
    buttons.first.disabled = buttons.prev.disabled = step === 0;
    buttons.next.disabled = buttons.last.disabled = step === last;
  }

  buttons.first.addEventListener('click', () => show(0));
  buttons.prev.addEventListener('click', () => show(step - 1));
  buttons.next.addEventListener('click', () => show(step + 1));
  buttons.last.addEventListener('click', () => show(last));
  for (const entry of entries) {
    entry.addEventListener('click', () => show(Number(entry.dataset.step)));
  }
  document.addEventListener('keydown', (event) => {
    if (event.target instanceof HTMLInputElement) return;
    const moves = { ArrowLeft: step - 1, ArrowRight: step + 1, Home: 0, End: last };
    if (event.key in moves) {
      event.preventDefault();
      show(moves[event.key]);
    }
  });
  document.getElementById('controls').hidden = false;
  show(step);
})();
