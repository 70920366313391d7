// The browser build's figures, side by side with the Linux build where there is one (bench/README.md):
// download size raw and gzip, navigation to first frame on 127.0.0.1, the scripted tour's CPU per tick
// in the page and natively (the game's test builds on both sides, so that both play the same game), and
// the tab's CPU over 30 s in the menu and on the map.
// usage: ZANORU_WEB_DRIVER=<build>/web-driver node bench/web/figures.mjs <build/web> <native game folder>
//   [<browser test build: build/web-build/seeded>] [<Linux test build: <native game folder>/../seeded/zanoru>]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

process.env.ZANORU_WEB_DIR = path.resolve(process.argv[2] || 'build/web');
process.env.ZANORU_NATIVE_GAME = path.resolve(process.argv[3] || 'build/game');
const webSeeded = path.resolve(process.argv[4] || 'build/web-build/seeded');
const nativeSeeded = path.resolve(process.argv[5] || path.join(process.env.ZANORU_NATIVE_GAME, '../seeded/zanoru'));
const { browser, exited, open, serve, tempFolder, until } = await import('../../tests/web/harness.mjs');
const web = process.env.ZANORU_WEB_DIR, native = process.env.ZANORU_NATIVE_GAME;
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const load = () => os.loadavg().map((l) => l.toFixed(2)).join(' ');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

console.log(`load (1/5/15 min): ${load()}`);
let raw = 0, gz = 0;
for (const f of ['index.html', 'zanoru.js', 'zanoru.wasm', 'zanoru.data']) {
  const bytes = fs.readFileSync(path.join(web, f));
  const packed = zlib.gzipSync(bytes, { level: 9 }).length;
  raw += bytes.length;
  gz += packed;
  console.log(`${f.padEnd(12)} ${(bytes.length / 1e6).toFixed(3)} MB raw  ${(packed / 1e6).toFixed(3)} MB gzip`);
}
console.log(`${'all'.padEnd(12)} ${(raw / 1e6).toFixed(3)} MB raw  ${(gz / 1e6).toFixed(3)} MB gzip`);

const server = await serve(web);
const b = await browser(tempFolder('figures'));
const cdp = await b.target().createCDPSession();
const rendererCpu = async () => (await cdp.send('SystemInfo.getProcessInfo')).processInfo
  .filter((p) => p.type === 'renderer').reduce((s, p) => s + p.cpuTime, 0);

// Navigation to the first frame: the first time the game puts a picture on the canvas.
const firstFrame = [];
for (let i = 0; i < 5; ++i) {
  const page = await open(b, server.url, {
    before: () => {
      const put = CanvasRenderingContext2D.prototype.putImageData;
      CanvasRenderingContext2D.prototype.putImageData = function () {
        if (window.firstFrameMs === undefined) window.firstFrameMs = performance.now();
        return put.apply(this, arguments);
      };
    },
  });
  await until(page, () => window.firstFrameMs !== undefined, 30000, 'the first frame');
  firstFrame.push(await page.evaluate(() => window.firstFrameMs));
  await page.close();
}
firstFrame.sort((a, b) => a - b);
console.log(`navigation to first frame: median ${firstFrame[2].toFixed(0)} ms (of ${firstFrame.map((t) => t.toFixed(0)).join(', ')}); load ${load()}`);

// The tour, headless, in the page and natively: CPU per tick of the whole run (load, ticks, frames, shots).
const tour = fs.readFileSync(path.join(root, 'scripts/tour.script'), 'utf8').replace(/^.*shot.*$/gm, '');
const ticks = Math.max(...[...tour.matchAll(/^(\d+)/gm)].map((m) => Number(m[1])));
{
  const seededServer = await serve(web, { game: webSeeded });
  const page = await open(b, seededServer.url, {
    hooks: { env: { OMEGA_SCRIPT: '/test/tour.script' }, files: { '/test/tour.script': tour } },
  });
  const before = await rendererCpu();
  await exited(page, 600000);
  const cpu = (await rendererCpu()) - before;
  const folder = tempFolder('native-tour');
  fs.symlinkSync(path.join(native, 'Data'), path.join(folder, 'Data'));
  fs.symlinkSync(path.join(native, 'DX'), path.join(folder, 'DX'));
  fs.writeFileSync(path.join(folder, 'tour.script'), tour);
  fs.symlinkSync(nativeSeeded, path.join(folder, 'zanoru_native'));
  const timed = execFileSync('bash', ['-c', 'TIMEFORMAT=%U+%S; { time OMEGA_SCRIPT=tour.script ./zanoru_native >/dev/null 2>&1; } 2>&1'],
    { cwd: folder, encoding: 'utf8' }).trim().split('\n').pop();
  const nativeCpu = timed.split('+').reduce((s, v) => s + Number(v), 0);
  console.log(`tour headless, ${ticks} ticks: browser ${(cpu / ticks * 1000).toFixed(2)} ms CPU per tick (renderer ${cpu.toFixed(2)} s), ` +
    `Linux ${(nativeCpu / ticks * 1000).toFixed(2)} ms (${nativeCpu.toFixed(2)} s); load ${load()}`);
  await page.close();
  await seededServer.close();
}

// The tab's CPU over 30 s: in the menu (Escape skips the intro), then on the map.
{
  const page = await open(b, server.url);
  await until(page, () => window.Module && Module.calledRun, 30000, 'the game starts');
  await sleep(1000);
  await page.keyboard.press('Escape');
  await sleep(2000);
  let before = await rendererCpu();
  await sleep(30000);
  console.log(`tab in the menu: ${((await rendererCpu()) - before).toFixed(2)} s CPU of 30 s (renderer); load ${load()}`);
  await page.mouse.click(512, 165);
  await sleep(3000);
  before = await rendererCpu();
  await sleep(30000);
  console.log(`tab on the map: ${((await rendererCpu()) - before).toFixed(2)} s CPU of 30 s (renderer); load ${load()}`);
  await page.close();
}
await b.close();
await server.close();
