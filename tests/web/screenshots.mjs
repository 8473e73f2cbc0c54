// Takes the README's pictures of the page (run by hand, not a test):
//   KORVEL4_BUILD=build node tests/web/screenshots.mjs docs
// Four pages play a few moves through korvel4-server on 127.0.0.1; then one player's page
// is taken at a phone's size and another's at a desktop's, a piece picked.
import path from 'node:path';
import { startServer, launch, open, waitState, status, chooser, playOne, moveTexts, until, PHONE, DESKTOP } from './harness.mjs';

const out = process.argv[2] || '.';
const server = await startServer(['--room', 'SHOTROOM', '--people', '1234', '--pause', '0']);
const browser = await launch();
try {
  const names = ['', 'たろう', 'Hanako', '上田', 'Mika'];
  const pages = [null];
  for (let seat = 1; seat <= 4; ++seat) {
    const p = await open(browser, `${server.origin}/?room=SHOTROOM&seat=${seat}&name=${encodeURIComponent(names[seat])}`,
      seat === 2 ? PHONE : DESKTOP);
    await waitState(p, 'waiting');
    pages.push(p);
  }
  const watcher = await open(browser, `${server.origin}/?room=SHOTROOM&watch=1`, PHONE);
  await waitState(watcher, 'waiting');
  await pages[1].click('[data-action="start"]');
  for (let seat = 1; seat <= 4; ++seat) await waitState(pages[seat], 'playing');
  const pick = chooser(7);
  for (let i = 0; i < 17; ++i) {
    await until(async () => (await status(watcher)).toMove > 0, 10000, 'a seat to move');
    const seat = (await status(watcher)).toMove;
    await until(async () => (await status(pages[seat])).toMove === seat, 10000, 'the turn');
    const before = (await moveTexts(watcher)).length;
    await playOne(pages[seat], seat, pick);
    await until(async () => (await moveTexts(watcher)).length > before, 10000, 'the move');
  }
  // Seat 2 to move: its page on a phone, a piece picked.
  const seat = (await status(watcher)).toMove;
  const page = pages[seat];
  await until(async () => (await status(page)).toMove === seat, 10000, 'the turn');
  const own = await page.$$eval('#board [data-piece]', (els) => els.map((e) => [e.dataset.square, e.dataset.piece]));
  for (const [sq, p] of own) {
    if (Math.floor(Number(p) / 10) !== seat) continue;
    await page.click(`[data-square="${sq}"]`);
    if ((await page.$$('[data-dest]')).length > 1) break;
  }
  await page.setViewportSize(PHONE);
  await page.screenshot({ path: path.join(out, 'web-phone.png'), fullPage: true });
  await page.setViewportSize(DESKTOP);
  await page.screenshot({ path: path.join(out, 'web-desktop.png') });
  const other = pages[seat % 4 + 1];
  await other.setViewportSize(DESKTOP);
  await other.screenshot({ path: path.join(out, 'web-desktop-other.png') });
  console.log('seat', seat, 'pictures in', out);
} finally {
  await browser.close();
  await server.stop();
}
