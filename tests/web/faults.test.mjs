// What the page says when something is missing: the engine (the game's own message box, as a dialog of
// the page), the browser's storage (the game plays, the records are not kept), a file of the game; and
// damaged pictures, taken or refused as on the other systems.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import { browser, exited, nativeGame, open, pageFile, serve, skipReason, tempFolder, until, webDir } from './harness.mjs';

const skip = skipReason();
let server, b;
test.before(async () => {
  if (skip) return;
  server = await serve(webDir);
  b = await browser(tempFolder('faults-profile'));
});
test.after(async () => {
  if (b) await b.close();
  if (server) await server.close();
});

test('without the engine the page shows the game\'s message box as a dialog, and the game ends with 1', { skip }, async () => {
  const page = await open(b, server.url, { hooks: { remove: ['/game/DX/OMEGA.dll'] } });
  assert.equal(await exited(page, 30000), 1);
  const box = await page.evaluate(() => ({
    open: document.getElementById('box').open,
    caption: document.getElementById('box-caption').textContent,
    text: document.getElementById('box-text').textContent,
  }));
  assert.deepEqual(box, { open: true, caption: 'Error', text: 'Error while loading OMEGA Engine' });
  await page.close();
});

test('storage refused: the game plays and the page says the records will not be kept', { skip }, async () => {
  const page = await open(b, server.url, {
    hooks: { env: { OMEGA_TRACE: '/test/trace.txt' }, folders: ['/test'] },
    // As a private window may: the storage is there but will not open.
    before: () => {
      const refuse = () => { throw new DOMException('The user denied permission to access the database.', 'SecurityError'); };
      Object.defineProperty(window, 'indexedDB', { get: () => ({ open: refuse, deleteDatabase: refuse }) });
    },
  });
  await until(page, () => { try { return Module.FS.stat('/test/trace.txt').size > 20000; } catch (e) { return false; } },
    30000, 'the game plays and traces');
  const note = await page.evaluate(() => ({ shown: !document.getElementById('note').hidden, text: document.getElementById('note').textContent }));
  assert.ok(note.shown, 'the note is shown');
  assert.match(note.text, /рекорды не сохранятся/);
  await page.close();
});

test('a file of the game missing on the server: the page says so instead of a blank tab', { skip }, async () => {
  for (const missing of ['zanoru.data', 'zanoru.wasm', 'zanoru.js']) {
    const broken = await serve(webDir, { missing: [missing] });
    const page = await open(b, broken.url);
    await until(page, () => !document.getElementById('status').hidden && /не удалось загрузить/i.test(document.getElementById('status-text').textContent),
      20000, `the page reports the missing ${missing}`);
    const said = await page.evaluate(() => document.getElementById('status-text').textContent);
    assert.doesNotMatch(said.replace(/zanoru\.\w+/g, ''), /[a-z]/i, 'all of it in Russian');
    await page.close();
    await broken.close();
  }
});

