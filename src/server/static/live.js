// Follows a running game on its page. It watches the table on the game socket; on each change
// it asks for the table and the moves it lacks over the same socket and redraws the board, the
// clocks and the list of moves. When the game is over it shows the finished game's page in
// place. Without this script the page shows the game as it was when it was loaded.
'use strict';

(() => {
  const source = document.getElementById('live-data');
  const board = document.getElementById('board');
  if (!source || !board || !('WebSocket' in window)) return;
  const data = JSON.parse(source.textContent);
  const table = String(data.table);
  const logins = data.logins;
  const pits = new Map();
  for (const element of board.querySelectorAll('[data-pit]')) {
    pits.set(Number(element.dataset.pit), element.querySelector('.count'));
  }
  const clocks = [document.getElementById('clock1'), document.getElementById('clock2')];
  const moves = document.getElementById('moves');
  const status = document.getElementById('live-status');

  let seconds = data.seconds.map(Number);
  let active = Number(data.active); // the seat to move, 1 or 2; 0 once the game is over
  let lastRecord = Number(data.lastRecord);
  let secondsTakenAt = performance.now();
  let over = false;

  // The server settles a clock that ran out only when asked about the table.
  const kAskAfterZeroMs = 3000;
  // What the server refused, or did not answer, is asked for again after this time.
  const kAskAgainMs = 1000;
  let lastAskedMs = 0;

  function clockText(total) {
    const two = (n) => String(n).padStart(2, '0');
    const minutes = Math.floor(total / 60);
    if (minutes < 60) return `${minutes}:${two(total % 60)}`;
    return `${Math.floor(minutes / 60)}:${two(minutes % 60)}:${two(total % 60)}`;
  }

  function secondsLeft(seat) {
    const stored = seconds[seat - 1];
    if (seat !== active) return stored;
    return Math.max(0, stored - Math.floor((performance.now() - secondsTakenAt) / 1000));
  }

  function tick() {
    for (const seat of [1, 2]) {
      const clock = clocks[seat - 1];
      if (!clock) continue;
      clock.textContent = clockText(secondsLeft(seat));
      clock.classList.toggle('running', seat === active);
    }
    const now = performance.now();
    if (active !== 0 && secondsLeft(active) === 0 && now - lastAskedMs > kAskAfterZeroMs) {
      lastAskedMs = now;
      refresh();
    }
  }

  function drawBoard(position) {
    const counts = position.split('|');
    if (counts.length !== 14) return;
    counts.forEach((count, i) => {
      const cell = pits.get(i + 1);
      if (cell) cell.textContent = String(Number(count));
    });
  }

  // Pits 1 to 7 are the bottom seat's, 8 to 14 the top seat's; the list numbers a seat's pits
  // from 1.
  function addMove(pit) {
    const top = pit > 7;
    const item = document.createElement('li');
    item.textContent = `${logins[top ? 1 : 0]}: ${top ? pit - 7 : pit}`;
    moves.append(item);
    for (const [number, cell] of pits) {
      cell.parentElement.classList.toggle('played', number === pit);
    }
  }

  // The socket: requests are answered by id; an answer lost with the socket is null.
  let socket = null;
  let nextId = 1;
  const waiting = new Map();
  let retryMs = 1000;

  function ask(fields) {
    return new Promise((resolve) => {
      if (!socket || socket.readyState !== WebSocket.OPEN) {
        resolve(null);
        return;
      }
      const id = nextId++;
      waiting.set(id, resolve);
      socket.send(JSON.stringify({ id, ...fields }));
    });
  }

  function onMessage(event) {
    let message;
    try {
      message = JSON.parse(event.data);
    } catch {
      return;
    }
    if (message.event === 'table' && message.tableid === table) {
      refresh();
    } else if (waiting.has(message.id)) {
      waiting.get(message.id)(message.reply ?? null);
      waiting.delete(message.id);
    }
  }

  function connect() {
    const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
    socket = new WebSocket(`${scheme}//${location.host}/engine/ws`);
    socket.addEventListener('open', async () => {
      retryMs = 1000;
      // Changes from here on come as events; the update catches up on those before.
      const watched = ask({ action: 'watch', tableid: table });
      refresh();
      if ((await watched) !== null && !over) {
        status.textContent = 'Партия показывается по ходу игры.';
      }
    });
    socket.addEventListener('message', onMessage);
    socket.addEventListener('close', () => {
      for (const resolve of waiting.values()) resolve(null);
      waiting.clear();
      if (over) return;
      status.textContent = 'Нет связи с сервером, подключаемся снова…';
      setTimeout(connect, retryMs);
      retryMs = Math.min(retryMs * 2, 30000);
    });
  }

  // False when the server refused part of it (requests coming too fast): the rest is asked for
  // again a little later. What a closed socket lost is caught up on when it opens again.
  async function update() {
    const state = await ask({ action: 'gettable', appid: 'pimra', tableid: table });
    if (!state || typeof state.position !== 'string') return state === null;
    const wanted = Number(state.lastrecord ?? 0);
    let complete = true;
    while (lastRecord < wanted) {
      const record = await ask({
        action: 'nextrecord', appid: 'pimra', tableid: table, ind: String(lastRecord), side: '0',
      });
      if (!record || record.move === undefined || Number(record.ind) !== lastRecord + 1) {
        complete = record === null;
        break;
      }
      addMove(Number(record.move));
      lastRecord += 1;
    }
    drawBoard(state.position);
    seconds = [Number(state.time1) || 0, Number(state.time2) || 0];
    active = state.activelogin === logins[0] ? 1 : state.activelogin === logins[1] ? 2 : 0;
    secondsTakenAt = performance.now();
    tick();
    if (!complete) return false;
    if (state.result !== undefined && state.result !== '0') await showFinished();
    return true;
  }

  // One update at a time; a change during one brings another after it.
  let updating = false;
  let again = false;
  async function refresh() {
    if (updating) {
      again = true;
      return;
    }
    updating = true;
    let complete = true;
    do {
      again = false;
      complete = await update();
    } while (again && !over);
    updating = false;
    if (!complete && !over) setTimeout(refresh, kAskAgainMs);
  }

  // The finished game's page, with its result, ratings and replay, in place of this one.
  async function showFinished() {
    over = true;
    clearInterval(ticker);
    socket.close();
    active = 0;
    tick();
    status.textContent = 'Партия окончена. Обновите страницу, чтобы увидеть итог.';
    let page;
    try {
      const reply = await fetch(location.pathname, { cache: 'no-store' });
      if (!reply.ok) return;
      page = new DOMParser().parseFromString(await reply.text(), 'text/html');
    } catch {
      return;
    }
    if (!page.getElementById('replay-data')) return;
    // Scripts that come with parsed HTML never run; the replay's is loaded anew.
    for (const script of page.querySelectorAll('script[src]')) script.remove();
    document.title = page.title;
    document.body.replaceChildren(...[...page.body.childNodes].map((n) => document.adoptNode(n)));
    const replay = document.createElement('script');
    replay.src = '/static/replay.js';
    document.body.append(replay);
  }

  const ticker = setInterval(tick, 250);
  connect();
})();
