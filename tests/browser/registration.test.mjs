// Registers an account through the registration page in headless chromium, then logs in with
// it the way the desktop client does. Exits 77 (skipped) without chromium or playwright-core.
// Usage: node registration.test.mjs PATH_TO_PIMRA_SERVER

import { createHash } from 'node:crypto';
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
const chromium = loadChromium();
const { work, address, stop } = startServer(serverPath, 'pimra-browser-', 60000);

let context;
try {
  const base = await address();
  context = await chromium.launchPersistentContext(join(work, 'profile'), {
    executablePath: chromiumPath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  const page = await context.newPage();
  const login = 'Ёжик в тумане';
  const password = 'пароль 42';

  const register = async (who, pass, repeat) => {
    await page.goto(`${base}/ru/reg`);
    await page.fill('#login', who);
    await page.fill('#password', pass);
    await page.fill('#repeat', repeat);
    await Promise.all([page.waitForNavigation(), page.click('#submit')]);
  };

  await register(login, password, password);
  const done = await page.textContent('#done');
  if (!done?.includes('Регистрация прошла успешно') || !done.includes(login)) {
    fail(`no success message: ${done}`);
  }

  await register(login, password, password);
  if ((await page.textContent('#error')) !== 'Этот логин уже занят.') fail('taken login accepted');
  if ((await page.inputValue('#login')) !== login) fail('the form lost the login');

  await register('другой', 'a', 'b');
  if ((await page.textContent('#error')) !== 'Пароли не совпадают.') fail('mismatch accepted');

  const digest = createHash('md5').update(toCp1251(password)).digest('hex');
  const reply = await fetch(`${base}/engine/`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
    body: `action=login&login=${formValue(login)}&pass=${digest}&`,
  }).then((r) => r.json());
  if (reply.response !== 'Success' || !/^[0-9a-f]{32}$/.test(reply.sid ?? '')) {
    fail(`login failed: ${JSON.stringify(reply)}`);
  }
} catch (error) {
  fail(error.stack ?? String(error));
} finally {
  await context?.close();
  await stop();
}
if (!process.exitCode) console.log('registration in chromium: passed');
