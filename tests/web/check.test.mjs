// A check seen in the page: from a prepared record (korvel4-server --from) 下 drops a gold
// beside 左's king. The notice says so, the king's square is marked, the turn is 左's (a
// check hands the turn to the seat checked), and the watcher sees the same. 左's seat is a
// person who never comes, so nothing moves after the check.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer, launch, open, status, waitState, moveTexts, until, PHONE, DESKTOP } from './harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

const noticeOf = (page) => page.$eval('#notice', (n) => ({ text: n.textContent, kind: n.className }));
const checked = (page) => page.$$eval('#board .check', (els) => els.map((e) => e.dataset.square));

test('a check is announced, marked on the king, and hands the turn to the seat checked', async () => {
  const server = await startServer(['--room', 'WEBCHECK', '--people', '12', '--level', '1', '--pause', '0',
    '--from', path.join(here, 'records', 'check.k4k')]);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const page = await open(browser, server.origin + '/?room=WEBCHECK&seat=1&name=p', PHONE);
  const watcher = await open(browser, server.origin + '/?room=WEBCHECK&watch=1', DESKTOP);
  await waitState(page, 'playing');
  await waitState(watcher, 'playing');
  assert.equal((await status(page)).toMove, 1);
  assert.deepEqual(await checked(page), []);

  await page.click('[data-square="11,8"]');
  await page.click('[data-square="2,6"]');
  await until(async () => (await moveTexts(page)).length >= 1, 10000, 'the drop announced');
  assert.match((await moveTexts(page))[0], /^\d+ 下 ８六金打$/);
  for (const p of [page, watcher]) {
    await until(async () => /王手です/.test((await noticeOf(p)).text), 10000, 'the check notice');
    assert.equal((await noticeOf(p)).kind, 'check');
    await until(async () => (await checked(p)).length === 1, 10000, 'the king marked');
    assert.deepEqual(await checked(p), ['1,5']);
    assert.equal((await status(p)).toMove, 2);
  }
  // Not this page's turn now: a press says so and sends nothing.
  await page.click('#board [data-square="5,7"]');
  await until(async () => !/王手です/.test((await noticeOf(page)).text), 5000, 'the refusal shown');
  assert.equal((await noticeOf(page)).kind !== 'check', true);
  assert.equal((await moveTexts(page)).length, 1);
  assert.deepEqual(page.problems, []);
  assert.deepEqual(watcher.problems, []);
});
