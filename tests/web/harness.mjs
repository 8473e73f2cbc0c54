// What the browser tests share: korvel4-server on 127.0.0.1, Debian's Chromium driven by
// playwright-core (never a browser of the driver's own), pages joined by link, and moves
// made through the page's test contract (docs/web-page.md). Every wait is bounded.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { chromium } from 'playwright-core';

export const BUILD = process.env.KORVEL4_BUILD || path.resolve('../../build');
export const SERVER = path.join(BUILD, 'korvel4-server');
export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

export const PHONE = { width: 390, height: 844 };
export const DESKTOP = { width: 1366, height: 860 };

// Starts korvel4-server on 127.0.0.1 with a free port; resolves once it listens.
export function startServer(args) {
  return new Promise((resolve, reject) => {
    // In a folder of its own: what it saves when it is stopped (the games in progress)
    // lands there, never in the source tree.
    const cwd = fs.mkdtempSync(path.join(os.tmpdir(), 'korvel4-web-server-'));
    const proc = spawn(SERVER, ['--listen', '127.0.0.1', '--port', '0', ...args],
      { stdio: ['ignore', 'pipe', 'pipe'], cwd });
    let out = '';
    let err = '';
    const timer = setTimeout(() => { proc.kill('SIGKILL'); reject(new Error('no port: ' + out + err)); }, 10000);
    proc.stdout.on('data', (d) => {
      out += d;
      const m = /listening on port (\d+)/.exec(out);
      if (m && timer) {
        clearTimeout(timer);
        resolve({
          port: Number(m[1]),
          proc,
          out: () => out,
          err: () => err,
          origin: 'http://127.0.0.1:' + m[1],
          stop: () => new Promise((done) => {
            const gone = () => { fs.rmSync(cwd, { recursive: true, force: true }); done(); };
            if (proc.exitCode !== null) return gone();
            proc.once('exit', gone);
            proc.kill('SIGTERM');
            setTimeout(() => proc.kill('SIGKILL'), 5000).unref();
          }),
        });
      }
    });
    proc.stderr.on('data', (d) => { err += d; });
    proc.once('exit', (code) => { clearTimeout(timer); reject(new Error('server ended ' + code + ': ' + err)); });
  });
}

export function launch() {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    timeout: 30000,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-dev-shm-usage'],
  });
}

// A page of its own browser context (its own storage, as another device would have).
// `context` given: another page of the same browser (its storage shared); `before` runs on
// the page before it opens the link.
export async function open(browser, url, viewport = DESKTOP, { context, before } = {}) {
  const ctx = context || await browser.newContext({ viewport, acceptDownloads: true, locale: 'ja-JP' });
  const page = await ctx.newPage();
  if (before) await before(page);
  page.setDefaultTimeout(15000);
  const problems = [];
  page.on('pageerror', (e) => problems.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') problems.push(m.text()); });
  page.problems = problems;
  await page.goto(url);
  return page;
}

export const status = (page) => page.$eval('#status', (s) => ({
  seat: Number(s.dataset.seat), state: s.dataset.state, toMove: Number(s.dataset.toMove || 0),
}));

export async function waitState(page, state) {
  await page.waitForSelector(`#status[data-state="${state}"]`, { timeout: 15000 });
}

export const moveTexts = (page) => page.$$eval('#moves > *', (els) => els.map((e) => e.textContent));

// A small fixed sequence of choices, so that a run plays the same game each time.
export function chooser(seed) {
  let s = seed >>> 0;
  return (n) => {
    s = (Math.imul(s, 1103515245) + 12345) >>> 0;
    return (s >>> 8) % n;
  };
}

// Plays one move for `seat` through the page: picks its pieces (board and hand) until one
// shows destinations, presses one of them, answers a promotion question. Returns the move.
export async function playOne(page, seat, pick) {
  const cells = await page.$$eval('[data-square][data-piece]', (els) => els.map((e) => e.dataset.square + '|' + e.dataset.piece));
  const own = cells.map((c) => c.split('|')).filter(([, p]) => Math.floor(Number(p) / 10) === seat);
  const start = pick(own.length);
  for (let i = 0; i < own.length; ++i) {
    const [sq] = own[(start + i) % own.length];
    await page.click(`[data-square="${sq}"]`);
    const dests = await page.$$eval('[data-dest]', (els) => els.map((e) => e.dataset.square));
    if (!dests.length) continue;
    const to = dests[pick(dests.length)];
    await page.click(`[data-square="${to}"]`);
    const ask = await page.$('[data-promote="yes"]');
    if (ask) await ask.click();
    return { from: sq, to };
  }
  throw new Error(`seat ${seat} found no move`);
}

export function tempDir() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'korvel4-web-'));
}

// Resolves when `check` is true, polling; fails after `ms`.
export async function until(check, ms = 15000, what = 'a condition') {
  const end = Date.now() + ms;
  for (;;) {
    if (await check()) return;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}
