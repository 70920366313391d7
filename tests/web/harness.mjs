// What the browser tests share: the built page served on 127.0.0.1, Debian's Chromium driven headless
// (puppeteer-core, no browser of its own), the engine's files read back from the page, PNG pixels.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { createRequire } from 'node:module';

// The driver lives in the build tree (driver.sh installs it from the lock file), not beside the tests.
const driver = process.env.ZANORU_WEB_DRIVER || path.join(path.dirname(new URL(import.meta.url).pathname));
const puppeteer = createRequire(path.join(driver, 'package.json'))('puppeteer-core');

export const webDir = process.env.ZANORU_WEB_DIR;
export const nativeGame = process.env.ZANORU_NATIVE_GAME;  // the Linux build's game folder
// The game's test builds (every run from one seed), for runs compared byte for byte: the browser's
// (zanoru.js, .wasm, .data, served in place of the game's) and the Linux one.
export const webSeededDir = process.env.ZANORU_WEB_SEEDED_DIR;
export const seededGame = process.env.ZANORU_SEEDED_GAME;
export const sourceDir = process.env.ZANORU_SOURCE_DIR;
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

// Without the browser build (not made yet) the tests skip, unless they are required to run; `seeded`:
// the browser's test build is needed too.
export function skipReason({ seeded = false } = {}) {
  const missing = [webDir, ...(seeded ? [webSeededDir] : [])].find((dir) => !dir || !fs.existsSync(path.join(dir, 'zanoru.wasm')));
  if (missing === undefined) return false;
  if (process.env.ZANORU_REQUIRE_WEB === '1') throw new Error(`no browser build in ${missing}: run make web`);
  return `no browser build in ${missing}`;
}

const types = { '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.zip': 'application/zip' };

// A static server of the folder on 127.0.0.1 only, on a free port. `missing` names files it answers 404
// for, as a host with an incomplete upload would; `game`, a folder whose zanoru.js, .wasm and .data are
// served in place of the folder's (the game's test build under the same page); `at`, the folder the page is at.
export async function serve(dir, { missing = [], game = null, at = '' } = {}) {
  const server = http.createServer((req, res) => {
    const pathname = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    const name = (pathname.startsWith(`/${at}`) ? pathname.slice(at.length + 1) : '/..').replace(/^\/+/, '') || 'index.html';
    const from = game && /^zanoru\.(js|wasm|data)$/.test(name) ? game : dir;
    const file = path.join(from, name);
    if (missing.includes(name) || !file.startsWith(from + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end('not found');
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(name)] || 'application/octet-stream', 'Cache-Control': 'no-store' });
    fs.createReadStream(file).pipe(res);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  server.unref();  // a test that fails before closing it does not keep its program waiting
  // Closing drops the browser's idle keep-alive connections too, or it would wait for them.
  const close = () => new Promise((r) => { server.close(r); server.closeAllConnections(); });
  return { url: `http://127.0.0.1:${server.address().port}/${at}`, close };
}

// Chromium headless with a profile folder of its own (kept across pages and restarts: the records live
// in its storage).
export async function browser(profile) {
  return puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-renderer-backgrounding', '--disable-background-timer-throttling'],
  });
}

export function tempFolder(name) {
  return fs.mkdtempSync(path.join(os.tmpdir(), `zanoru-web-${name}-`));
}

// Opens the page; `hooks` become window.zanoruTestHooks before any of the page's scripts runs.
// `touch`: a phone's screen (touch input, no hover).
export async function open(b, url, { hooks = null, width = 1024, height = 768, before = null, touch = false } = {}) {
  const page = await b.newPage();
  await page.setViewport({ width, height, hasTouch: touch, isMobile: touch });
  const log = [];
  page.on('console', (m) => log.push(m.text()));
  page.on('pageerror', (e) => log.push(`pageerror: ${e.message}`));
  if (hooks) await page.evaluateOnNewDocument((h) => { window.zanoruTestHooks = h; }, hooks);
  if (before) await page.evaluateOnNewDocument(before);
  await page.evaluateOnNewDocument(() => {
    window.zanoruExited = new Promise((resolve) => window.addEventListener('zanoru-exit', (e) => resolve(e.detail)));
  });
  await page.goto(url, { waitUntil: 'domcontentloaded' });
  page.log = log;
  return page;
}

// The game's exit status, waiting at most `ms` of the clock.
export async function exited(page, ms) {
  return page.evaluate((ms) => Promise.race([window.zanoruExited,
    new Promise((_, reject) => setTimeout(() => reject(new Error(`the game had not ended after ${ms} ms`)), ms))]), ms);
}

// Waits until `fn` (run in the page) is true, at most `ms` of the clock.
export async function until(page, fn, ms, what, arg) {
  const start = Date.now();
  for (;;) {
    if (await page.evaluate(fn, arg)) return Date.now() - start;
    if (Date.now() - start > ms) throw new Error(`${what}: not so after ${ms} ms; page said:\n${page.log.join('\n')}`);
    await new Promise((r) => setTimeout(r, 50));
  }
}

// A file of the page's file system, or null when there is none.
export async function pageFile(page, file) {
  const b64 = await page.evaluate((file) => {
    try {
      const data = Module.FS.readFile(file);
      let s = '';
      for (let i = 0; i < data.length; i += 0x8000) s += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
      return btoa(s);
    } catch (e) {
      return null;
    }
  }, file);
  return b64 === null ? null : Buffer.from(b64, 'base64');
}

// The Linux build's test build of the game run headless on a script, in a fresh folder linking the game
// folder's Data and DX, with an empty shots/ for the script's screenshots.
export function runNative(script) {
  const folder = tempFolder('native');
  fs.mkdirSync(path.join(folder, 'shots'));
  fs.symlinkSync(path.join(nativeGame, 'Data'), path.join(folder, 'Data'));
  fs.symlinkSync(path.join(nativeGame, 'DX'), path.join(folder, 'DX'));
  fs.writeFileSync(path.join(folder, 'run.script'), script);
  return new Promise((resolve, reject) => {
    const child = spawn(seededGame, [], {
      cwd: folder, stdio: ['ignore', 'ignore', 'pipe'],
      env: { ...process.env, OMEGA_SCRIPT: path.join(folder, 'run.script'), OMEGA_TRACE: path.join(folder, 'trace.txt') },
    });
    let err = '';
    child.stderr.on('data', (d) => { err += d; });
    child.on('error', reject);
    child.on('exit', (status) => resolve({ status, folder, stderr: err }));
  });
}

// The pixels of a PNG of 8-bit RGB or RGBA, not interlaced (what the engine writes), as RGB.
export function pngPixels(png) {
  if (png.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
  let at = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < png.length) {
    const size = png.readUInt32BE(at), type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + size);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('only 8-bit, not interlaced');
      channels = { 2: 3, 6: 4 }[body[9]];
      if (!channels) throw new Error(`colour type ${body[9]}`);
    } else if (type === 'IDAT') idat.push(body);
    at += 12 + size;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels, out = Buffer.alloc(width * height * 3), row = Buffer.alloc(stride);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? row[x - channels] : 0, b = prev[x], c = x >= channels ? prev[x - channels] : 0;
      let p = line[x];
      if (filter === 1) p += a;
      else if (filter === 2) p += b;
      else if (filter === 3) p += (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[x] = p & 0xff;
    }
    for (let x = 0; x < width; ++x) row.copy(out, (y * width + x) * 3, x * channels, x * channels + 3);
    prev = Buffer.from(row);
  }
  return { width, height, rgb: out };
}