// The table of damaged PNGs the Linux engine's tests and the Wine tests share, each in the place of a
// picture the game loads (under a JPEG's name: the decoder goes by the signature). The page's own hooks
// write files before its data package is unpacked; this one goes over the package's file when the
// runtime is ready, through the page's Module, caught as the page sets it.
test('damaged PNGs and a bomb are taken or refused as on Linux', { skip }, async () => {
  const folder = tempFolder('damaged');
  const table = execFileSync(process.env.ZANORU_DAMAGED_PNGS, [folder], { encoding: 'utf8' }).trim().split('\n');
  for (const [file, loads, ...what] of table.map((line) => line.split(' '))) {
    const page = await open(b, server.url, {
      hooks: {
        env: { OMEGA_SCRIPT: '/test/run.script', OMEGA_TRACE: '/test/trace.txt' },
        files: { '/test/run.script': '10 key 27\n100 quit\n', '/game/PlayerN.cgm': 'Ann\r\n' },
        replace: { '/game/Data/Black.jpg': fs.readFileSync(path.join(folder, file)).toString('base64') },
      },
      before: () => Object.defineProperty(window, 'Module', { configurable: true, set(m) {
        Object.defineProperty(window, 'Module', { value: m, writable: true, configurable: true });
        const ready = m.onRuntimeInitialized;
        m.onRuntimeInitialized = function () {
          for (const [name, b64] of Object.entries(window.zanoruTestHooks.replace))
            m.FS.writeFile(name, Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)));
          return ready.apply(this, arguments);
        };
      } }),
    });
    assert.equal(await exited(page, 60000), 0, `${what.join(' ')}; page said:\n${page.log.join('\n')}`);
    const results = [...((await pageFile(page, '/test/trace.txt')) || '').toString()
      .matchAll(/^\d+ Tex_LoadFromFile "Data\\\\Black\.jpg" .*=(-?\d+)$/gm)].map((m) => m[1] !== '0');
    assert.ok(results.length >= 1, `${what.join(' ')}: the game did not load the picture`);
    assert.deepEqual(results, results.map(() => loads === '1'), `${what.join(' ')}: loaded (true) or refused`);
    await page.close();
  }
});

test('the page finds its files without the final slash, shows the game\'s icon and says a missing file in Russian', { skip }, async () => {
  const at = await serve(webDir, { at: 'games/zanoru' });
  const page = await open(b, at.url.replace(/\/$/, ''));
  await until(page, () => window.Module && Module.calledRun, 30000, 'the game starts at an address without a final slash');
  const icon = await page.evaluate(() => document.querySelector('link[rel=icon]').href);
  assert.ok(Buffer.from(icon.split(',')[1], 'base64').equals(fs.readFileSync(path.join(nativeGame, 'DX/icon.png'))), 'the game\'s icon');
  await page.close();
  await at.close();
});

// The data package as an interrupted upload leaves it, or with a byte changed (checked without the
// browser's own digest, as on a plain http host); whole, it plays there too.
test('a damaged data package is said damaged instead of played', { skip }, async () => {
  const data = fs.readFileSync(path.join(webDir, 'zanoru.data')), flipped = Buffer.from([data.at(-1) ^ 1]);
  for (const [what, bytes, plainHost, damaged] of [['half', data.subarray(0, data.length >> 1), false, true],
    ['a byte changed', Buffer.concat([data.subarray(0, -1), flipped]), true, true], ['whole', data, true, false]]) {
    const game = tempFolder('data');
    for (const name of ['zanoru.js', 'zanoru.wasm']) fs.symlinkSync(path.join(webDir, name), path.join(game, name));
    fs.writeFileSync(path.join(game, 'zanoru.data'), bytes);
    const server = await serve(webDir, { game });
    const page = await open(b, server.url, { before: plainHost ? () => Object.defineProperty(window.crypto, 'subtle', { value: undefined }) : null });
    await until(page, () => !document.getElementById('status').hidden && /повреждённым/.test(document.getElementById('status-text').textContent) || (window.Module && Module.calledRun),
      30000, `${what}: the page says it or plays`);
    assert.equal(await page.evaluate(() => !!Module.calledRun), !damaged, `${what}: ${page.log.join('\n')}`);
    await page.close();
    await server.close();
  }
});

