// The page as the authority serves it on its WebSocket port: its files with their types and
// security headers, 404 for anything outside the table, 405 for other methods, the joining
// form when the link lacks a room or seat, a foreign page's WebSocket refused.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import http from 'node:http';
import net from 'node:net';
import { startServer, launch, open, PHONE } from './harness.mjs';

const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

function request(port, method, target, headers = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port, method, path: target, headers, timeout: 5000 }, (res) => {
      let body = '';
      res.setEncoding('utf8');
      res.on('data', (d) => { body += d; });
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body }));
    });
    req.on('timeout', () => req.destroy(new Error('timeout')));
    req.on('error', reject);
    req.end();
  });
}

// A WebSocket upgrade by hand: the status line of the answer.
function upgrade(port, headers) {
  return new Promise((resolve, reject) => {
    const s = net.connect(port, '127.0.0.1');
    let got = '';
    s.setTimeout(5000, () => { s.destroy(); reject(new Error('timeout')); });
    s.on('data', (d) => {
      got += d;
      if (got.includes('\r\n')) { s.destroy(); resolve(got.split('\r\n')[0]); }
    });
    s.on('error', reject);
    s.on('close', () => resolve(got.split('\r\n')[0]));
    s.write('GET /ws?room=WEBHTTP1 HTTP/1.1\r\nHost: 127.0.0.1:' + port + '\r\nUpgrade: websocket\r\n' +
      'Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n' +
      Object.entries(headers).map(([k, v]) => k + ': ' + v + '\r\n').join('') + '\r\n');
  });
}

test('the page and its files, and nothing else', async () => {
  const server = await startServer(['--room', 'WEBHTTP1']);
  cleanups.push(server.stop);
  const types = { '/': 'text/html', '/app.js': 'text/javascript', '/style.css': 'text/css',
    '/pieces/SITA_HU.png': 'image/png', '/pieces/MIGI_SYANARI.png': 'image/png', '/sounds/move.wav': 'audio/wav' };
  for (const [target, type] of Object.entries(types)) {
    const r = await request(server.port, 'GET', target);
    assert.equal(r.status, 200, target);
    assert.ok(r.headers['content-type'].startsWith(type), target);
    const csp = r.headers['content-security-policy'];
    assert.match(csp, /default-src 'none'/);
    assert.match(csp, /script-src 'self'/);
    assert.match(csp, /connect-src 'self'/);
    assert.match(csp, /frame-ancestors 'none'/);
    assert.doesNotMatch(csp, /unsafe-inline|unsafe-eval/);
    assert.equal(r.headers['x-content-type-options'], 'nosniff');
    assert.equal(r.headers['x-frame-options'], 'DENY');
    assert.equal(r.headers['referrer-policy'], 'no-referrer');
  }
  // The page has no inline script or style to allow.
  const index = (await request(server.port, 'GET', '/')).body;
  assert.doesNotMatch(index, /<script>|<script(?![^>]*\ssrc=)[^>]*>|\sstyle=|\son[a-z]+=/i);
  for (const target of ['/nothing', '/../etc/passwd', '/web/index.html', '/pieces/', '/favicon.ico',
    '/index.html%00', '/%2e%2e/%2e%2e/etc/passwd']) {
    const r = await request(server.port, 'GET', target);
    assert.equal(r.status, 404, target);
    assert.ok(r.headers['content-security-policy'], target);
  }
  assert.equal((await request(server.port, 'POST', '/')).status, 405);
  assert.equal((await request(server.port, 'HEAD', '/app.js')).status, 200);

  // The WebSocket on the same port: no Origin (a program) and the page's own origin are let
  // in, another site's page is refused.
  assert.match(await upgrade(server.port, {}), / 101 /);
  assert.match(await upgrade(server.port, { Origin: server.origin }), / 101 /);
  assert.match(await upgrade(server.port, { Origin: 'http://evil.example' }), / 403 /);
  assert.match(await upgrade(server.port, { Origin: 'http://127.0.0.1:' + (server.port + 1) }), / 403 /);
});

test('a link without a room or seat shows the joining form; a room that is not there is said so', async () => {
  const server = await startServer(['--room', 'WEBHTTP2']);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const page = await open(browser, server.origin + '/?room=WEBHTTP2', PHONE);
  await page.waitForSelector('#join:not([hidden])');
  assert.equal(await page.$eval('#join-room', (e) => e.value), 'WEBHTTP2');
  // The form counts characters: 24 outside the BMP (48 UTF-16 units) are a name, 25 of
  // anything are not.
  const valid = () => page.$eval('#join-name', (e) => e.checkValidity());
  await page.fill('#join-name', 'n'.repeat(25));
  assert.equal(await valid(), false);
  await page.fill('#join-name', '𠮷'.repeat(24));
  assert.equal(await valid(), true);
  await page.fill('#join-name', '<i>𠮷田</i>');
  await page.selectOption('#join-seat', '3');
  await Promise.all([page.waitForNavigation(), page.click('#join-play')]);
  await page.waitForSelector('#status[data-state="waiting"]');
  assert.equal(await page.$eval('#status', (e) => e.dataset.seat), '3');
  assert.equal(await page.$eval('.player[data-seat="3"] .name', (e) => e.textContent), '<i>𠮷田</i>');
  assert.deepEqual(page.problems, []);

  const lost = await open(browser, server.origin + '/?room=NOSUCHROOM&seat=1&name=a', PHONE);
  await lost.waitForSelector('#status[data-state="closed"]');
  assert.notEqual(await lost.$eval('#notice', (e) => e.textContent), '');
});
