// The game played through the browser's own input, in a tab of another shape than the game's (bars at
// the sides): registration typed with Shift, the menu, the map under a moving pointer, "Выйти"; then the
// records file read again after a reload and after the browser restarts.
import assert from 'node:assert/strict';
import test from 'node:test';
import { browser, exited, open, pageFile, serve, skipReason, tempFolder, until, webDir } from './harness.mjs';

// 1280×720: the 4:3 picture is 960×720 between bars of 160 pixels; a game pixel is 0.9375 of the page's.
const view = { width: 1280, height: 720 };
const scale = 720 / 768, left = (1280 - 960) / 2;
const onPage = (x, y) => [left + x * scale, y * scale];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const hooks = { env: { OMEGA_TRACE: '/test/trace.txt' }, folders: ['/test'] };

async function trace(page) {
  return ((await pageFile(page, '/test/trace.txt')) || Buffer.alloc(0)).toString();
}
const lastTick = (text) => {
  const lines = text.trimEnd().split('\n');
  return Number.parseInt(lines[lines.length - 1], 10) || 0;
};
// The trace's lines from tick `from` on.
const linesFrom = (text, from) => text.split('\n').filter((l) => Number.parseInt(l, 10) >= from);

async function untilTick(page, tick, ms, what) {
  const start = Date.now();
  for (;;) {
    const text = await trace(page);
    if (lastTick(text) >= tick) return text;
    if (Date.now() - start > ms) throw new Error(`${what}: tick ${tick} not reached after ${ms} ms (at ${lastTick(text)}); page said:\n${page.log.join('\n')}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

async function click(page, x, y) {
  const [px, py] = onPage(x, y);
  await page.mouse.move(px, py, { steps: 4 });
  await page.mouse.down();
  await new Promise((r) => setTimeout(r, 60));
  await page.mouse.up();
}

// The page's name control: `keep` (the name typed) or `forget`; the storage written through after.
async function name(page, how, typed = '') {
  const synced = await page.evaluate(() => Module.savesSynced);
  await page.click('#name-open');
  await page.type('#name', typed);
  await page.click(`#name-box button[value=${how}]`);
  await until(page, (n) => Module.savesSynced > n, 10000, `the name's ${how} stored`, synced);
}

async function records(page) {
  await until(page, () => !!(window.Module && Module.FS && Module.calledRun), 30000, 'the game starts');
  return pageFile(page, '/saves/records.vyx');
}

test('registration, menu, map and "Выйти" through keys and pointer; records kept across reload and restart', { skip: skipReason() }, async () => {
  const server = await serve(webDir);
  const profile = tempFolder('play-profile');
  let b = await browser(profile);
  let saved;
  try {
    const page = await open(b, server.url, { hooks, ...view });
    assert.equal(await records(page), null, 'a fresh profile has no records');
    // No player name yet: registration follows the intro (about 18 s of game time).
    await untilTick(page, 1520, 60000, 'the intro ends');
    // At a person's pace: the game takes one press of a key per tick (12 ms).
    const type = async (key) => { await page.keyboard.press(key, { delay: 40 }); await sleep(40); };
    for (let i = 0; i < 5; ++i) await type('Backspace');
    await page.keyboard.down('Shift');
    await sleep(40);
    await type('KeyD');
    await page.keyboard.up('Shift');
    await sleep(40);
    for (const key of ['KeyF', 'KeyC', 'KeyZ']) await type(key);
    const typed = lastTick(await trace(page));
    assert.ok(await page.$eval('#keys', (e) => e.hidden), 'no on-screen keys without a touch screen');
    await click(page, 512, 580);
    // The menu greets the name typed: capital В from Shift, the rest small, on the emulated layout.
    let text = await untilTick(page, typed + 150, 20000, 'the menu opens');
    const greeting = linesFrom(text, typed).filter((l) => / Text_Draw .*игру, /.test(l)).pop();
    assert.match(greeting || '(no greeting)', /игру, Вася"/, 'the menu greets the name typed');

    // A click on a bar is no click on the picture's edge.
    const beforeBar = lastTick(text);
    await page.mouse.click(40, 360);
    text = await untilTick(page, beforeBar + 30, 10000, 'frames after the click on the bar');
    assert.ok(!linesFrom(text, beforeBar + 1).some((l) => / Mouse_Press 1 =1$/.test(l)), 'the click on the bar reached the game');

    await click(page, 512, 165);
    const started = lastTick(await trace(page));
    // The pointer over the map, at points where page and game pixels meet exactly.
    for (const [x, y] of [[480, 320], [800, 160], [320, 640]]) {
      await page.mouse.move(...onPage(x, y), { steps: 5 });
      const at = lastTick(await trace(page));
      text = await untilTick(page, at + 10, 10000, `the pointer at ${x},${y}`);
      const recent = linesFrom(text, at + 2);
      assert.ok(recent.some((l) => l.endsWith(` Mouse_X =${x}`)), `Mouse_X reads ${x}; read: ${[...new Set(recent.filter((l) => l.includes('Mouse_X')).map((l) => l.split('=')[1]))]}`);
      assert.ok(recent.some((l) => l.endsWith(` Mouse_Y =${y}`)), `Mouse_Y reads ${y}`);
    }
    assert.ok(lastTick(text) > started + 30, 'the map plays on');

    await page.keyboard.press('Escape');
    const menu = lastTick(await trace(page));
    await untilTick(page, menu + 120, 20000, 'back in the menu');
    await click(page, 512, 615);
    assert.equal(await exited(page, 30000), 0, '"Выйти" ends the game with 0');
    await until(page, () => (Module.savesSynced || 0) > 0, 10000, 'the records written through to the storage');
    saved = await pageFile(page, '/saves/records.vyx');
    assert.ok(saved && saved.length === 520, `a 520-byte records file, got ${saved && saved.length}`);
    assert.match(await page.$eval('#status', (e) => (e.hidden ? '' : e.textContent)), /Игра окончена\.\s*Рекорды сохранены/);

    // The name kept for the next start, in the game's own encoding, as PlayerN.cgm beside a desktop game.
    await name(page, 'keep', 'Вася Ёлкин');
    assert.deepEqual(await pageFile(page, '/saves/PlayerN.cgm'), Buffer.from([0xC2, 0xE0, 0xF1, 0xFF, 0x20, 0xA8, 0xEB, 0xEA, 0xE8, 0xED, 13, 10]));
    await Promise.all([page.waitForNavigation({ waitUntil: 'domcontentloaded' }), page.click('#again')]);
    const reloaded = await records(page);
    assert.ok(reloaded && reloaded.equals(saved), 'the records file is the same after playing again');
    await untilTick(page, 20, 20000, 'the intro plays');
    await page.keyboard.press('Escape');
    await until(page, () => / Text_Draw .*игру, Вася Ёлкин"/.test(Module.FS.readFile('/test/trace.txt', { encoding: 'utf8' })), 20000, 'the menu greets the name kept');
    await name(page, 'forget');
  } finally {
    await b.close();
  }
  try {
    b = await browser(profile);
    const page = await open(b, server.url, { hooks, ...view });
    const restarted = await records(page);
    assert.ok(restarted && restarted.equals(saved), 'the records file is the same after the browser restarts');
    assert.equal(await pageFile(page, '/saves/PlayerN.cgm'), null, 'the name forgotten, in the storage too');
  } finally {
    await b.close();
    await server.close();
  }
});
