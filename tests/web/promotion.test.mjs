// One person against three computers in the browser: a pawn walked up its file is asked
// 成りますか？ on the third row from the far side, the buttons are there only while it is
// asked, and the answer is the move the authority plays. The computers' choices depend on
// the position alone, so the game is the same every run.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { startServer, launch, open, status, waitState, moveTexts, until, PHONE } from './harness.mjs';

const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

async function myTurn(page) {
  await until(async () => {
    const s = await status(page);
    return s.state !== 'playing' || s.toMove === 1;
  }, 20000, 'seat 1 to move');
  assert.equal((await status(page)).state, 'playing');
}

test('a promotion is asked, and the answer is played', async () => {
  const server = await startServer(['--room', 'WEBPROMO', '--people', '1', '--level', '1', '--pause', '0']);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const page = await open(browser, server.origin + '/?room=WEBPROMO&seat=1&name=p', PHONE);
  await waitState(page, 'waiting');
  await page.click('[data-action="start"]');
  await waitState(page, 'playing');

  // The pawn in front of the left gold, one row up each turn.
  for (let y = 8; y > 4; --y) {
    await myTurn(page);
    await page.click(`[data-square="4,${y}"]`);
    const dests = await page.$$eval('[data-dest]', (els) => els.map((e) => e.dataset.square + ':' + e.dataset.dest));
    assert.ok(dests.includes(`4,${y - 1}:0`), `4,${y} -> 4,${y - 1} among ${dests}`);
    assert.equal(await page.$('[data-promote]'), null);
    await page.click(`[data-square="4,${y - 1}"]`);
    await until(async () => (await page.$(`#board [data-square="4,${y - 1}"][data-piece="11"]`)) !== null,
      10000, 'the pawn moved').catch(async (e) => { console.log(await moveTexts(page), await page.$eval('#notice', (n) => n.textContent)); await page.screenshot({ path: '/tmp/wp-shots/promo.png' }); throw e; });
  }
  // Into the far side's third row: both answers are allowed, so the page asks.
  await myTurn(page);
  await page.click('[data-square="4,4"]');
  assert.equal(await page.$eval('[data-square="4,3"]', (e) => e.dataset.dest), '2');
  const before = (await moveTexts(page)).length;
  await page.click('[data-square="4,3"]');
  await page.waitForSelector('[data-promote="yes"]');
  assert.ok(await page.$('[data-promote="no"]'));
  await page.click('[data-promote="yes"]');
  assert.equal(await page.$('[data-promote]'), null);
  await until(async () => (await moveTexts(page)).length > before, 10000, 'the move announced');
  assert.equal((await moveTexts(page))[before], `${before + 1} 下 ６三歩成(64)`);
  assert.equal(await page.$eval('#board [data-square="4,3"]', (e) => e.dataset.piece), '11.5');
  assert.deepEqual(page.problems, []);
});