// A stored table the game cannot read ends every start with its run-time error; the page offers to put
// it aside, keeps it under another name, and the game starts again with a new table.
test('a stored records file the game cannot read: after the error, put aside and the game starts again', { skip }, async () => {
  for (const [what, make, status] of [['100 bytes', (FS) => FS.writeFile('/saves/records.vyx', new Uint8Array(100)), 100],
    ['a folder', (FS) => FS.mkdir('/saves/records.vyx'), 5]]) {
    const server = await serve(webDir);
    const page = await open(b, server.url, { hooks: { env: { OMEGA_TRACE: '/test/trace.txt' }, folders: ['/test'] } });
    await until(page, () => window.Module && Module.calledRun, 30000, 'the game starts');
    await page.evaluate(`(${make})(Module.FS); Module.FS.syncfs(false, () => { window.stored = true; })`);
    await until(page, () => window.stored, 10000, 'the bad table stored');
    await page.reload({ waitUntil: 'domcontentloaded' });
    assert.equal(await exited(page, 30000), status, `${what}: the game's own error`);
    await page.click('#box button');
    await until(page, () => !document.getElementById('aside').hidden && !document.getElementById('again').hidden, 5000, `${what}: the offer under the dialog`);
    await page.click('#aside');
    await page.waitForNavigation({ waitUntil: 'domcontentloaded' });
    await until(page, () => { try { return Module.FS.stat('/test/trace.txt').size > 20000; } catch (e) { return false; } }, 30000, `${what}: the game plays again`);
    const kept = await page.evaluate(() => Module.FS.readdir('/saves').filter((n) => n.startsWith('records.vyx')));
    assert.match(kept.join(), /^records\.vyx\.damaged-[^,]+$/, `${what}: the one table, under another name`);
    await page.close();
    await server.close();
  }
});

// The last tick the game traced, from the end of the trace only.
const lastTick = (page) => page.evaluate(() => {
  try {
    const FS = Module.FS, at = Math.max(0, FS.stat('/test/trace.txt').size - 400), tail = new Uint8Array(400);
    const stream = FS.open('/test/trace.txt', 'r'), read = FS.read(stream, tail, 0, 400, at);
    FS.close(stream);
    return Number.parseInt(new TextDecoder().decode(tail.subarray(0, read)).trimEnd().split('\n').pop(), 10) || 0;
  } catch (e) { return 0; }
});

async function untilTick(page, tick, ms) {
  const start = Date.now();
  while (await lastTick(page) < tick) {
    if (Date.now() - start > ms) throw new Error(`tick ${tick} not reached in ${ms} ms; page said:\n${page.log.join('\n')}`);
    await new Promise((r) => setTimeout(r, 10));
  }
}

// The intro skipped at moments of its fly-in, rest and fly-out (a new text size every tick), by a click on
// the corner and Escape: the picture shown changes under the presenter at once, and the page must not stop.
test('skipping the intro during its fly-in does not stop the game', { skip }, async () => {
  for (const seconds of [5, 6.5, 8, 9.5]) {
    const page = await open(b, server.url, { hooks: { env: { OMEGA_TRACE: '/test/trace.txt' }, folders: ['/test'] } });
    await untilTick(page, Math.round(seconds * 1000 / 12), 60000);
    await page.mouse.click(10, 10);
    await page.keyboard.press('Escape');
    await untilTick(page, (await lastTick(page)) + 200, 30000);
    const said = [page.log.filter((l) => l.startsWith('pageerror')), await page.$eval('#status', (e) => e.hidden)];
    assert.deepEqual(said, [[], true], `${seconds} s: no error, and the page says nothing`);
    await page.close();
  }
});

