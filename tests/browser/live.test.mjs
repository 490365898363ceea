// Follows a running game in headless chromium while two players play it through the engine
// actions over HTTP: from the player's page by "Смотреть" to the game's page, which must show
// every move (board, list and the clock to move) and then the end, with the finished game's
// result and replay, all without a reload. Prints how long each move took to reach the page.
// Exits 77 (skipped) without chromium or playwright-core.
// Usage: node live.test.mjs PATH_TO_PIMRA_SERVER SCREENSHOT_FOLDER

import { createHash } from 'node:crypto';
import { mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import { chromiumPath, engineAt, fail, loadChromium, startServer, toCp1251 } from './harness.mjs';

const serverPath = process.argv[2];
const shotFolder = process.argv[3] ?? tmpdir();
const chromium = loadChromium();
const { work, address, stop } = startServer(serverPath, 'pimra-live-', 150000);

let base;
let engine;

async function register(login, password) {
  const form = await fetch(`${base}/ru/reg`);
  const token = form.headers.get('set-cookie').match(/pimra_csrf=([^;]+)/)[1];
  const body = new URLSearchParams({ csrf: token, login, password, repeat: password });
  const done = await fetch(`${base}/ru/reg`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded', Cookie: `pimra_csrf=${token}` },
    body: body.toString(),
  }).then((r) => r.text());
  if (!done.includes('Регистрация прошла успешно')) throw new Error(`no account for ${login}`);
  const digest = createHash('md5').update(toCp1251(password)).digest('hex');
  const session = await engine([['action', 'login'], ['login', login], ['pass', digest]]);
  if (session.response !== 'Success') throw new Error(`cannot log in ${login}`);
  return { login, sid: session.sid, code: session.code };
}

const counts = (text) => text.split('|').map(Number);
const gettable = (table) => engine([['action', 'gettable'], ['appid', 'pimra'], ['tableid', table]]);

// What the page shows now.
function shown(page) {
  return page.evaluate(() => {
    const board = new Array(14);
    for (const cell of document.querySelectorAll('#board [data-pit]')) {
      board[Number(cell.dataset.pit) - 1] = Number(cell.textContent);
    }
    const running = document.querySelector('.clock.running');
    return {
      board,
      moves: [...document.querySelectorAll('#moves li')].map((item) => item.textContent),
      running: running ? running.id : '',
    };
  });
}

const percentile = (sorted, p) => sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))];

