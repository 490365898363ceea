// Registers an account through the registration page in headless chromium, then logs in with
// it the way the desktop client does. Exits 77 (skipped) without chromium or playwright-core.
// Usage: node registration.test.mjs PATH_TO_PIMRA_SERVER

import { spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const SKIP = 77;
const chromiumPath = '/usr/bin/chromium';
const serverPath = process.argv[2];

function fail(message) {
  console.error(`FAILED: ${message}`);
  process.exitCode = 1;
}

let chromium;
try {
  ({ chromium } = createRequire(import.meta.url)('playwright-core'));
} catch {
  console.log('skipped: playwright-core is not installed (npm ci --prefix tests/browser)');
  process.exit(SKIP);
}
if (!existsSync(chromiumPath)) {
  console.log(`skipped: ${chromiumPath} is missing`);
  process.exit(SKIP);
}

// Windows-1251 bytes of a text, as the client encodes its login and password.
const cp1251 = new Map();
const decoder = new TextDecoder('windows-1251');
for (let byte = 0; byte < 256; ++byte) cp1251.set(decoder.decode(Uint8Array.of(byte)), byte);
const toCp1251 = (text) => Buffer.from([...text].map((c) => cp1251.get(c)));
const formValue = (text) =>
  [...toCp1251(text)]
    .map((b) => {
      const c = String.fromCharCode(b);
      if (b < 128 && /[A-Za-z0-9]/.test(c)) return c;
      if (c === ' ') return '+';
      return '%' + b.toString(16).toUpperCase().padStart(2, '0');
    })
    .join('');

const work = mkdtempSync(join(tmpdir(), 'pimra-browser-'));
const server = spawn(serverPath, ['--port', '0', '--db', join(work, 'server.db')], {
  stdio: ['ignore', 'ignore', 'pipe'],
});
const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));

async function serverAddress() {
  let output = '';
  for await (const chunk of server.stderr) {
    output += chunk;
    const match = output.match(/listening on (http:\/\/[^/]+)\//);
    if (match) return match[1];
  }
  throw new Error(`the server did not start: ${output}`);
}

const timer = setTimeout(() => {
  fail('timed out');
  server.kill('SIGKILL');
  process.exit(1);
}, 60000);

let context;
try {
  const base = await serverAddress();
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
  server.kill('SIGTERM');
  const code = await exited;
  if (code !== 0) fail(`the server stopped with ${code} on SIGTERM`);
  rmSync(work, { recursive: true, force: true });
  clearTimeout(timer);
}
if (!process.exitCode) console.log('registration in chromium: passed');
