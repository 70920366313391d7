// The browser tab's CPU against the native game's, side by side in one run, on the same scenes at the same
// size (1024×768): the menu (pointer still) and the map with the pointer moving along one path in both.
// The native game runs in its window on a private Xvfb, driven by xdotool; each browser build in Debian's
// Chromium, headless, driven by puppeteer. CPU is read from /proc: the game's process (the X server
// apart), and every process of the browser (browser, renderer, GPU, utilities) summed. Then the first
// frame: navigation to the first picture on the canvas, cold (a new browser and profile each time), three
// times per build.
// usage: ZANORU_WEB_DRIVER=<build>/web-driver node bench/web/cost.mjs <native game folder> LABEL=DIR[:plain] ...
//   DIR is a `make web` output folder; ":plain" refuses the page WebAssembly SIMD, so that the engine's
//   plain module runs. SECONDS (20) per measurement, ROUNDS (1) of everything.
import { spawn, execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const native = path.resolve(process.argv[2]);
const builds = process.argv.slice(3).map((arg) => {
  const [label, where] = arg.split('=');
  const [dir, mode] = where.split(':');
  return { label, dir: path.resolve(dir), plain: mode === 'plain' };
});
const seconds = Number(process.env.SECONDS_EACH || 20), rounds = Number(process.env.ROUNDS || 1);
const { browser, open, serve, tempFolder, until } = await import('../../tests/web/harness.mjs');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const load = () => os.loadavg().map((l) => l.toFixed(1)).join(' ');
const hz = Number(execFileSync('getconf', ['CLK_TCK'], { encoding: 'utf8' }));
const name = 'Bench\n';

// CPU seconds of a process (user + system), 0 once it is gone.
function cpu(pid) {
  try {
    const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    return (Number(f[11]) + Number(f[12])) / hz;
  } catch (e) {
    return 0;
  }
}
// Every process under `root`, itself included, per pid: their CPU.
function treeCpu(root) {
  const parent = new Map();
  for (const p of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(p)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${p}/stat`, 'utf8');
      parent.set(Number(p), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch (e) { /* gone */ }
  }
  const inTree = (pid) => { for (let p = pid; p > 1; p = parent.get(p)) if (p === root) return true; return false; };
  const out = new Map();
  for (const pid of parent.keys()) if (inTree(pid)) out.set(pid, cpu(pid));
  return out;
}
// CPU of a tree over the interval between two readings, processes that lived through it.
const delta = (a, b) => [...b].reduce((s, [pid, t]) => s + t - (a.get(pid) || 0), 0);

// The pointer's path: one step every 50 ms.
const point = (t) => [(t * 37) % 1024, 64 + (t * 53) % 640];

async function measure(read, move) {
  const before = read(), start = process.hrtime.bigint();
  for (let t = 0; Number(process.hrtime.bigint() - start) / 1e9 < seconds; ++t) {
    if (move) await move(...point(t));
    await sleep(50);
  }
  const s = Number(process.hrtime.bigint() - start) / 1e9;
  return delta(before, read()) / s;
}

async function nativeRun() {
  const folder = tempFolder('cost-native');
  for (const f of ['Data', 'DX']) fs.symlinkSync(path.join(native, f), path.join(folder, f));
  fs.copyFileSync(path.join(native, 'zanoru'), path.join(folder, 'zanoru'));
  fs.writeFileSync(path.join(folder, 'PlayerN.cgm'), name);
  const display = `:${200 + Math.floor(Math.random() * 100)}`;
  const xvfb = spawn('Xvfb', [display, '-screen', '0', '1024x768x24', '-nolisten', 'tcp'], { stdio: 'ignore' });
  const env = { ...process.env, DISPLAY: display };
  const xdo = (...args) => execFileSync('xdotool', args, { env, encoding: 'utf8' }).trim();
  await sleep(1500);
  const game = spawn('./zanoru', [], { cwd: folder, env, stdio: 'ignore' });
  try {
    const window = xdo('search', '--sync', '--onlyvisible', '--name', 'Zanoru').split('\n')[0];
    await sleep(1000);
    xdo('key', '--window', window, 'Escape');
    await sleep(2000);
    xdo('mousemove', '--window', window, '900', '700');
    await sleep(1000);
    const read = () => new Map([[game.pid, cpu(game.pid)], [-1, cpu(xvfb.pid)]]);
    const split = async (move) => {
      const before = read(), start = process.hrtime.bigint();
      const all = await measure(read, move);
      const s = Number(process.hrtime.bigint() - start) / 1e9, after = read();
      return { all, game: (after.get(game.pid) - before.get(game.pid)) / s, x: (after.get(-1) - before.get(-1)) / s };
    };
    const menu = await split(null);
    xdo('mousemove', '--window', window, '512', '165', 'click', '1');
    await sleep(3000);
    const map = await split(async (x, y) => { xdo('mousemove', '--window', window, String(x), String(y)); });
    return { menu, map };
  } finally {
    game.kill('SIGTERM');
    await new Promise((r) => game.on('exit', r));
    xvfb.kill('SIGTERM');
  }
}

// Refuses the page WebAssembly SIMD, as a browser without it would (the page asks only that).
function noSimd() {
  WebAssembly.validate = () => false;
}

async function browserRun(build) {
  const server = await serve(build.dir);
  const b = await browser(tempFolder('cost'));
  const root = b.process().pid;
  try {
    const page = await open(b, server.url, {
      hooks: { files: { '/game/PlayerN.cgm': name } }, before: build.plain ? noSimd : null,
    });
    await until(page, () => window.Module && Module.calledRun, 60000, 'the game starts');
    await sleep(1000);
    await page.keyboard.press('Escape');
    await sleep(2000);
    await page.mouse.move(900, 700);
    await sleep(1000);
    const read = () => treeCpu(root);
    const menu = await measure(read, null);
    await page.mouse.click(512, 165);
    await sleep(3000);
    const map = await measure(read, (x, y) => page.mouse.move(x, y));
    const log = page.log.filter((l) => /error|abort/i.test(l));
    if (log.length) console.log(`${build.label}: ${log.join(' | ')}`);
    return { menu, map };
  } finally {
    await b.close();
    await server.close();
  }
}

async function firstFrame(build) {
  const server = await serve(build.dir);
  const times = [];
  try {
    for (let i = 0; i < 3; ++i) {
      const b = await browser(tempFolder('cost-first'));
      const page = await open(b, server.url, {
        before: function () {
          const put = CanvasRenderingContext2D.prototype.putImageData;
          CanvasRenderingContext2D.prototype.putImageData = function () {
            if (window.firstFrameMs === undefined) window.firstFrameMs = performance.now();
            return put.apply(this, arguments);
          };
        },
      });
      await until(page, () => window.firstFrameMs !== undefined, 60000, 'the first frame');
      times.push(await page.evaluate(() => window.firstFrameMs));
      await b.close();
    }
  } finally {
    await server.close();
  }
  return times;
}

const f = (v) => v.toFixed(3);
for (let round = 1; round <= rounds; ++round) {
  console.log(`round ${round}, ${seconds} s each; load (1/5/15 min) ${load()}`);
  const n = await nativeRun();
  console.log(`native game   menu ${f(n.menu.game)} CPU s/s (X server ${f(n.menu.x)})   map ${f(n.map.game)} (X server ${f(n.map.x)})   load ${load()}`);
  for (const build of builds) {
    const w = await browserRun(build);
    console.log(`${build.label.padEnd(13)} menu ${f(w.menu)} = ${(w.menu / n.menu.game).toFixed(1)}× native   ` +
      `map ${f(w.map)} = ${(w.map / n.map.game).toFixed(1)}× native   load ${load()}`);
  }
}
if (process.env.FIRST_FRAME !== '0') {
  for (const build of builds) {
    const t = await firstFrame(build);
    console.log(`${build.label.padEnd(13)} first frame, cold: ${t.map((v) => v.toFixed(0)).join(', ')} ms   load ${load()}`);
  }
}
