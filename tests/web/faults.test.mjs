// What the page says when something is missing: the engine (the game's own message box, as a dialog of
// the page), the browser's storage (the game plays, the records are not kept), a file of the game.
import assert from 'node:assert/strict';
import test from 'node:test';
import { browser, exited, open, serve, skipReason, tempFolder, until, webDir } from './harness.mjs';

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
