// The tour in the browser: the game's test build (one seed linked in) plays the script to the Linux test
// build's trace byte for byte and its screenshots pixel for pixel (the script and the trace reach the page
// through its test hooks only; the test server serves the test build in place of the game).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import test from 'node:test';
import { browser, exited, open, pageFile, pngPixels, runNative, serve, skipReason, sourceDir, tempFolder, webDir,
  webSeededDir } from './harness.mjs';

test('the tour plays in the browser as on Linux: the same trace, the same screenshots', { skip: skipReason({ seeded: true }) }, async () => {
  const tour = fs.readFileSync(path.join(sourceDir, 'scripts/tour.script'), 'utf8');
  const shots = [...tour.matchAll(/shot \.\.\/shots\/(\S+)/g)].map((m) => m[1]);
  assert.ok(shots.length >= 10, `the tour shoots every scene: ${shots.length} shots`);

  const linux = await runNative(tour.replaceAll('../shots/', 'shots/'));
  assert.equal(linux.status, 0, `the Linux run ends with 0, got ${linux.status}: ${linux.stderr}`);
  const linuxTrace = fs.readFileSync(path.join(linux.folder, 'trace.txt'));

  const server = await serve(webDir, { game: webSeededDir });
  const b = await browser(tempFolder('tour-profile'));
  try {
    const page = await open(b, server.url, {
      hooks: {
        env: { OMEGA_SCRIPT: '/test/tour.script', OMEGA_TRACE: '/test/trace.txt' },
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

// The seed is the test build's alone: the player's page, on the same script, colours the units otherwise.
test('the player\'s game does not play the test build\'s seed', { skip: skipReason({ seeded: true }) }, async () => {
  const hooks = {
    env: { OMEGA_SCRIPT: '/test/units.script', OMEGA_TRACE: '/test/trace.txt' },
    files: { '/test/units.script': '1 key 27\n110 move 512 165\n120 click\n230 move 300 400\n260 quit\n', '/game/PlayerN.cgm': 'Ann\r\n' },
  };
  const seeded = await serve(webDir, { game: webSeededDir });
  const player = await serve(webDir);
  const b = await browser(tempFolder('seed-profile'));
  try {
    const traces = [];
    for (const server of [seeded, player]) {
      const page = await open(b, server.url, { hooks });
      const status = await exited(page, 120000);
      assert.equal(status, 0, `the run ends with 0, got ${status}; page said:\n${page.log.join('\n')}`);
      traces.push(((await pageFile(page, '/test/trace.txt')) || '').toString());
      await page.close();
    }
    for (const [who, text] of [['test build', traces[0]], ['game', traces[1]]]) {
      const draws = text.split('\n').filter((l) => l.includes(' ASprite_Draw ')).length;
      assert.ok(draws > 1000, `the ${who} played the map: ${draws} sprites drawn`);
    }
    assert.ok(traces[0] !== traces[1], 'the player\'s game played the test build\'s game to the byte');
  } finally {
    await b.close();
    await seeded.close();
    await player.close();
  }
});
