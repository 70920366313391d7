// The tour in the browser: the same script and seed give the Linux build's trace byte for byte and its
// screenshots pixel for pixel (the script and the trace reach the page through its test hooks only).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import { browser, exited, open, pageFile, pngPixels, runNative, serve, skipReason, sourceDir, tempFolder, webDir } from './harness.mjs';

const seed = '20240611';

test('the tour plays in the browser as on Linux: the same trace, the same screenshots', { skip: skipReason() }, async () => {
  const tour = fs.readFileSync(path.join(sourceDir, 'scripts/tour.script'), 'utf8');
  const shots = [...tour.matchAll(/shot \.\.\/shots\/(\S+)/g)].map((m) => m[1]);
  assert.ok(shots.length >= 10, `the tour shoots every scene: ${shots.length} shots`);

  const linux = await runNative(tour.replaceAll('../shots/', 'shots/'), { ZANORU_SEED: seed });
  assert.equal(linux.status, 0, `the Linux run ends with 0, got ${linux.status}: ${linux.stderr}`);
  const linuxTrace = fs.readFileSync(path.join(linux.folder, 'trace.txt'));

  const server = await serve(webDir);
  const b = await browser(tempFolder('tour-profile'));
  try {
    const page = await open(b, server.url, {
      hooks: {
        env: { OMEGA_SCRIPT: '/test/tour.script', OMEGA_TRACE: '/test/trace.txt', ZANORU_SEED: seed },
        files: { '/test/tour.script': tour.replaceAll('../shots/', '/test/shots/') },
        folders: ['/test/shots'],
      },
    });
    const status = await exited(page, 600000);
    assert.equal(status, 0, `the browser run ends with 0, got ${status}; page said:\n${page.log.join('\n')}`);
    const webTrace = await pageFile(page, '/test/trace.txt');
    assert.ok(webTrace && webTrace.length > 0, 'the browser run wrote a trace');
    if (!webTrace.equals(linuxTrace)) {
      const a = linuxTrace.toString().split('\n'), w = webTrace.toString().split('\n');
      const i = a.findIndex((line, n) => line !== w[n]);
      assert.fail(`traces differ first at line ${i + 1}:\n  Linux:   ${a[i]}\n  browser: ${w[i]}\n(${a.length} and ${w.length} lines)`);
    }
    for (const shot of shots) {
      const web = await pageFile(page, `/test/shots/${shot}`);
      assert.ok(web, `the browser run wrote ${shot}`);
      const theirs = pngPixels(fs.readFileSync(path.join(linux.folder, 'shots', shot)));
      const mine = pngPixels(web);
      assert.deepEqual([mine.width, mine.height], [theirs.width, theirs.height], `${shot}: size`);
      const differing = mine.rgb.findIndex((v, i) => v !== theirs.rgb[i]);
      assert.equal(differing, -1, `${shot}: first differing pixel at (${Math.floor(differing / 3) % theirs.width}, ` +
        `${Math.floor(differing / 3 / theirs.width)})`);
    }
  } finally {
    await b.close();
    await server.close();
  }
});
