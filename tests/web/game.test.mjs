// Four browser pages play a whole game against each other through korvel4-server on
// 127.0.0.1 while a fifth watches: every page and the watcher see every move, a reload keeps
// its seat, a press out of turn is told why, the host starts the game and answers
// 続けますか？, and the record the page downloads is the one the server saved.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {
  startServer, launch, open, status, waitState, moveTexts, chooser, playOne, tempDir, until,
  PHONE, DESKTOP,
} from './harness.mjs';

const TURNS = 14;
const ROOM = 'WEBGAME1';
const cleanups = [];
after(async () => { for (const c of cleanups.reverse()) await c().catch(() => {}); });

test('four pages play a whole game, a watcher sees it, a reload keeps the seat', async () => {
  const records = tempDir();
  cleanups.push(async () => fs.rmSync(records, { recursive: true, force: true }));
  const server = await startServer(['--room', ROOM, '--people', '1234', '--pause', '0',
    '--max-turns', String(TURNS), '--records', records]);
  cleanups.push(server.stop);
  const browser = await launch();
  cleanups.push(() => browser.close());
  const url = (q) => server.origin + '/?' + q;
  // What 棋譜を保存 downloads.
  const downloaded = async (page, name) => {
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#record')]);
    assert.match(download.suggestedFilename(), /^korvel4-WEBGAME1-\d+\.k4k$/);
    const file = path.join(records, name);
    await download.saveAs(file);
    return fs.readFileSync(file, 'utf8');
  };

  const names = ['', 'あ<b>い</b>', 'Bob', '上さん', '<img src=x>'];
  const pages = [null];
  for (let seat = 1; seat <= 4; ++seat) {
    const p = await open(browser, url(`room=${ROOM}&seat=${seat}&name=${encodeURIComponent(names[seat])}`),
      seat % 2 ? PHONE : DESKTOP);
    await waitState(p, 'waiting');
    assert.equal((await status(p)).seat, seat);
    pages.push(p);
  }
  const watcher = await open(browser, url(`room=${ROOM}&watch=1`), PHONE);
  await waitState(watcher, 'waiting');
  assert.equal((await status(watcher)).seat, 0);

  // Names are text: nothing the players typed became an element.
  for (let seat = 1; seat <= 4; ++seat) {
    const shown = await watcher.$eval(`.player[data-seat="${seat}"] .name`, (e) => [e.textContent, e.children.length]);
    assert.deepEqual(shown, [names[seat], 0]);
  }
  // Every player sees the watcher.
  await until(async () => (await pages[1].$eval('#watchers', (e) => e.dataset.count)) === '1', 10000, 'watchers 1');

  // Only the host has the start control; a press before the start is told why.
  assert.equal(await pages[2].$('[data-action="start"]:not([hidden])'), null);
  await pages[2].click('[data-square="5,9"]');
  assert.notEqual(await pages[2].$eval('#notice', (e) => e.textContent), '');
  await pages[1].click('[data-action="start"]:not([hidden])');
  for (let seat = 1; seat <= 4; ++seat) await waitState(pages[seat], 'playing');
  await waitState(watcher, 'playing');

  // Out of turn: the reason is shown, nothing is sent.
  await pages[3].click('[data-square="5,1"]');
  assert.match(await pages[3].$eval('#notice', (e) => e.textContent), /手番/);
  assert.equal(await pages[3].$('[data-dest]'), null);
  // A watcher cannot move.
  await watcher.click('[data-square="5,7"]');
  assert.match(await watcher.$eval('#notice', (e) => e.textContent), /観戦/);

  // The board is turned for each seat: its own king at the bottom middle of the screen.
  for (let seat = 1; seat <= 4; ++seat) {
    const kingCell = await pages[seat].$eval(`#board [data-piece="${seat * 10 + 5}"]`, (e) =>
      [...e.parentElement.children].indexOf(e));
    assert.equal(kingCell, 8 * 9 + 4, `seat ${seat}'s king at the bottom middle`);
  }

  const pick = chooser(2026);
  let played = 0;
  let reloaded = false;
  while (played < TURNS) {
    const st = await status(watcher);
    if (st.state !== 'playing') break;
    const seat = st.toMove;
    if (!seat) { await new Promise((r) => setTimeout(r, 50)); continue; }
    const page = pages[seat];
    await until(async () => (await status(page)).toMove === seat, 10000, `seat ${seat} to move`);
    const before = (await moveTexts(watcher)).length;
    await playOne(page, seat, pick);
    await until(async () => (await moveTexts(watcher)).length > before, 10000, 'the move announced');
    played = (await moveTexts(watcher)).length;

    if (!reloaded && played === 5) {
      // A reload in the middle of the game: the same seat, the same moves, still playing.
      reloaded = true;
      const p = pages[2];
      const seen = await moveTexts(p);
      await p.reload();
      await waitState(p, 'playing');
      assert.equal((await status(p)).seat, 2);
      assert.deepEqual(await moveTexts(p), seen);
      // Nobody else took the seat: the room still shows its player.
      assert.equal(await pages[1].$eval('.player[data-seat="2"] .name', (e) => e.textContent), names[2]);
      // The record so far, from the watcher: the five moves.
      const text = await downloaded(watcher, 'middle.k4k');
      assert.equal(text.split('\n').filter((l) => /^\d+ [下左上右] /.test(l)).length, 5);
    }
  }

  for (let seat = 1; seat <= 4; ++seat) await waitState(pages[seat], 'over');
  await waitState(watcher, 'over');
  const moves = await moveTexts(watcher);
  assert.equal(moves.length, TURNS);
  for (let seat = 1; seat <= 4; ++seat) assert.deepEqual(await moveTexts(pages[seat]), moves);
  assert.notEqual(await watcher.$eval('#result', (e) => e.textContent), '');

  // The record the page offers is the one the server saved at the end of the game.
  await until(() => /saved .*finished/.test(server.out()), 10000, 'the record saved');
  const saved = fs.readFileSync(/saved (.*-finished\.k4k)/.exec(server.out())[1], 'utf8');
  assert.equal(await downloaded(pages[3], 'end.k4k'), saved);
  // The move list is the record's move lines.
  assert.deepEqual(moves, saved.split('\n').filter((l) => /^\d+ [下左上右] /.test(l)));
  // The watcher's is asked afresh: the whole game now.
  assert.equal(await downloaded(watcher, 'end-watcher.k4k'), saved);

  // The host is asked; 「いいえ」 closes the room for everyone.
  await pages[1].waitForSelector('#ask:not([hidden])');
  assert.equal(await pages[2].$('#ask:not([hidden])'), null);
  await pages[1].click('[data-action="again-no"]');
  for (let seat = 1; seat <= 4; ++seat) await waitState(pages[seat], 'closed');

  for (const p of [...pages.slice(1), watcher]) assert.deepEqual(p.problems, []);
});
