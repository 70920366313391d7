// What the canvas shows is the engine's frame, though only the parts that changed are put on it: after
// the pointer has moved about the menu (parts changing here and there), the canvas equals the frame the
// engine saves on F12, pixel for pixel. Once with the engine's SIMD module, once with the plain one that a
// browser without SIMD gets.
import assert from 'node:assert/strict';
import test from 'node:test';
import { browser, open, pageFile, pngPixels, serve, skipReason, tempFolder, until, webDir } from './harness.mjs';

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

test('the canvas shows the engine\'s frame, parts put on it as they change, with SIMD and without', { skip: skipReason() }, async () => {
  const server = await serve(webDir);
  const b = await browser(tempFolder('canvas-profile'));
  try {
    for (const simd of [true, false]) {
      const page = await open(b, server.url, {
        hooks: { files: { '/game/PlayerN.cgm': 'Ann\n' } },
        before: simd ? null : () => {
          WebAssembly.validate = () => { window.simdAsked = true; return false; };
        },
      });
      await until(page, () => !!(window.Module && Module.calledRun), 60000, 'the game starts');
      await page.keyboard.press('Escape');
      for (const [x, y] of [[100, 100], [512, 165], [700, 600], [300, 450], [850, 200]]) {
        await page.mouse.move(x, y, { steps: 3 });
        await sleep(100);
      }
      // Until the picture stands still (the menu fades in), the next frame is another: the frame is saved
      // again (F12) until the canvas shows the one saved.
      const canvasRgb = () => {
        const c = document.getElementById('canvas');
        const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
        const rgb = [];
        for (let i = 0; i < d.length; i += 4) rgb.push(d[i], d[i + 1], d[i + 2]);
        return rgb;
      };
      let differing = -1, shot = null;
      const deadline = performance.now() + 30000;
      for (let n = 1; ; ++n) {
        const file = `/game/zanoru-${String(n).padStart(4, '0')}.png`;
        await page.keyboard.press('F12');
        await until(page, (f) => Module.FS.analyzePath(f).exists, 30000, 'the screenshot', file);
        shot = pngPixels(await pageFile(page, file));
        await sleep(100);
        const rgb = await page.evaluate(canvasRgb);
        assert.equal(rgb.length, shot.rgb.length, 'the canvas has the frame\'s size');
        differing = shot.rgb.findIndex((v, i) => v !== rgb[i]);
        if (differing < 0 || performance.now() > deadline) break;
      }
      assert.equal(differing, -1, `${simd ? 'SIMD' : 'plain'} module: the canvas differs from the frame first at ` +
        `(${Math.floor(differing / 3) % shot.width}, ${Math.floor(differing / 3 / shot.width)}); page said:\n${page.log.join('\n')}`);
      if (!simd) assert.ok(await page.evaluate(() => window.simdAsked), 'the page asked whether the browser has SIMD');
      await page.close();
    }
  } finally {
    await b.close();
    await server.close();
  }
});
