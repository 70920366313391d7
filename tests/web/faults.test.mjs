// What the page says when something is missing: the engine (the game's own message box, as a dialog of
// the page), the browser's storage (the game plays, the records are not kept), a file of the game; and
// damaged pictures, taken or refused as on the other systems.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import { browser, exited, open, pageFile, serve, skipReason, tempFolder, until, webDir } from './harness.mjs';

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