let context;
try {
  base = await address();
  engine = engineAt(base);
  // A server without the game socket answers its address as any unknown page.
  if ((await fetch(`${base}/engine/ws`)).status === 404) {
    console.log('skipped: the server has no game socket at /engine/ws');
    await stop();
    process.exit(77);
  }
  const ann = await register('Анна', 'пароль 1');
  const bob = await register('bob', 'secret 2');
  const created = await engine([['action', 'newtable'], ['gameid', '1'], ['sid', ann.sid],
                                ['code', ann.code], ['timelimit', '600'], ['bonus', '0']]);
  const table = created.ind;
  await engine([['action', 'regtable'], ['tableid', table], ['sid', bob.sid], ['code', bob.code]]);
  for (const who of [ann, bob]) {
    await engine([['action', 'ready'], ['sid', who.sid], ['code', who.code], ['tableid', table]]);
  }

  mkdirSync(shotFolder, { recursive: true });
  context = await chromium.launchPersistentContext(join(work, 'profile'), {
    executablePath: chromiumPath,
    headless: true,
    viewport: { width: 1280, height: 900 },
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(message.text());
  });
  page.on('pageerror', (error) => problems.push(String(error)));
  page.on('request', (request) => {
    if (!request.url().startsWith(base)) problems.push(`outside request: ${request.url()}`);
  });
  let loads = 0;
  page.on('load', () => ++loads);

  await page.goto(`${base}/live`);
  if (!(await page.isVisible(`#live-games a[href="/game/${table}"]`))) fail('/live misses the game');
  await page.goto(`${base}/u/${encodeURIComponent(ann.login)}`);
  await Promise.all([page.waitForNavigation(), page.click(`#running a[href="/game/${table}"]`)]);
  if (!(await page.textContent('h1')).includes(`Партия № ${table}`)) fail('not the game page');
  await page.waitForFunction(
    () => document.getElementById('live-status')?.textContent === 'Партия показывается по ходу игры.',
    null, { timeout: 10000 });
  const loadsBefore = loads;

  // The clock of the player to move runs on the page between the server's figures.
  const before = await page.textContent('#clock1');
  await page.waitForTimeout(2100);
  const after = await page.textContent('#clock1');
  if (before === after || !(await page.isVisible('#clock1.running'))) {
    fail(`the clock to move stands: ${before} then ${after}`);
  }
  if (await page.isVisible('#clock2.running')) fail('both clocks run');

  const players = new Map([[ann.login, ann], [bob.login, bob]]);
  let state = await gettable(table);
  const expectedMoves = [];
  const delays = [];
  while (state.result === '0' && expectedMoves.length < 400) {
    const who = players.get(state.activelogin);
    const first = who === ann ? 1 : 8;
    const board = counts(state.position);
    let pit = first;
    while (board[pit - 1] === 0) ++pit;
    const moved = await engine([['action', 'move'], ['sid', who.sid], ['code', who.code],
                                ['tableid', table], ['move', String(pit)]]);
    if (moved.response !== 'Success') throw new Error(`move refused: ${moved.response}`);
    const acknowledged = Date.now();
    expectedMoves.push(`${who.login}: ${pit - first + 1}`);
    state = await gettable(table);
    if (state.result !== '0') break;
    const wanted = {
      board: counts(state.position),
      moves: expectedMoves,
      running: state.activelogin === ann.login ? 'clock1' : 'clock2',
    };
    try {
      await page.waitForFunction(
        (wanted) => {
          const board = new Array(14);
          for (const cell of document.querySelectorAll('#board [data-pit]')) {
            board[Number(cell.dataset.pit) - 1] = Number(cell.textContent);
          }
          const moves = [...document.querySelectorAll('#moves li')].map((item) => item.textContent);
          return JSON.stringify(board) === JSON.stringify(wanted.board) &&
                 JSON.stringify(moves) === JSON.stringify(wanted.moves) &&
                 document.querySelector('.clock.running')?.id === wanted.running;
        },
        wanted, { timeout: 5000, polling: 10 });
    } catch {
      fail(`move ${expectedMoves.length}: the page shows ${JSON.stringify(await shown(page))} ` +
           `but the server has ${JSON.stringify(wanted)}`);
      break;
    }
    delays.push(Date.now() - acknowledged);
    if (expectedMoves.length === 6) {
      await page.screenshot({ path: join(shotFolder, 'live-game-desktop.png'), fullPage: true });
    }
  }
  if (state.result === '0') throw new Error('the game did not end');

  // The end: the finished game's page in place, its result, its replay at the last move.
  await page.waitForSelector('#replay-data', { state: 'attached', timeout: 10000 });
  await page.waitForSelector('#controls', { state: 'visible', timeout: 5000 });
  const result = await page.textContent('#result');
  const winner = state.result === '1' ? ann.login : state.result === '2' ? bob.login : '';
  if (!(winner ? result.startsWith(`Победил ${winner}`) : result.startsWith('Ничья'))) {
    fail(`the result reads "${result}" for result ${state.result}`);
  }
  const moves = expectedMoves.length;
  const step = await page.textContent('#step');
  if (step !== `Ход ${moves} из ${moves}`) fail(`the replay stands at "${step}"`);
  const end = await shown(page);
  if (JSON.stringify(end.board) !== JSON.stringify(counts(state.position))) {
    fail(`the final board ${end.board} is not the server's ${state.position}`);
  }
  if (end.moves.length !== moves) fail(`${end.moves.length} moves listed of ${moves}`);
  if (loads !== loadsBefore) fail('the page was reloaded');
  await page.screenshot({ path: join(shotFolder, 'live-game-finished.png'), fullPage: true });
  if (problems.length > 0) fail(`the page reported: ${problems.join('; ')}`);

  delays.sort((a, b) => a - b);
  console.log(`${moves} moves followed; from the move's answer to the page: ` +
              `p50 ${percentile(delays, 0.5)} ms, p99 ${percentile(delays, 0.99)} ms, ` +
              `max ${delays[delays.length - 1]} ms`);
} catch (error) {
  fail(error.stack ?? String(error));
} finally {
  await context?.close();
  await stop();
}
if (!process.exitCode) console.log(`live game page in chromium: passed, screenshots in ${shotFolder}`);