// As a portal embeds it, in frames of a page of another address; one whose browser gives a third party no
// storage (the frames' parent here has no address at all).
test('inside a frame the game plays; the full-screen button only where the frame allows it', { skip }, async () => {
  const page = await b.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setContent(`<iframe src="${server.url}" allow="fullscreen"></iframe><iframe src="${server.url}"></iframe>`);
  const frames = page.frames().filter((f) => f.parentFrame());
  for (const f of frames) await f.waitForFunction(() => window.Module && Module.calledRun, { timeout: 30000 });
  const allows = await Promise.all(frames.map(async (f) => (await f.frameElement()).evaluate((e) => e.allow)));
  const buttons = await Promise.all(frames.map((f) => f.$eval('#full', (e) => !e.hidden)));
  assert.deepEqual([allows.length, buttons], [2, allows.map((a) => a === 'fullscreen')]);
  const allowed = frames[allows.indexOf('fullscreen')];
  await (await allowed.$('#full')).click();
  await allowed.waitForFunction(() => document.fullscreenElement === document.documentElement, { timeout: 5000 });
  for (const f of frames) await f.$eval('#canvas', (c) => c.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', code: 'Enter', altKey: true, bubbles: true })));
  assert.deepEqual(errors, []);
  await page.close();
});

// A phone lying: the picture the whole height; while the game asks for a name, keys of its own layout
// above it, each typing the letter it shows; standing, a word to turn it.
test('on a phone the keys of the game\'s layout type the name; the picture fills the height lying', { skip }, async () => {
  const page = await open(b, server.url, { hooks: { env: { OMEGA_TRACE: '/test/trace.txt' }, folders: ['/test'] }, width: 844, height: 390, touch: true });
  const layout = () => page.evaluate(() => ['keys', 'canvas', 'turn'].map((id) => {
    const e = document.getElementById(id), r = e.getBoundingClientRect();
    return getComputedStyle(e).display === 'none' ? null : [Math.round(r.top), Math.round(r.bottom)];
  }));
  await untilTick(page, 100, 30000);
  assert.deepEqual(await layout(), [null, [0, 390], null]);
  // The corner leads to the menu, "Сменить игрока" (512, 345 of the game's picture) to the name.
  await page.touchscreen.tap(172, 10);
  await untilTick(page, (await lastTick(page)) + 100, 20000);
  await page.touchscreen.tap(162 + 512 * 390 / 768, 345 * 390 / 768);
  await until(page, () => !document.getElementById('keys').hidden, 20000, 'the keys while the name is asked for');
  const [keys, canvas] = await layout();
  assert.ok(canvas[1] <= keys[0], `the keys cover none of the picture: ${canvas} ${keys}`);
  const buttons = await page.$$('#keys button'), labels = await Promise.all(buttons.map((k) => k.evaluate((e) => e.textContent)));
  const letters = labels.filter((l) => /^[а-яё]$/.test(l));
  assert.equal(new Set(letters).size, 32);
  for (const label of [...'⌫⌫⌫⌫⌫⇧', ...letters, '1', '⌫']) {
    const box = await buttons[labels.indexOf(label)].boundingBox();
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
    await until(page, () => !document.querySelector('#keys .down'), 5000, `${label} released`);
  }
  const typed = letters[0].toUpperCase() + letters.slice(1).join('');
  await until(page, (t) => Module.FS.readFile('/test/trace.txt', { encoding: 'utf8' }).trimEnd().split('\n')
    .filter((l) => l.includes(' Text_Draw ') && l.includes(` "${t[0]}`)).pop()?.match(/ "(.*)[| ]" /)?.[1] === t, 10000, `the game shows ${typed}`, typed);
  await page.setViewport({ width: 390, height: 844, hasTouch: true, isMobile: true });
  assert.notEqual((await layout())[2], null, 'standing: a word to turn it');
  await page.close();
});

// The storage full: the records saved at the end and the name kept after it are each said not saved.
test('a write the storage refuses is said every time, and never counted saved', { skip }, async () => {
  const full = await serve(webDir), blank = await b.newPage();
  await (await blank.createCDPSession()).send('Storage.overrideQuotaForOrigin', { origin: full.url.replace(/\/$/, ''), quotaSize: 1 });
  const page = await open(b, full.url, { hooks: { env: { OMEGA_SCRIPT: '/test/quit.script' }, files: { '/test/quit.script': '1 quit\n' } } });
  assert.equal(await exited(page, 30000), 0);
  await until(page, () => Module.saveFailures === 1, 20000, 'the records\' write refused');
  await page.evaluate(() => { document.getElementById('name').value = 'Ann'; document.getElementById('name-box').showModal(); document.getElementById('name-box').close('keep'); });
  await until(page, () => Module.saveFailures >= 2, 20000, 'the name\'s write refused');
  const said = await page.evaluate(() => [Module.savesSynced, document.getElementById('note').textContent, document.getElementById('status-text').textContent].join('|'));
  assert.match(said, /^0\|Не удалось записать.*\|.*Рекорды не сохранены/s, 'nothing counted saved, each said');
  await Promise.all([page.close(), blank.close(), full.close()]);
});
