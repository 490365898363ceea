// Plays a game through the engine actions, then opens the player's page and the game's page
// in headless chromium, steps through the replay and checks every board against the positions
// the server reported while the game was played. Screenshots (desktop and phone) go to the
// folder given as the second argument. Exits 77 (skipped) without chromium or playwright-core.
// Usage: node archive.test.mjs PATH_TO_PIMRA_SERVER SCREENSHOT_FOLDER

import { createHash } from 'node:crypto';
import { mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

import {
  chromiumPath,
  fail,
  formValue,
  loadChromium,
  startServer,
  toCp1251,
} from './harness.mjs';

const serverPath = process.argv[2];
const shotFolder = process.argv[3] ?? tmpdir();
const chromium = loadChromium();
const { work, address, stop } = startServer(serverPath, 'pimra-archive-', 120000);

let base;
async function engine(lines) {
  const body = lines.map(([name, value]) => `${name}=${formValue(value)}&`).join('');
  const reply = await fetch(`${base}/engine/`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    body,
  });
  return reply.json();
}

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

// Plays the first pit holding stones for whoever is to move until the game ends; gives the
// positions the server reported after every move, the start included.
async function playGame(first, second, table) {
  const players = new Map([[first.login, first], [second.login, second]]);
  let state = await engine([['action', 'gettable'], ['appid', 'pimra'], ['tableid', table]]);
  const positions = [counts(state.position)];
  while (state.result === '0' && positions.length < 400) {
    const who = players.get(state.activelogin);
    const start = who === first ? 1 : 8;
    const board = counts(state.position);
    let pit = start;
    while (board[pit - 1] === 0) ++pit;
    const moved = await engine([['action', 'move'], ['sid', who.sid], ['code', who.code],
                                ['tableid', table], ['move', String(pit)]]);
    if (moved.response !== 'Success') throw new Error(`move refused: ${moved.response}`);
    state = await engine([['action', 'gettable'], ['appid', 'pimra'], ['tableid', table]]);
    positions.push(counts(state.position));
  }
  return { positions, state };
}

async function boardOf(page) {
  return page.$$eval('#board [data-pit]', (cells) => {
    const board = new Array(14);
    for (const cell of cells) board[Number(cell.dataset.pit) - 1] = Number(cell.textContent);
    return board;
  });
}

let context;
try {
  base = await address();
  const ann = await register('Анна', 'пароль 1');
  const bob = await register('bob', 'secret 2');
  const created = await engine([['action', 'newtable'], ['gameid', '1'], ['sid', ann.sid],
                                ['code', ann.code], ['timelimit', '600'], ['bonus', '0']]);
  const table = created.ind;
  await engine([['action', 'regtable'], ['tableid', table], ['sid', bob.sid], ['code', bob.code]]);
  for (const who of [ann, bob]) {
    await engine([['action', 'ready'], ['sid', who.sid], ['code', who.code], ['tableid', table]]);
  }
  const { positions, state } = await playGame(ann, bob, table);
  if (state.result === '0') throw new Error('the game did not end');
  const moves = positions.length - 1;
  // The records the server keeps are the moves that were played.
  for (let ind = 0; ind < moves; ++ind) {
    const record = await engine([['action', 'nextrecord'], ['appid', 'pimra'],
                                 ['ind', String(ind)], ['side', '0'], ['tableid', table]]);
    if (record.ind !== String(ind + 1)) fail(`record ${ind + 1} missing`);
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

  await page.goto(`${base}/u/${encodeURIComponent(ann.login)}`);
  const countsText = await page.textContent('#counts');
  if (!countsText.startsWith('Партий: 1, побед: ')) fail(`counts: ${countsText}`);
  const rating = Number(await page.textContent('#rating'));
  const annWon = state.result === '1';
  if (annWon ? !(rating > 1500) : !(rating < 1500)) fail(`rating ${rating} after the game`);
  await page.screenshot({ path: join(shotFolder, 'archive-player-desktop.png'), fullPage: true });

  await Promise.all([page.waitForNavigation(), page.click(`a[href="/game/${table}"]`)]);
  if (!(await page.textContent('h1')).includes(`Партия № ${table}`)) fail('not the game page');
  if (!(await page.isVisible('#controls'))) fail('the replay controls are hidden');
  const compare = async (step) => {
    const shown = await boardOf(page);
    if (JSON.stringify(shown) !== JSON.stringify(positions[step])) {
      fail(`step ${step}: board ${shown} but the server had ${positions[step]}`);
    }
    const counter = await page.textContent('#step');
    if (counter !== `Ход ${step} из ${moves}`) fail(`step ${step}: counter "${counter}"`);
  };
  await compare(moves);
  await page.click('#first');
  await compare(0);
  for (let step = 1; step <= moves; ++step) {
    await page.click('#next');
    await compare(step);
  }
  if (!(await page.isDisabled('#next'))) fail('"next" is enabled at the end');
  const middle = Math.floor(moves / 2);
  await page.click(`#moves [data-step="${middle}"]`);
  await compare(middle);
  await page.keyboard.press('ArrowLeft');
  await compare(middle - 1);
  await page.screenshot({ path: join(shotFolder, 'archive-game-desktop.png'), fullPage: true });

  await page.setViewportSize({ width: 390, height: 844 });
  await page.reload();
  await page.click('#first');
  for (let step = 1; step <= 5; ++step) await page.click('#next');
  await compare(5);
  const overflow = await page.evaluate(
    () => document.documentElement.scrollWidth - document.documentElement.clientWidth);
  if (overflow > 0) fail(`the game page is ${overflow} px wider than a phone`);
  await page.screenshot({ path: join(shotFolder, 'archive-game-phone.png'), fullPage: true });
  await page.goto(`${base}/u/${encodeURIComponent(bob.login)}`);
  await page.screenshot({ path: join(shotFolder, 'archive-player-phone.png'), fullPage: true });
  if (problems.length > 0) fail(`the pages reported: ${problems.join('; ')}`);
} catch (error) {
  fail(error.stack ?? String(error));
} finally {
  await context?.close();
  await stop();
}
if (!process.exitCode) console.log(`archive pages in chromium: passed, screenshots in ${shotFolder}`);
