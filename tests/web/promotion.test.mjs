// A room that goes on from a prepared record (korvel4-server --from): 下's pawn may promote
// on its next move and 下 holds a pawn and a gold. The page shows the hands with their
// counts, asks 成りますか？ only when both answers are allowed (the buttons are there only
// while it asks), plays the answer, and drops from the hand. The other seats are the
// computer's, whose choices depend on the position alone.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer, launch, open, status, waitState, moveTexts, until, PHONE } from './harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

const hand = (page, sq) => page.$eval(`[data-square="${sq}"]`, (e) => [e.dataset.count, e.dataset.piece ?? null]);

test('a promotion is asked and played, a piece is dropped from the hand', async () => {
  const server = await startServer(['--room', 'WEBPROMO', '--people', '1', '--level', '1', '--pause', '0',
    '--from', path.join(here, 'records', 'promotion.k4k')]);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const page = await open(browser, server.origin + '/?room=WEBPROMO&seat=1&name=p', PHONE);
  await waitState(page, 'playing');
  assert.equal((await status(page)).toMove, 1);

  // 下's hand: a pawn and a gold; every cell of every hand is there, the empty ones too.
  assert.deepEqual(await hand(page, '11,6'), ['1', '11']);
  assert.deepEqual(await hand(page, '11,7'), ['0', null]);
  assert.deepEqual(await hand(page, '11,8'), ['1', '13']);
  assert.deepEqual(await hand(page, '11,9'), ['0', null]);
  for (const sq of ['-1,6', '-1,9', '-1,1', '-1,4', '11,1', '11,4'])
    assert.deepEqual(await hand(page, sq), ['0', null], sq);

  // A move with one answer is not asked about.
  await page.click('[data-square="5,7"]');
  assert.equal(await page.$eval('[data-square="5,6"]', (e) => e.dataset.dest), '0');
  await page.click('[data-square="4,4"]');
  assert.equal(await page.$('[data-square="5,6"][data-dest]'), null, 'the marks follow the pick');
  assert.equal(await page.$eval('[data-square="4,3"]', (e) => e.dataset.dest), '2');
  assert.equal(await page.$('[data-promote]'), null);
  // Asked, and put off: nothing is sent, the piece stays picked.
  await page.click('[data-square="4,3"]');
  await page.waitForSelector('[data-promote="yes"]');
  await page.click('[data-action="promote-cancel"]');
  assert.equal(await page.$('[data-promote]'), null);
  assert.equal(await page.$eval('[data-square="4,3"]', (e) => e.dataset.dest), '2');
  assert.deepEqual(await moveTexts(page), []);
  await page.click('[data-square="4,3"]');
  await page.waitForSelector('[data-promote="yes"]');
  assert.ok(await page.$('[data-promote="no"]'));
  await page.click('[data-promote="yes"]');
  assert.equal(await page.$('[data-promote]'), null);
  await until(async () => (await moveTexts(page)).length >= 1, 10000, 'the move announced');
  assert.equal((await moveTexts(page))[0], '1 下 ６三歩成(64)');
  await until(async () => (await page.$eval('#board [data-square="4,3"]', (e) => e.dataset.piece)) === '11.5',
    10000, 'the promoted pawn drawn');

  // The computers play; then a gold is dropped from the hand.
  await until(async () => {
    const s = await status(page);
    return s.state !== 'playing' || (s.toMove === 1 && (await moveTexts(page)).length >= 4);
  }, 30000, '下 to move again');
  assert.equal((await status(page)).state, 'playing');
  assert.deepEqual(await hand(page, '11,8'), ['1', '13']);
  await page.click('[data-square="11,8"]');
  const dests = await page.$$eval('[data-dest]', (els) => els.map((e) => e.dataset.square));
  assert.ok(dests.length > 0);
  for (const d of dests) assert.equal(await page.$(`#board [data-square="${d}"][data-piece]`), null, 'a drop goes to an empty square');
  const before = (await moveTexts(page)).length;
  await page.click(`[data-square="${dests[0]}"]`);
  await until(async () => (await moveTexts(page)).length > before, 10000, 'the drop announced');
  assert.match((await moveTexts(page))[before], /^\d+ 下 \S+金打$/);
  await until(async () => (await hand(page, '11,8'))[0] === '0', 10000, 'the hand emptied');
  assert.deepEqual(await hand(page, '11,8'), ['0', null]);
  assert.deepEqual(page.problems, []);
});
