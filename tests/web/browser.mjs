// Headless Chromium (Debian's) driven by puppeteer-core, and the page's
// program as the tests read it.
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before } from 'node:test';
import { fileURLToPath } from 'node:url';

import puppeteer from '../../web/node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js';
import { serve } from '../../web/serve.mjs';

export const root = fileURLToPath(new URL('../..', import.meta.url));
// The folder that ships, and the same folder with the hooks the tests read
// (the program's frames, its first frame, the fixed scenes), which they run.
export const folder = join(root, 'build/web');
export const testFolder = join(root, 'build/web-test');

export async function launch() {
  const profile = await mkdtemp(join(tmpdir(), 'velnar-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    // A Polish browser unless a test says otherwise (languages.test.mjs).
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--accept-lang=pl-PL,pl',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`],
  });
  return {
    browser,
    async close() {
      await browser.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}

// The build folder on a local server; resolves to its address and a stop.
export async function server() {
  const s = await serve(testFolder, 0);
  return { url: `http://127.0.0.1:${s.address().port}/`, stop: () => s.close() };
}

// Opens the page and waits for the program (its WebAssembly) to be running;
// in a browser whose languages are `languages` (["uk-UA", "uk"]) when given.
export async function open(browser, url, { languages, viewport } = {}) {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  if (languages) {
    await page.evaluateOnNewDocument((tags) => {
      Object.defineProperty(navigator, 'languages', { get: () => tags });
      Object.defineProperty(navigator, 'language', { get: () => tags[0] });
    }, languages);
  }
  await page.setViewport(viewport || { width: 960, height: 720 });
  await page.goto(url);
  await page.waitForFunction(() => window.velnar && typeof window.velnar._velnar_start === 'function');
  return { page, errors };
}

// The car's figures as the task reads them.
export function figures(page) {
  return page.evaluate(() => {
    const f = (i) => window.velnar._velnar_figure(i);
    return { s: f(0), r: f(1), t: f(2), rx: f(3), ry: f(4), speed: f(5) };
  });
}

// The program's frames so far: time passing as it sees it. A frame that
// changes nothing puts nothing on the screen, and while nothing moves the
// program runs no frames at all; they count here all the same.
export function presented(page) {
  return page.evaluate(() => window.velnar._velnar_frames());
}

// Waits until the program has run n more frames: time passing as the program
// sees it, with no fixed sleep, whether or not anything on the screen moves.
export async function frames(page, n) {
  const target = (await presented(page)) + n;
  await page.waitForFunction((t) => window.velnar._velnar_frames() >= t, {}, target);
}

// A bitmap file's 24-bit pixels as the 5-6-5 values they were made from.
export function bmpTo565(bytes) {
  const offset = bytes.readUInt32LE(10);
  const width = bytes.readInt32LE(18);
  const height = bytes.readInt32LE(22);
  const stride = Math.ceil((width * 3) / 4) * 4;
  const out = new Uint16Array(width * height);
  for (let y = 0; y < height; ++y) {
    const row = offset + (height - 1 - y) * stride;
    for (let x = 0; x < width; ++x) {
      const b = bytes[row + 3 * x], g = bytes[row + 3 * x + 1], r = bytes[row + 3 * x + 2];
      out[y * width + x] = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    }
  }
  return out;
}

export async function golden(name) {
  return readFile(join(root, name));
}

// The first frame the page presented in the current run, as 5-6-5 values.
export async function firstFrame(page) {
  const values = await page.evaluate(() => {
    const m = window.velnar;
    const count = m._malloc(4);
    const at = m._velnar_test_first_frame(count);
    const n = m.HEAP32[count >> 2];
    m._free(count);
    return Array.from(m.HEAPU16.subarray(at >> 1, (at >> 1) + n));
  });
  return Uint16Array.from(values);
}

// A fixed scene drawn again in the page, as a bitmap file.
export async function scene(page, which) {
  const bytes = await page.evaluate((w) => {
    const m = window.velnar;
    const size = m._malloc(4);
    const at = m._velnar_test_scene(w, size);
    const n = m.HEAP32[size >> 2];
    m._free(size);
    return Array.from(m.HEAPU8.subarray(at, at + n));
  }, which);
  return Buffer.from(bytes);
}

export function countDifferences(a, b) {
  if (a.length !== b.length) return Math.max(a.length, b.length);
  let n = 0;
  for (let i = 0; i < a.length; ++i) n += a[i] !== b[i];
  return n;
}

// One Chromium and one server for the tests of a file, made before the first
// and ended after the last; their fields are set once the first test runs.
export function useBrowser() {
  const session = {};
  before(async () => {
    session.chromium = await launch();
    session.site = await server();
  });
  after(async () => {
    await session.chromium.close();
    session.site.stop();
  });
  return session;
}
