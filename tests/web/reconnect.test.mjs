// A page whose connection drops comes back by itself with the token it kept, to the same
// seat and the game so far, and plays on; a second page of the same seat in the same
// browser takes the seat over, and the first one says so and stays away (no tug of war).
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launch, open, status, waitState, moveTexts, chooser, playOne, until, PHONE } from './harness.mjs';

const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

test('a dropped connection comes back by itself; a second page of the seat takes it over', async () => {
  const server = await startServer(['--room', 'WEBDROP1', '--people', '12', '--level', '1', '--pause', '0']);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const host = await open(browser, server.origin + '/?room=WEBDROP1&seat=1&name=h', PHONE);
  // Seat 2's connection passes through a route the test can cut.
  const routes = [];
  const page = await open(browser, server.origin + '/?room=WEBDROP1&seat=2&name=d', PHONE, {
    before: (p) => p.routeWebSocket(/\/ws\?room=/, (ws) => { ws.connectToServer(); routes.push(ws); }),
  });
  await waitState(page, 'waiting');
  await host.click('[data-action="start"]');
  await waitState(page, 'playing');
  const pick = chooser(11);
  await until(async () => (await status(host)).toMove === 1, 10000, 'seat 1 to move');
  await playOne(host, 1, pick);
  await until(async () => (await status(page)).toMove === 2, 10000, 'seat 2 to move');
  const seen = await moveTexts(page);

  // The connection drops: the page says so, comes back alone, and it is still its turn.
  routes.at(-1).close();
  await waitState(page, 'connecting');
  await until(async () => routes.length === 2, 10000, 'a new connection');
  await waitState(page, 'playing');
  assert.deepEqual(await status(page), { seat: 2, state: 'playing', toMove: 2 });
  assert.deepEqual(await moveTexts(page), seen);
  await playOne(page, 2, pick);
  await until(async () => (await moveTexts(host)).length > seen.length, 10000, 'the move after coming back');

  // The same seat opened again in the same browser: the new page has the seat.
  const again = await open(browser, server.origin + '/?room=WEBDROP1&seat=2&name=d', PHONE, { context: page.context() });
  await waitState(again, 'playing');
  await waitState(page, 'closed');
  assert.match(await page.$eval('#notice', (e) => e.textContent), /別の画面/);
  await new Promise((r) => setTimeout(r, 2500));
  assert.equal((await status(page)).state, 'closed');
  assert.equal((await status(again)).state, 'playing');
  assert.equal(routes.length, 2, 'the first page did not come back');
  for (const p of [host, page, again]) assert.deepEqual(p.problems, []);
});
