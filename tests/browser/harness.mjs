// What the browser tests share: chromium through playwright-core (exit 77, skipped, without
// them), the client's form encoding, and a server of the test's own on a free port.

import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const chromiumPath = '/usr/bin/chromium';

export function fail(message) {
  console.error(`FAILED: ${message}`);
  process.exitCode = 1;
}

// Playwright's chromium, or an exit with the skip code when it cannot run here.
export function loadChromium() {
  let chromium;
  try {
    ({ chromium } = createRequire(import.meta.url)('playwright-core'));
  } catch {
    console.log('skipped: playwright-core is not installed (npm ci --prefix tests/browser)');
    process.exit(77);
  }
  if (!existsSync(chromiumPath)) {
    console.log(`skipped: ${chromiumPath} is missing`);
    process.exit(77);
  }
  return chromium;
}

// Windows-1251 bytes of a text, as the client encodes its requests.
const cp1251 = new Map();
const decoder = new TextDecoder('windows-1251');
for (let byte = 0; byte < 256; ++byte) cp1251.set(decoder.decode(Uint8Array.of(byte)), byte);
export const toCp1251 = (text) => Buffer.from([...text].map((c) => cp1251.get(c)));
export const formValue = (text) =>
  [...toCp1251(text)]
    .map((b) => {
      const c = String.fromCharCode(b);
      if (b < 128 && /[A-Za-z0-9]/.test(c)) return c;
      if (c === ' ') return '+';
      return '%' + b.toString(16).toUpperCase().padStart(2, '0');
    })
    .join('');

// A server on a fresh database in a folder of its own, killed when `timeoutMs` passes.
export function startServer(serverPath, folderPrefix, timeoutMs) {
  const work = mkdtempSync(join(tmpdir(), folderPrefix));
  const server = spawn(serverPath, ['--port', '0', '--db', join(work, 'server.db')], {
    stdio: ['ignore', 'ignore', 'pipe'],
  });
  const exited = new Promise((resolve) => server.on('exit', (code) => resolve(code)));
  const timer = setTimeout(() => {
    fail('timed out');
    server.kill('SIGKILL');
    process.exit(1);
  }, timeoutMs);

  async function address() {
    let output = '';
    for await (const chunk of server.stderr) {
      output += chunk;
      const match = output.match(/listening on (http:\/\/[^/]+)\//);
      if (match) return match[1];
    }
    throw new Error(`the server did not start: ${output}`);
  }

  // Stops the server as a service manager would and removes its folder.
  async function stop() {
    server.kill('SIGTERM');
    const code = await exited;
    if (code !== 0) fail(`the server stopped with ${code} on SIGTERM`);
    rmSync(work, { recursive: true, force: true });
    clearTimeout(timer);
  }

  return { work, address, stop };
}

// The game's actions over HTTP, as the client sends them, at the server `base`.
export function engineAt(base) {
  return async (lines) => {
    const body = lines.map(([name, value]) => `${name}=${formValue(value)}&`).join('');
    const reply = await fetch(`${base}/engine/`, {
      method: 'POST',
      headers: { 'Content-Type': 'application/x-www-form-urlencoded' },
      body,
    });
    return reply.json();
  };
}
